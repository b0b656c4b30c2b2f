#pragma once
// What the pages of the settings sheet show and write, without any toolkit:
// each page reads its controls' values from a settings store and writes them
// back on OK. The GTK sheet (sheet_gtk.cpp) only puts these values into
// widgets and takes them out again. User-interface thread only.

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "platform/display_modes.h"

class vSettings_c;

namespace prefs {

// String resources of the library.
inline constexpr int kSheetCaptionId = 1000;
inline constexpr int kDefaultAnimationId = 1001;
const char* LoadString(int id);

// The seven pages in sheet order (the start page counts in this order), with
// their dialog resource ids (the GTK page is named "Page" and the id).
struct PageInfo {
    const char* title;
    int resourceId;
    int mnemonic;  // the letter of the title that Alt opens the page with
};
inline constexpr int kPageCount = 7;
inline constexpr int kMicrophonePage = 6;
extern const std::array<PageInfo, kPageCount> kPages;

// ---- Screen page -------------------------------------------------------

// The mode grid: columns by pixel depth, rows by resolution.
inline constexpr int kModeColumns = 5;
inline constexpr int kModeRows = 5;
inline constexpr int kModeCount = kModeColumns * kModeRows;
inline constexpr std::array<int, kModeColumns> kModeBits = {32, 24, 16, 15, 8};
struct ModeSize {
    int width, height;
};
inline constexpr std::array<ModeSize, kModeRows> kModeSizes = {
    {{800, 600}, {640, 480}, {512, 384}, {320, 240}, {320, 200}}};

// A mode of the grid as radio index 5 * column + row; its control id is
// 2006 + index (2006 is 800x600 at 32 bits, 2030 is 320x200 at 8 bits).
inline constexpr int kFirstModeId = 2006;
inline constexpr int ModeIndex(int column, int row) { return kModeColumns * column + row; }
inline constexpr int ModeColumn(int index) { return index / kModeColumns; }
inline constexpr int ModeRow(int index) { return index % kModeColumns; }
// The index of a mode, or nullopt when the grid has no radio for it.
std::optional<int> FindMode(int width, int height, int bits);

// Which radios of the grid are enabled. Without a mode list (no display
// system, or it could not list its modes) all are. Otherwise a resolution of
// the list enables every depth of its row: the drawing surfaces convert
// every depth of the grid to what the display shows.
using ModeAvailability = std::array<bool, kModeCount>;
ModeAvailability AvailableModes(const std::optional<std::vector<platform::DisplayMode>>& displayModes);

// Which rows (resolutions) and columns (depths) of the grid are shown. A
// grid of modes the display cannot show (320x200, 8 bits) only puzzles a
// teacher, so a row is shown when the display has its resolution, a column
// when it has its depth at any resolution; the file's own mode always is.
// Without a mode list everything is shown.
struct ShownModes {
    std::array<bool, kModeRows> rows{};
    std::array<bool, kModeColumns> columns{};
};
ShownModes ModesToShow(const std::optional<std::vector<platform::DisplayMode>>& displayModes,
                       std::optional<int> fileMode);

// The three speeds of the sheet each stand for five analysis keys; Custom is
// any other combination (a course's own analysis), shown and kept as it is.
enum class MachineSpeed { Fast, Normal, Slow, Custom };

// Every page shows what the file holds and, on OK, writes only the values the
// user changed (Apply's `before` is what Read found): a course's own values
// survive a look at the sheet, and OK without a change leaves the file alone.
struct ScreenPage {
    std::optional<int> mode;  // the radio of the file's mode; none when the grid has none for it
    std::string modeText;     // the file's mode as words, for the "custom" radio
    bool fullScreen = true;
    MachineSpeed speed = MachineSpeed::Fast;

    void Read(const vSettings_c& settings);
    void Apply(vSettings_c& settings, const ScreenPage& before) const;
};

// ---- Line-length pages ("Volume, rhythm" and "Voice/Unvoice") ------------

inline constexpr int kMinLineLength = 5;
inline constexpr int kMaxLineLength = 300;
// The whole number the text holds when it is one from 5 to 300.
std::optional<int> ParseLineLength(const std::string& text);
// Shown when a line length is out of range; the page stays open.
std::string LineLengthMessage();

struct VolumePage {
    int lineLength = 25;
    void Read(const vSettings_c& settings);
    void Apply(vSettings_c& settings, const VolumePage& before) const;
};

struct VoicePage {
    int lineLength = 100;
    bool disableFeedback = false;  // shown nowhere, so never changed
    void Read(const vSettings_c& settings);
    void Apply(vSettings_c& settings, const VoicePage& before) const;
};

// ---- Check-box pages -----------------------------------------------------

struct SpectrumPage {
    bool highlightErrors = true;
    bool smoothCurves = true;
    bool disableFeedback = false;
    void Read(const vSettings_c& settings);
    void Apply(vSettings_c& settings, const SpectrumPage& before) const;
};

struct WordPage {
    bool highlightSpirant = true;
    bool autoPlayback = true;
    bool showBackground = true;
    bool disableFeedback = false;
    void Read(const vSettings_c& settings);
    void Apply(vSettings_c& settings, const WordPage& before) const;
};

// ---- Feedback page -------------------------------------------------------

struct FeedbackPage {
    // "<Default Animation>", then the names of "Feedback/Display0", ...
    // up to the first "---".
    std::vector<std::string> items;
    // The selected item; none when "Feedback/Offset" names no item (nothing
    // is then written for it).
    std::optional<int> selected;
    void Read(const vSettings_c& settings);
    void Apply(vSettings_c& settings, const FeedbackPage& before) const;
};

// ---- The whole sheet -----------------------------------------------------

// The values of the six settings pages (the microphone page writes no key,
// except the trigger level a level check offers).
struct SheetPages {
    ScreenPage screen;
    VolumePage volume;
    SpectrumPage spectrum;
    WordPage word;
    VoicePage voice;
    FeedbackPage feedback;
};

struct SheetValues : SheetPages {
    SheetPages read;  // as Read found them
    std::optional<std::int32_t> triggerLevel;  // "WordDetector/TrigLevel", from a level check

    void Read(const vSettings_c& settings);
    // Writes what differs from what Read found, page by page, and an accepted trigger.
    void Apply(vSettings_c& settings) const;
};

// Writes the values into the INI file as one change: they are applied to a
// private copy of the file, which then replaces the file whole. Raises
// vTextException_c with a message for the user when the file cannot be
// written; the file is then unchanged.
void SaveSheet(const SheetValues& values, const std::string& iniPath);

}  // namespace prefs
