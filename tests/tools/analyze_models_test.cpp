// lorvano-analyze models: the files it builds from the bundled etalons read
// back through the trainer's own readers exactly as written, and the marks
// they give tell the etalon's own word from another word.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <filesystem>
#include <map>
#include <sstream>
#include <string>
#include <vector>

#include "../support/temp_dir.h"
#include "../support/tool_run.h"
#include "analysis/sound_limits.h"
#include "analysis/sound_marks.h"
#include "analysis/sound_model_builder.h"
#include "platform/exception.h"
#include "platform/message_box.h"

namespace {

namespace fs = std::filesystem;

const std::string kTool = std::string(LORVANO_BINARY_DIR) + "/bin/lorvano-analyze";
const std::string kEnglish = std::string(LORVANO_SOURCE_DIR) + "/data/english";

struct Section {
    std::string code;
    std::map<std::string, std::vector<int>> lists;  // MinValues ... MaxWeight
};

// The models file parsed on its own terms: "[code]" then "Name=(v,...)" lines.
std::vector<Section> ParseModels(const std::string& text) {
    std::vector<Section> sections;
    std::istringstream in(text);
    for (std::string line; std::getline(in, line);) {
        if (line.empty() || line[0] == ';') continue;
        if (line[0] == '[') {
            sections.push_back({line.substr(1, line.find(']') - 1), {}});
            continue;
        }
        const size_t eq = line.find('=');
        std::vector<int>& values = sections.back().lists[line.substr(0, eq)];
        std::istringstream list(line.substr(eq + 2));
        for (int v; list >> v; list.ignore(1)) values.push_back(v);
    }
    return sections;
}

class ModelsTool : public ::testing::Test {
protected:
    void SetUp() override {
        platform::SetMessageBoxHook([this](const platform::MessageBoxRecord& box) {
            boxes.push_back(box.text);
            return platform::BoxAnswer::Ok;
        });
    }
    void TearDown() override { platform::SetMessageBoxHook({}); }

