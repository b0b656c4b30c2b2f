// Fonts through fontconfig (which file) and SDL2_ttf (glyphs). Points become
// pixels at 96 per inch, the em height Windows gives a font of that size.
#include "platform/exception.h"
#include "platform/text.h"

#include <SDL.h>
#include <SDL_ttf.h>
#include <fontconfig/fontconfig.h>

#include <map>
#include <memory>
#include <tuple>

namespace platform {
namespace {

constexpr const char* kEllipsis = "...";

struct FontCloser {
    void operator()(TTF_Font* f) const { TTF_CloseFont(f); }
};

TTF_Font* OpenFont(const FontSpec& spec) {
    static std::map<std::tuple<std::string, bool, int>, std::unique_ptr<TTF_Font, FontCloser>> cache;
    auto key = std::make_tuple(spec.face, spec.bold, spec.points);
    auto it = cache.find(key);
    if (it != cache.end()) return it->second.get();
    if (!TTF_WasInit() && TTF_Init() != 0) throw vTextException_c(std::string("Cannot start fonts: ") + TTF_GetError());
    const std::string file = MatchFontFile(spec.face, spec.bold);
    const int pixels = std::max(1, (spec.points * 96 + 36) / 72);
    TTF_Font* font = TTF_OpenFont(file.c_str(), pixels);
    if (!font) throw vTextException_c("Cannot open font " + file + ": " + TTF_GetError());
    cache.emplace(key, std::unique_ptr<TTF_Font, FontCloser>(font));
    return font;
}

int Width(TTF_Font* font, const std::string& s) {
    int w = 0, h = 0;
    if (s.empty() || TTF_SizeUTF8(font, s.c_str(), &w, &h) != 0) return 0;
    return w;
}

// Length of the first UTF-8 character at s[i].
size_t CharLength(const std::string& s, size_t i) {
    size_t n = 1;
    while (i + n < s.size() && (static_cast<unsigned char>(s[i + n]) & 0xC0) == 0x80) ++n;
    return n;
}

// Greedy filling of one paragraph (no line breaks inside) into lines.
void WrapParagraph(TTF_Font* font, const std::string& para, int width, std::vector<std::string>& out) {
    std::string line;
    size_t i = 0;
    bool any = false;
    while (i < para.size()) {
        while (i < para.size() && para[i] == ' ') ++i;
        if (i >= para.size()) break;
        size_t end = para.find(' ', i);
        std::string word = para.substr(i, end == std::string::npos ? std::string::npos : end - i);
        i = end == std::string::npos ? para.size() : end;
        std::string candidate = line.empty() ? word : line + " " + word;
        if (Width(font, candidate) <= width) {
            line = std::move(candidate);
            continue;
        }
        if (!line.empty()) {
            out.push_back(line);
            any = true;
            line.clear();
        }
        // A word wider than the box is broken between characters.
        while (Width(font, word) > width) {
            size_t cut = 0;
            while (cut < word.size()) {
                size_t next = cut + CharLength(word, cut);
                if (Width(font, word.substr(0, next)) > width) break;
                cut = next;
            }
            if (cut == 0) cut = CharLength(word, 0);  // one character always goes on a line
            out.push_back(word.substr(0, cut));
            any = true;
            word.erase(0, cut);
        }
        line = word;
    }
    if (!line.empty() || !any) out.push_back(line);
}

}  // namespace

std::string MatchFontFile(const std::string& face, bool bold) {
    static bool started = FcInit();
    if (!started) throw vTextException_c("Cannot start fontconfig");
    FcPattern* pattern = FcPatternCreate();
    FcPatternAddString(pattern, FC_FAMILY, reinterpret_cast<const FcChar8*>(face.c_str()));
    FcPatternAddInteger(pattern, FC_WEIGHT, bold ? FC_WEIGHT_BOLD : FC_WEIGHT_REGULAR);
    FcPatternAddInteger(pattern, FC_SLANT, FC_SLANT_ROMAN);
    FcPatternAddBool(pattern, FC_SCALABLE, FcTrue);
    FcConfigSubstitute(nullptr, pattern, FcMatchPattern);
    FcDefaultSubstitute(pattern);
    FcResult result = FcResultNoMatch;
    FcPattern* match = FcFontMatch(nullptr, pattern, &result);
    FcPatternDestroy(pattern);
    std::string file;
    FcChar8* path = nullptr;
    if (match && FcPatternGetString(match, FC_FILE, 0, &path) == FcResultMatch) file = reinterpret_cast<char*>(path);
    if (match) FcPatternDestroy(match);
    if (file.empty()) throw vTextException_c("No font installed for " + face);
    return file;
}

int TextWidth(const FontSpec& font, const std::string& text) { return Width(OpenFont(font), text); }

TextLayout LayoutText(const FontSpec& spec, const std::string& text, int width, int maxHeight) {
    TTF_Font* font = OpenFont(spec);
    TextLayout layout;
    layout.lineHeight = TTF_FontLineSkip(font);
    std::vector<std::string> all;
    size_t start = 0;
    while (true) {
        size_t nl = text.find('\n', start);
        std::string para = text.substr(start, nl == std::string::npos ? std::string::npos : nl - start);
        if (!para.empty() && para.back() == '\r') para.pop_back();
        WrapParagraph(font, para, std::max(width, 1), all);
        if (nl == std::string::npos) break;
        start = nl + 1;
    }
    layout.fullHeight = static_cast<int>(all.size()) * layout.lineHeight;
    size_t fit = all.size();
    if (maxHeight >= 0) fit = std::min(fit, static_cast<size_t>(maxHeight / std::max(layout.lineHeight, 1)));
    layout.lines.assign(all.begin(), all.begin() + static_cast<ptrdiff_t>(fit));
    if (fit < all.size()) {
        layout.truncated = true;
        if (!layout.lines.empty()) {
            // The last line shown ends in "...", shortened until it fits.
            std::string& last = layout.lines.back();
            while (!last.empty() && Width(font, last + kEllipsis) > width) {
                size_t cut = last.size() - 1;
                while (cut > 0 && (static_cast<unsigned char>(last[cut]) & 0xC0) == 0x80) --cut;
                last.erase(cut);
            }
            while (!last.empty() && last.back() == ' ') last.pop_back();
            last += kEllipsis;
        }
    }
    layout.height = static_cast<int>(layout.lines.size()) * layout.lineHeight;
    return layout;
}

TextLayout DrawTextBox(Surface& target, const Rect& box, const std::string& text, const FontSpec& spec,
                       TextColour colour, TextAlign align) {
    TextLayout layout = LayoutText(spec, text, box.w, box.h);
    TTF_Font* font = OpenFont(spec);
    SDL_Surface* dst = target.Native();
    SDL_Rect oldClip;
    SDL_GetClipRect(dst, &oldClip);
    SDL_Rect clip{box.x, box.y, box.w, box.h < 0 ? dst->h : box.h};
    SDL_SetClipRect(dst, &clip);
    const SDL_Color c{colour.red, colour.green, colour.blue, 255};
    int y = box.y;
    for (const std::string& line : layout.lines) {
        if (!line.empty()) {
            // Palette surfaces take unblended glyphs; deeper ones anti-aliased, blended.
            SDL_Surface* glyphs = target.BitsPerPixel() <= 8 ? TTF_RenderUTF8_Solid(font, line.c_str(), c)
                                                             : TTF_RenderUTF8_Blended(font, line.c_str(), c);
            if (!glyphs) {
                SDL_SetClipRect(dst, &oldClip);
                throw vTextException_c(std::string("Cannot draw text: ") + TTF_GetError());
            }
            int x = align == TextAlign::Centre ? box.x + (box.w - glyphs->w) / 2 : box.x;
            SDL_Rect at{x, y, glyphs->w, glyphs->h};
            SDL_BlitSurface(glyphs, nullptr, dst, &at);
            SDL_FreeSurface(glyphs);
        }
        y += layout.lineHeight;
    }
    SDL_SetClipRect(dst, &oldClip);
    return layout;
}

}  // namespace platform
