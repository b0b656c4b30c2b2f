#include "analysis/markers.h"

#include <gtest/gtest.h>

#include "objects/registration.h"
#include "platform/exception.h"

namespace {
std::string TextOf(const std::function<void()>& f) {
    try {
        f();
    } catch (const vTextException_c& e) {
        return e.Text();
    }
    return "";
}
}  // namespace

TEST(SegmentMarker, PositionsAndTheirMessages) {
    vSegmentMarker_c m;
    EXPECT_FALSE(m.IsAbsolute());
    EXPECT_EQ(m.pos, kMarkerUndefined);
    EXPECT_EQ(m.absPos, kMarkerUndefined);
    EXPECT_EQ(TextOf([&] { m.MakeAbsolute(3); }), "Marker is undefined!");

    m.SetPos(7, false);
    EXPECT_EQ(m.GetPos(false), 7);
    EXPECT_EQ(TextOf([&] { m.GetPos(true); }), "Marker already relative!");
    m.MakeAbsolute(20);
    EXPECT_TRUE(m.IsAbsolute());
    EXPECT_EQ(m.GetPos(true), 27);
    EXPECT_EQ(m.pos, kMarkerUndefined);
    EXPECT_EQ(TextOf([&] { m.GetPos(false); }), "Marker already absolute!");
    EXPECT_EQ(TextOf([&] { m.MakeAbsolute(20); }), "Marker already absolute!");

    m.SetPos(4, false);
    EXPECT_FALSE(m.IsAbsolute());
    EXPECT_EQ(m.absPos, kMarkerUndefined);
}

TEST(SegmentMarker, CloneKeepsLabelCodeAndRelativePositionOnly) {
    vSegmentMarker_c m;
    m.label = "sh";
    m.segmentCode = "\\'S";
    m.fontName = "Serif";
    m.fontSize = 30;
    m.SetPos(12, true);
    auto clone = m.Clone();
    auto& c = dynamic_cast<vSegmentMarker_c&>(*clone);
    EXPECT_EQ(c.label, "sh");
    EXPECT_EQ(c.segmentCode, "\\'S");
    EXPECT_EQ(c.fontName, "");
    EXPECT_EQ(c.fontSize, 10);
    EXPECT_EQ(c.pos, kMarkerUndefined);
    EXPECT_EQ(c.absPos, kMarkerUndefined);

    m.SetPos(3, false);
    EXPECT_EQ(dynamic_cast<vSegmentMarker_c&>(*m.Clone()).pos, 3);
    // A full copy keeps everything.
    auto copy = m.Copy();
    EXPECT_EQ(dynamic_cast<vSegmentMarker_c&>(*copy).fontSize, 30);
}

TEST(SegmentMarker, FontFallsBackToTheOwnerThenArial) {
    vSegmentMarker_c m;
    EXPECT_EQ(m.EffectiveFontName(""), "Arial");
    EXPECT_EQ(m.EffectiveFontName("Sans"), "Sans");
    m.fontName = "Mono";
    EXPECT_EQ(m.EffectiveFontName("Sans"), "Mono");
}

TEST(RecMarkerList, OwnsCopiesAndConvertsRelativeMarkers) {
    vRecMarkerList_c list;
    auto a = std::make_unique<vSegmentMarker_c>();
    a->SetPos(2, false);
    auto b = std::make_unique<vSegmentMarker_c>();
    b->SetPos(50, true);
    list.Add(std::move(a));
    list.Add(std::move(b));
    list.Add(std::make_unique<vSegmentMarker_c>());  // never placed

    vRecMarkerList_c copy = list;
    EXPECT_EQ(list.MakeRelativeAbsolute(10), 1);
    EXPECT_EQ(list[0].GetPos(true), 12);
    EXPECT_EQ(list[1].GetPos(true), 50);
    EXPECT_FALSE(list[2].IsAbsolute());
    // The copy was taken before and is independent.
    EXPECT_FALSE(copy[0].IsAbsolute());
    EXPECT_EQ(copy.Count(), 3u);
}

TEST(SegmentMarker, PropertiesFromText) {
    std::unique_ptr<vPropCntnr_c> object(gTypeRegistry.CreateByName("vSegmentMarker_c"));
    auto* marker = dynamic_cast<vSegmentMarker_c*>(object.get());
    ASSERT_NE(marker, nullptr);
    const ConversionContext ctx;
    auto set = [&](const char* path, const char* text) {
        vPropCntnrIterator_c it(marker);
        auto found = it.FindPath(path, "", false);
        ASSERT_TRUE(found) << path;
        EXPECT_GT(found->SetFromText(text, ctx), 0u) << path;
    };
    set("SegmentCode", "\"a:\"");
    set("Label", "\"long a\"");
    set("Pos", "12");
    set("FontSize", "0x10");
    EXPECT_EQ(marker->segmentCode, "a:");
    EXPECT_EQ(marker->label, "long a");
    EXPECT_EQ(marker->GetPos(false), 12);
    EXPECT_EQ(marker->fontSize, 16);
    EXPECT_FALSE(marker->IsAbsolute());
    // The abstract base cannot be made.
    EXPECT_THROW(gTypeRegistry.CreateByName("vRecordMarker_c"), vException_c);
}
