// The acoustic judge on real speech, with the installed model: espeak-ng's
// "spoon" scores its [s] far above "boon" said for it (the trained sound
// replaced) and above another word, "sea" above "tea" said for it, and
// marks them apart, a say scoring the same whatever was judged before it;
// the same word given at 16 kHz scores as at 22050 Hz, and with silence or a
// quiet room's hiss around it as without. Bad input never crashes: a missing
// or damaged model folder throws naming it; an empty or unknown phone
// string, silence and a 10 ms say give a judgment with an error and no mark.
// Every SAMPA code of the course's sound models names a phone of the table.
#include <gtest/gtest.h>

#include <unistd.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <regex>
#include <set>
#include <string>
#include <vector>

#include "../espeak_speech.h"
#include "analysis/scoring/acoustic_judge.h"
#include "analysis/scoring/phone_strings.h"
#include "platform/exception.h"

namespace fs = std::filesystem;

namespace {

constexpr int32_t kRate = 22050;

class AcousticJudgeTest : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        judge = new vAcousticJudge_c(vAcousticJudge_c::DefaultModelFolder(), vAcousticScoreSettings_c{});
    }
    static void TearDownTestSuite() { delete judge; }
    static vAcousticJudgment_c Judge(const std::vector<int16_t>& say, const std::vector<std::string>& phones,
                                     int32_t rate = kRate) {
        return judge->Judge(say.data(), say.size(), rate, phones, "s");
    }
    static vAcousticJudge_c* judge;
};
vAcousticJudge_c* AcousticJudgeTest::judge = nullptr;

TEST_F(AcousticJudgeTest, RightWordScoresItsTrainedSoundAboveReplacedAndOtherWords) {
    const std::vector<int16_t> spoon = Speech("spoon", -3), boon = Speech("boon", -3), brush = Speech("brush", -3),
                               sea = Speech("sea", -3), tea = Speech("tea", -3);
    ASSERT_FALSE(spoon.empty() || boon.empty() || brush.empty() || sea.empty() || tea.empty())
        << "espeak-ng or sox missing";
    const std::vector<std::string> phones = judge->PhonesOf("Spoon");
    ASSERT_EQ(phones, (std::vector<std::string>{"S", "P", "UW", "N"}));

    const vAcousticJudgment_c right = Judge(spoon, phones), replaced = Judge(boon, phones),
                              other = Judge(brush, phones);
    ASSERT_TRUE(right.Marked()) << right.error;
    ASSERT_TRUE(replaced.Marked()) << replaced.error;
    ASSERT_EQ(right.phones.size(), 4u);
    EXPECT_EQ(right.phones[0].sampa, "s");
    EXPECT_EQ(right.targetScore, right.phones[0].score);
    ASSERT_TRUE(other.Marked()) << other.error;
    // Nats per frame: a right sound is near the free loop, a wrong one far below.
    EXPECT_GT(right.targetScore, replaced.targetScore + 3);
    EXPECT_GT(right.targetScore, other.targetScore + 5);
    // The marks with the limits fitted on the tuning voices.
    EXPECT_GT(right.mark, replaced.mark);
    EXPECT_GT(right.mark, other.mark);
    EXPECT_GE(right.mark, 4);
    EXPECT_LE(replaced.mark, 3);
    EXPECT_LE(other.mark, 2);
    // In the trained sound's place another sound fits the replaced word far
    // better than the expected one; in the right word barely.
    EXPECT_NE(replaced.targetRival, "S");
    EXPECT_GT(replaced.targetContrast, right.targetContrast + 3);

    // "tea" said for "sea".
    const std::vector<std::string> seaPhones = judge->PhonesOf("sea");
    const vAcousticJudgment_c seaRight = Judge(sea, seaPhones), teaForSea = Judge(tea, seaPhones);
    ASSERT_TRUE(seaRight.Marked() && teaForSea.Marked()) << seaRight.error << teaForSea.error;
    EXPECT_GT(seaRight.targetScore, teaForSea.targetScore + 5);
    EXPECT_GT(seaRight.wordScore, teaForSea.wordScore + 2);
    EXPECT_EQ(teaForSea.mark, 1);
    // A say scores as it did before the others were judged.
    EXPECT_EQ(Judge(spoon, phones).score, right.score);

    // The same word at the model's own rate: resampling changes little.
    const std::vector<int16_t> at16k = RawFromShell("espeak-ng -w speech.wav spoon && sox speech.wav -r 16000 -c 1 "
                                                    "-b 16 -e signed-integer -t raw \"$OUT\" gain -n -3");
    const vAcousticJudgment_c direct = Judge(at16k, phones, 16000);
    ASSERT_TRUE(direct.Marked()) << direct.error;
    EXPECT_NEAR(direct.targetScore, right.targetScore, 1.5);
}

TEST_F(AcousticJudgeTest, WhatSurroundsTheWordMovesItsScoreLittle) {
    // The same word bare, with 0.3 s of digital silence either side (as a
    // file may hold it), and over a quiet room's hiss as well (as a
    // microphone hears it): the silence once moved the score by nearly 5, the hiss by 2.
    const std::vector<int16_t> spoon = Speech("spoon", -3);
    const size_t edge = kRate * 3 / 10;
    std::vector<int16_t> padded(edge, 0);
    padded.insert(padded.end(), spoon.begin(), spoon.end());
    padded.insert(padded.end(), edge, 0);
    std::vector<int16_t> room = padded;
    const std::vector<int16_t> hiss = PinkNoise(room.size(), -57);
    ASSERT_FALSE(spoon.empty() || hiss.empty()) << "espeak-ng or sox missing";
    for (size_t i = 0; i < room.size(); ++i) room[i] = static_cast<int16_t>(std::clamp(room[i] + hiss[i], -32768, 32767));

    const std::vector<std::string> phones = judge->PhonesOf("Spoon");
    const vAcousticJudgment_c bare = Judge(spoon, phones), silent = Judge(padded, phones), quiet = Judge(room, phones);
    ASSERT_TRUE(bare.Marked() && silent.Marked() && quiet.Marked()) << bare.error << silent.error << quiet.error;
    EXPECT_NEAR(silent.score, bare.score, 1.5);
    EXPECT_NEAR(quiet.score, bare.score, 1.5);
    // The phones keep their places in the say: 30 frames later after the silence.
    ASSERT_EQ(silent.phones.size(), bare.phones.size());
    EXPECT_NEAR(silent.phones[1].firstFrame, bare.phones[1].firstFrame + 30, 2);
}

