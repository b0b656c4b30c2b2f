#include "platform/exception.h"
#include "platform/text.h"

#include <gtest/gtest.h>

#include <cstring>

using namespace platform;

namespace {

uint32_t At(Surface& s, int x, int y) {
    uint8_t* p;
    int pitch;
    EXPECT_EQ(s.Lock(&p, &pitch), 0);
    uint32_t v;
    std::memcpy(&v, p + y * pitch + 4 * x, 4);
    s.Unlock();
    return v;
}

// Columns that hold a pixel differing from the background.
std::pair<int, int> InkColumns(Surface& s, uint32_t background) {
    int first = -1, last = -1;
    for (int x = 0; x < s.Width(); ++x)
        for (int y = 0; y < s.Height(); ++y)
            if ((At(s, x, y) & 0xFFFFFF) != background) {
                if (first < 0) first = x;
                last = x;
                break;
            }
    return {first, last};
}

const std::string kLong = "The quick brown fox jumps over the lazy dog and keeps running far away";

}  // namespace

TEST(Fonts, FacesMatchInstalledFonts) {
    EXPECT_NE(MatchFontFile("Arial", false).find("LiberationSans-Regular"), std::string::npos);
    EXPECT_NE(MatchFontFile("Arial", true).find("LiberationSans-Bold"), std::string::npos);
    EXPECT_NE(MatchFontFile("Times New Roman", true).find("LiberationSerif-Bold"), std::string::npos);
    EXPECT_NE(MatchFontFile("DejaVu Sans", false).find("DejaVuSans"), std::string::npos);
    // An unknown family still gives some installed font.
    EXPECT_FALSE(MatchFontFile("No Such Family", false).empty());
}

TEST(Fonts, PointsAtNinetySixDpi) {
    int h12 = LayoutText({"Arial", false, 12}, "Hg", 500).lineHeight;
    int h24 = LayoutText({"Arial", false, 24}, "Hg", 500).lineHeight;
    // 12 points are 16 pixels of em; the line skip of Liberation Sans is about 1.15 em.
    EXPECT_NEAR(h12, 18, 2);
    EXPECT_NEAR(h24, 2 * h12, 2);
    EXPECT_GT(TextWidth({"Arial", true, 20}, "Wide"), TextWidth({"Arial", false, 20}, "Wide"));
}

TEST(TextLayout, WrapsWordsIntoTheWidth) {
    FontSpec f{"Arial", false, 12};
    TextLayout one = LayoutText(f, "short", 400);
    EXPECT_EQ(one.lines, (std::vector<std::string>{"short"}));
    EXPECT_EQ(one.height, one.lineHeight);

    TextLayout l = LayoutText(f, kLong, 120);
    ASSERT_GT(l.lines.size(), 2u);
    std::string joined;
    for (const auto& line : l.lines) {
        EXPECT_LE(TextWidth(f, line), 120) << line;
        EXPECT_NE(line.front(), ' ');
        joined += (joined.empty() ? "" : " ") + line;
    }
    EXPECT_EQ(joined, kLong);  // nothing lost, words kept whole
    EXPECT_EQ(l.height, static_cast<int>(l.lines.size()) * l.lineHeight);
    EXPECT_EQ(l.fullHeight, l.height);
    EXPECT_FALSE(l.truncated);
    // Explicit breaks start new lines; an over-long word is broken.
    EXPECT_EQ(LayoutText(f, "a\nb", 400).lines, (std::vector<std::string>{"a", "b"}));
    TextLayout w = LayoutText(f, "Pneumonoultramicroscopicsilicovolcanoconiosis", 60);
    EXPECT_GT(w.lines.size(), 1u);
    for (const auto& line : w.lines) EXPECT_LE(TextWidth(f, line), 60);
}

TEST(TextLayout, EllipsisWhenTooTall) {
    FontSpec f{"Times New Roman", false, 12};
    TextLayout full = LayoutText(f, kLong, 120);
    TextLayout cut = LayoutText(f, kLong, 120, 2 * full.lineHeight + 3);
    EXPECT_TRUE(cut.truncated);
    ASSERT_EQ(cut.lines.size(), 2u);
    EXPECT_EQ(cut.lines[0], full.lines[0]);
    EXPECT_EQ(cut.lines[1].substr(cut.lines[1].size() - 3), "...");
    EXPECT_LE(TextWidth(f, cut.lines[1]), 120);
    EXPECT_EQ(cut.height, 2 * cut.lineHeight);
    EXPECT_EQ(cut.fullHeight, full.height);
}

TEST(TextBox, DrawsCentredInColourOnATransparentBackground) {
    auto s = Surface::Create(200, 40, 32);
    s->Fill({0, 0, 200, 40}, 0x00FF00);
    TextLayout l = DrawTextBox(*s, {0, 0, 200, 40}, "Hello", {"Arial", true, 16}, {0, 0, 255}, TextAlign::Centre);
    EXPECT_EQ(l.lines.size(), 1u);
    auto [first, last] = InkColumns(*s, 0x00FF00);
    ASSERT_GE(first, 0);
    EXPECT_NEAR(first, 199 - last, 3);  // equal margins
    // Background kept where there is no glyph; the glyph's core is the colour.
    EXPECT_EQ(At(*s, 0, 0) & 0xFFFFFF, 0x00FF00u);
    bool exact = false;
    for (int y = 0; y < 40 && !exact; ++y)
        for (int x = first; x <= last; ++x)
            if ((At(*s, x, y) & 0xFFFFFF) == 0x0000FFu) exact = true;
    EXPECT_TRUE(exact);

    auto left = Surface::Create(200, 40, 32);
    left->Fill({0, 0, 200, 40}, 0);
    DrawTextBox(*left, {10, 0, 190, 40}, "Hello", {"Arial", true, 16}, {255, 255, 255}, TextAlign::Left);
    EXPECT_NEAR(InkColumns(*left, 0).first, 10, 2);
}

TEST(TextBox, ClippedToTheBoxAndOnPaletteSurfaces) {
    auto s = Surface::Create(100, 100, 8);
    s->Fill({0, 0, 100, 100}, 248);
    TextLayout l = DrawTextBox(*s, {0, 0, 100, 20}, kLong, {"Arial", false, 12}, {255, 0, 0}, TextAlign::Left);
    EXPECT_TRUE(l.truncated);
    uint8_t* p;
    int pitch;
    ASSERT_EQ(s->Lock(&p, &pitch), 0);
    int inked = 0;
    for (int y = 0; y < 100; ++y)
        for (int x = 0; x < 100; ++x)
            if (p[y * pitch + x] != 248) {
                EXPECT_LT(y, 20);
                // A palette slot showing pure red (the cube's or the system one).
                EXPECT_EQ(ResolvePaletteEntry(MakeStandardPalette(true), p[y * pitch + x]),
                          (PaletteEntry{255, 0, 0}));
                ++inked;
            }
    s->Unlock();
    EXPECT_GT(inked, 10);
}
