#pragma once
// Text on surfaces: fonts matched by face name through fontconfig and drawn
// with SDL2_ttf, always on a transparent background. A box layout word-wraps
// the text, can centre each line, measures the wrapped height and ends text
// that does not fit with "...".
//
// Opened fonts are cached for the life of the program. User-interface
// thread only.

#include "platform/video.h"

#include <string>
#include <vector>

namespace platform {

struct FontSpec {
    // A family name ("Arial", "Times New Roman" or any installed family);
    // fontconfig picks the closest installed font.
    std::string face = "Arial";
    bool bold = false;
    // Height in points at 96 pixels per inch.
    int points = 12;
};

struct TextColour {
    uint8_t red = 0, green = 0, blue = 0;
};

enum class TextAlign { Left, Centre };

struct TextLayout {
    std::vector<std::string> lines;  // as drawn, the last one possibly ending in "..."
    int lineHeight = 0;
    int height = 0;          // of the lines drawn
    int fullHeight = 0;      // of the whole wrapped text, had the box been tall enough
    bool truncated = false;  // lines were left out (the last shown ends in "...")
};

// The font file fontconfig chooses for a face and weight (raises
// vTextException_c when there is none at all).
std::string MatchFontFile(const std::string& face, bool bold);

// Wraps text into lines no wider than width (a word longer than the width is
// broken); an explicit line break starts a new line. maxHeight < 0 means no limit.
TextLayout LayoutText(const FontSpec& font, const std::string& text, int width, int maxHeight = -1);

// Draws the layout of text in box onto the surface (clipped to the box) and
// returns it; pass a box of height < 0 to measure without a limit.
TextLayout DrawTextBox(Surface& target, const Rect& box, const std::string& text, const FontSpec& font,
                       TextColour colour, TextAlign align);

// The width in pixels of one line of text.
int TextWidth(const FontSpec& font, const std::string& text);

}  // namespace platform
