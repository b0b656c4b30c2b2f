#include "analysis/sound_limits.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "platform/exception.h"
#include "platform/message_box.h"

namespace fs = std::filesystem;

namespace {

class LimitsFile : public ::testing::Test {
protected:
    void SetUp() override {
        path = (fs::temp_directory_path() / ("lorvano_limits_" + std::to_string(::getpid()) + ".ini")).string();
        platform::SetMessageBoxHook([this](const platform::MessageBoxRecord& box) {
            boxes.push_back(box);
            return platform::BoxAnswer::Ok;
        });
    }
    void TearDown() override {
        platform::SetMessageBoxHook({});
        fs::remove(path);
    }
    void Write(const std::string& text) { std::ofstream(path, std::ios::binary) << text; }

    std::string path;
    std::vector<platform::MessageBoxRecord> boxes;
};

const char* kLimits =
    "; mark limits\n"
    "[Sounds]\n"
    "a: = 400\n"
    "\tS=300\r\n"
    "e\n"
    "[OtherMarks]\n"
    "  Mark2 = 150\n"
    "Mark3=130\n"
    "Mark4=115\n"
    "[Constants]\n"
    "Const2-1=3\n"
    "Const2-2 = 200\n"
    "Const2-3=600\n"
    "Tracking_word=200\n"
    "x\n";

}  // namespace

TEST_F(LimitsFile, ParsesLinesAsStored) {
    Write(kLimits);
    vSoundLimits limits("", path);
    // The comment and the two short lines ("e", "x") are skipped.
    ASSERT_EQ(limits.LineCount(), 12);
    EXPECT_EQ(limits.LineKey(0), "[Sounds]");
    EXPECT_EQ(limits.LineValue(0), -1);
    EXPECT_EQ(limits.LineKey(1), "a:");
    EXPECT_EQ(limits.LineValue(1), 400);
    EXPECT_EQ(limits.LineKey(2), "S");
    EXPECT_EQ(limits.LineValue(2), 300);
    // Leading blanks and blanks around "=" are dropped.
    EXPECT_EQ(limits.LineKey(4), "Mark2");
    EXPECT_EQ(limits.LineValue(4), 150);
    EXPECT_EQ(limits.Constant(2, 1), 3);
    EXPECT_EQ(limits.Constant(2, 2), 200);
    EXPECT_EQ(limits.Constant(2, 3), 600);
    EXPECT_EQ(limits.TrackingWord(), 200);
    // Not in the file: the defaults.
    EXPECT_EQ(limits.Constant(1, 1), 0);
    EXPECT_EQ(limits.TrackingIsol(), 0);
    EXPECT_EQ(limits.AffricateLimit(), -5000);
    EXPECT_TRUE(boxes.empty());
}

TEST_F(LimitsFile, LookupRules) {
    Write("[A]\nk=1\nnovalue\n[B]\nk=2\n[C] trailing\nz=3\n");
    vSoundLimits limits("", path);
    int32_t v = 77;
    EXPECT_TRUE(limits.Lookup("A", "k", v));
    EXPECT_EQ(v, 1);
    EXPECT_TRUE(limits.Lookup("A", "novalue", v));
    EXPECT_EQ(v, -2);
    EXPECT_TRUE(limits.Lookup("B", "k", v));
    EXPECT_EQ(v, 2);
    // The scan stops at the next section.
    v = 77;
    EXPECT_FALSE(limits.Lookup("A", "z", v));
    EXPECT_EQ(v, -1);
    // A missing section leaves the value alone; sections are case-sensitive.
    v = 77;
    EXPECT_FALSE(limits.Lookup("a", "k", v));
    EXPECT_EQ(v, 77);
    // The header is stored up to and including "]".
    EXPECT_TRUE(limits.Lookup("C", "z", v));
    EXPECT_EQ(v, 3);
}

TEST_F(LimitsFile, SelectSoundWithBothLengthForms) {
    Write(kLimits);
    vSoundLimits limits("a", path);
    // "a" is found as "a:": 400 and 150 %, 130 %, 115 % of it, rounded.
    EXPECT_EQ(limits.MarkLimits()[3], 400);
    EXPECT_EQ(limits.MarkLimits()[0], 600);
    EXPECT_EQ(limits.MarkLimits()[1], 520);
    EXPECT_EQ(limits.MarkLimits()[2], 460);
    std::string code = "S:";
    limits.SelectSound(code);
    EXPECT_EQ(code, "S");
    EXPECT_EQ(limits.MarkLimits()[3], 300);
    EXPECT_EQ(limits.MarkLimits()[2], 345);
    EXPECT_TRUE(boxes.empty());

    code = "o";
    limits.SelectSound(code);
    EXPECT_EQ(limits.MarkLimits()[3], 0);
    // The other limits stay as they were.
    EXPECT_EQ(limits.MarkLimits()[2], 345);
    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_EQ(boxes[0].caption, "Warning");
    EXPECT_EQ(boxes[0].text, "No Mark 5 distance limit for o sound\nThe feedback can't work properly!!!");
}

TEST_F(LimitsFile, OtherLengthForm) {
    EXPECT_EQ(vSoundLimits::OtherLengthForm("a"), "a:");
    EXPECT_EQ(vSoundLimits::OtherLengthForm("a:"), "a");
    EXPECT_EQ(vSoundLimits::OtherLengthForm("a:b"), "a");
    EXPECT_EQ(vSoundLimits::OtherLengthForm(""), ":");
}

TEST_F(LimitsFile, BadFiles) {
    try {
        vSoundLimits limits("", path + ".missing");
        FAIL();
    } catch (const vTextException_c& e) {
        EXPECT_EQ(e.Text(), "Cannot open " + path + ".missing file!");
    }
    // More than 80 lines: the rest is ignored.
    std::string many = "[Sounds]\n";
    for (int i = 0; i < 100; ++i) many += "s" + std::to_string(i) + "=" + std::to_string(i) + "\n";
    Write(many);
    {
        vSoundLimits limits("", path);
        EXPECT_EQ(limits.LineCount(), 80);
        int32_t v = 0;
        EXPECT_TRUE(limits.Lookup("Sounds", "s78", v));
        EXPECT_FALSE(limits.Lookup("Sounds", "s79", v));
    }
    // An over-long line keeps its start and does not spill into a new line;
    // keys are cut to 19 characters; huge numbers are limited.
    Write("[Sounds]\n" + std::string(500, 'k') + "=5\nabcdefghijklmnopqrstuvwxyz=7\nbig=99999999999999\n");
    {
        vSoundLimits limits("", path);
        EXPECT_EQ(limits.LineCount(), 4);
        EXPECT_EQ(limits.LineKey(1), std::string(19, 'k'));
        EXPECT_EQ(limits.LineValue(1), -2);
        EXPECT_EQ(limits.LineKey(2), "abcdefghijklmnopqrs");
        EXPECT_EQ(limits.LineValue(3), INT32_MAX);
    }
    // Garbage: binary bytes, no newline at the end.
    Write(std::string("\x00\xff[=]\n==\x01\x02", 10));
    EXPECT_NO_THROW(vSoundLimits("", path));
}