    lorvano_test::TempDir out;
    std::vector<std::string> boxes;
};

TEST_F(ModelsTool, WritesWhatTheReadersReadBack) {
    const lorvano_test::ToolRun r = lorvano_test::RunTool(kTool + " models " + kEnglish + "/Words/*.dat --data " +
                                                          kEnglish + " --out " + out.Path().string());
    ASSERT_EQ(r.exitCode, 0) << r.out;
    // The four words at the top of the bundled Words folder, and as many
    // sounds as their markers name.
    const size_t said = r.out.find("recordings=4 sounds=");
    ASSERT_NE(said, std::string::npos) << r.out;
    const size_t sounds = std::stoul(r.out.substr(said + std::string("recordings=4 sounds=").size()));
    EXPECT_GE(sounds, 8u) << r.out;
    const std::string models = (out.Path() / "Models.ini").string(), limits = (out.Path() / "Limits.ini").string();

    // Models: every section, read by the word exercise's reader, gives the
    // middle of its MinValues and MaxValues and its weights.
    const std::vector<Section> sections = ParseModels(lorvano_test::ReadFile(models));
    ASSERT_EQ(sections.size(), sounds);
    vSoundFrames_c frames;
    frames.Allocate(static_cast<int32_t>(sections.size()), 0);
    for (size_t i = 0; i < sections.size(); ++i) frames.SetCode(static_cast<int32_t>(i), sections[i].code);
    ASSERT_TRUE(frames.LoadModels(models));
    EXPECT_TRUE(boxes.empty());
    for (size_t i = 0; i < sections.size(); ++i) {
        const Section& s = sections[i];
        SCOPED_TRACE(s.code);
        for (const char* name : {"MinValues", "MaxValues", "MinWeight", "MaxWeight"})
            ASSERT_EQ(s.lists.at(name).size(), 20u) << name;
        const auto& f = frames[static_cast<int32_t>(i)];
        for (size_t k = 0; k < 20; ++k) {
            EXPECT_LE(s.lists.at("MinValues")[k], s.lists.at("MaxValues")[k]);
            EXPECT_EQ(f.model[k], static_cast<int>(std::trunc((s.lists.at("MinValues")[k] + s.lists.at("MaxValues")[k]) / 2.0 + 0.5)));
            EXPECT_EQ(f.minWeight[k], s.lists.at("MinWeight")[k]);
            EXPECT_EQ(f.maxWeight[k], s.lists.at("MaxWeight")[k]);
            EXPECT_GE(f.minWeight[k], 1);
        }
    }

    // Limits: every sound has its mark 5 limit and the marks below it in the
    // written proportions; the constants are those written.
    vSoundLimits table("", limits);
    EXPECT_EQ(table.LineCount(), vSoundModelBuilder_c::kFixedLimitLines + static_cast<int>(sounds));
    for (const Section& s : sections) {
        int32_t mark5 = 0;
        ASSERT_TRUE(table.Lookup("Sounds", s.code, mark5)) << s.code;
        EXPECT_GE(mark5, 50);
        std::string code = s.code;
        table.SelectSound(code);
        EXPECT_EQ(table.MarkLimits()[3], mark5);
        EXPECT_EQ(table.MarkLimits()[2], static_cast<int32_t>(120.0 * mark5 / 100 + 0.5));
        EXPECT_EQ(table.MarkLimits()[0], static_cast<int32_t>(200.0 * mark5 / 100 + 0.5));
    }
    // "u:" is found when a say names it "u".
    std::string shortU = "u";
    table.SelectSound(shortU);
    EXPECT_EQ(shortU, "u:");
    EXPECT_TRUE(boxes.empty()) << boxes.front();
    for (int row = 1; row <= 3; ++row)
        for (int col = 1; col <= 3; ++col)
            EXPECT_EQ(table.Constant(row, col), vSoundModelBuilder_c::kConstants[row - 1][col - 1]);
    EXPECT_EQ(table.TrackingWord(), vSoundModelBuilder_c::kTracking);
    EXPECT_EQ(table.TrackingIsol(), vSoundModelBuilder_c::kTracking);
    EXPECT_EQ(table.AffricateLimit(), -5000);  // no affricate among the words
    EXPECT_EQ(lorvano_test::CountEntries(out.Path()), 2);  // no provisional limits left

    // The per-sound marks of the new calculation: the etalon said again
    // scores 5 on every sound, another word scores low on every sound.
    lorvano_test::TempDir data;
    for (const char* f : {"coef.dat", "calib.txt", "trainer.ini"}) fs::copy_file(kEnglish + "/" + f, data.Path() / f);
    fs::copy_file(models, data.Path() / "Models.ini");
    fs::copy_file(limits, data.Path() / "Limits.ini");
    // The etalon's definition names its recording from the language folder.
    fs::create_directory_symlink(kEnglish + "/Words", data.Path() / "Words");
    auto marks = [&](const std::string& say) {
        const lorvano_test::ToolRun s = lorvano_test::RunTool("cd " + kEnglish + " && " + kTool +
                                                              " score Words/Cat.wav " + say + " --sounds Words/Cat.dat --data " +
                                                              data.Path().string());
        EXPECT_EQ(s.exitCode, 0) << s.out;
        std::vector<int> found;
        std::istringstream lines(s.out);
        for (std::string line; std::getline(lines, line);) {
            int mark = 0;
            if (std::sscanf(line.c_str(), "sound=%*s frames=%*d mark=%d", &mark) == 1) found.push_back(mark);
        }
        return found;
    };
    EXPECT_EQ(marks("Words/Cat.wav"), (std::vector<int>{5, 5, 5}));
    const std::vector<int> other = marks("Words/Fish.wav");
    ASSERT_EQ(other.size(), 3u);
    for (int m : other) EXPECT_LE(m, 2);
}

TEST(ModelsText, RefusesWhatTheLimitsFileCannotHold) {
    vSoundModelBuilder_c empty;
    lorvano_test::TempDir out;
    EXPECT_THROW(empty.Write((out.Path() / "M.ini").string(), (out.Path() / "L.ini").string()), vException_c);
    EXPECT_FALSE(fs::exists(out.Path() / "M.ini"));
}

}  // namespace