TEST_F(AcousticJudgeTest, BadSaysAndPhoneStringsGiveAnErrorAndNoMark) {
    const std::vector<int16_t> spoon = Speech("spoon", -3);
    ASSERT_FALSE(spoon.empty()) << "espeak-ng or sox missing";
    const std::vector<std::string> phones{"S", "P", "UW", "N"};
    const vAcousticJudgment_c empty = Judge(spoon, {});
    const vAcousticJudgment_c unknown = Judge(spoon, {"S", "XX"});
    const vAcousticJudgment_c silence = Judge(std::vector<int16_t>(kRate, 0), phones);
    const vAcousticJudgment_c tenMs = Judge(std::vector<int16_t>(spoon.begin(), spoon.begin() + kRate / 100), phones);
    const vAcousticJudgment_c noRate = Judge(spoon, phones, 0);
    for (const vAcousticJudgment_c* j : {&empty, &unknown, &silence, &tenMs, &noRate}) {
        EXPECT_FALSE(j->Marked());
        EXPECT_EQ(j->mark, -1);
        EXPECT_TRUE(j->phones.empty());
    }
    EXPECT_NE(unknown.error.find("XX"), std::string::npos);
    EXPECT_NE(silence.error.find("silence"), std::string::npos);
    EXPECT_NE(tenMs.error.find("too short"), std::string::npos);
    // The judge still works after them.
    EXPECT_TRUE(Judge(spoon, phones).Marked());
    EXPECT_TRUE(judge->PhonesOf("notawordatall").empty());
    // A name of several words is said as they are; one the dictionary lacks leaves none.
    EXPECT_EQ(judge->PhonesOf("Red_fish 2"), (std::vector<std::string>{"R", "EH", "D", "F", "IH", "SH"}));
    EXPECT_TRUE(judge->PhonesOf("fish notawordatall").empty());
    EXPECT_TRUE(judge->PhonesOf("\xc4\x8c" "at").empty());  // "Čat", not "at"
}

TEST(AcousticModelTest, MissingOrDamagedFolderThrowsNamingIt) {
    const fs::path dir = fs::temp_directory_path() / ("lorvano_model_" + std::to_string(::getpid()));
    fs::remove_all(dir);
    const auto message = [](const std::string& folder) {
        try {
            vAcousticJudge_c judge(folder, {});
        } catch (const vTextException_c& e) {
            return e.Text();
        }
        return std::string("no exception");
    };
    EXPECT_NE(message(dir.string()).find(dir.string()), std::string::npos);

    // Every file of the installed model, but a damaged model definition.
    const fs::path installed = vAcousticJudge_c::DefaultModelFolder();
    fs::create_directories(dir / "en-us");
    for (const auto& entry : fs::recursive_directory_iterator(installed))
        if (entry.is_regular_file() && entry.path().filename() != "mdef")
            fs::create_symlink(entry.path(), dir / fs::relative(entry.path(), installed));
    std::ofstream(dir / "en-us" / "mdef") << "not a model definition\n";
    const std::string damaged = message(dir.string());
    EXPECT_NE(damaged.find(dir.string()), std::string::npos) << damaged;
    EXPECT_NE(damaged.find("damaged"), std::string::npos) << damaged;
    fs::remove_all(dir);
}

TEST(PhoneStringsTest, EveryCodeOfTheCourseModelsNamesAPhone) {
    std::ifstream models(std::string(LORVANO_SOURCE_DIR) + "/data/english/Models.ini");
    ASSERT_TRUE(models);
    const std::vector<std::string> arpabet{"AA", "AE", "AH", "AO", "AW", "AY", "B",  "CH", "D",  "DH",
                                           "EH", "ER", "EY", "F",  "G",  "HH", "IH", "IY", "JH", "K",
                                           "L",  "M",  "N",  "NG", "OW", "OY", "P",  "R",  "S",  "SH",
                                           "T",  "TH", "UH", "UW", "V",  "W",  "Y",  "Z",  "ZH"};
    std::string line;
    std::set<std::string> codes;
    const std::regex section(R"(^\[([^\]]+)\])");
    std::smatch m;
    while (std::getline(models, line))
        if (std::regex_search(line, m, section)) codes.insert(m[1]);
    ASSERT_GT(codes.size(), 20u);
    for (const std::string& code : codes) {
        int named = 0;
        for (const std::string& phone : arpabet) named += PhoneSaysSampa(phone, code);
        EXPECT_EQ(named, 1) << code;
    }
    for (const std::string& phone : arpabet) EXPECT_TRUE(PhoneSaysSampa(phone, SampaOfPhone(phone))) << phone;
    EXPECT_EQ(ParsePhones(" f ih1  SH\t"), (std::vector<std::string>{"F", "IH", "SH"}));
    // "i" (cherry's end) is the short form of IY's "i:", not IH.
    EXPECT_TRUE(PhoneSaysSampa("IY", "i"));
    EXPECT_FALSE(PhoneSaysSampa("IH", "i"));
}

}  // namespace
