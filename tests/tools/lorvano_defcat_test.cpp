// lorvano-defcat: prints a loaded tree that loads back to the same text, and
// reports load errors with a non-zero exit code.

#include <gtest/gtest.h>

#include <cstdio>
#include <string>

#include "../objects/stream_test_util.h"
#include "../support/temp_dir.h"
#include "../support/tool_run.h"

namespace {

using lorvano_test::ToolRun;

ToolRun Defcat(const std::string& args) {
    return lorvano_test::RunTool(std::string(LORVANO_BINARY_DIR) + "/bin/lorvano-defcat " + args);
}

}  // namespace

TEST(Defcat, PrintsTheTreeSoThatItLoadsBack) {
    vScratchDir_c dir;
    const std::string in = dir.Write("in.def",
                                     "// a colour\n<vColor_c> Obj = { Red = 255; Green = $10; Blue = 010; }\n");
    const ToolRun first = Defcat(in);
    ASSERT_EQ(first.exitCode, 0) << first.out;
    EXPECT_EQ(first.out, "<vColor_c> Obj = { Red = 255; Green = 16; Blue = 8; Alpha = 0; }\n");
    const ToolRun second = Defcat(dir.Write("out.def", first.out));
    EXPECT_EQ(second.exitCode, 0);
    EXPECT_EQ(second.out, first.out);
}

TEST(Defcat, LoadsIntoTheNamedClass) {
    vScratchDir_c dir;
    const ToolRun r = Defcat(dir.Write("p.def", "x = 4; y = -5;") + " vPointProp_c");
    EXPECT_EQ(r.exitCode, 0);
    EXPECT_EQ(r.out, "x = 4;\ny = -5;\n");
    EXPECT_EQ(Defcat(dir.Path() + "/p.def vNoSuchClass_c").exitCode, 2);
    EXPECT_EQ(Defcat("").exitCode, 2);
}

TEST(Defcat, ReportsErrorsWithTheirPlace) {
    vScratchDir_c dir;
    const std::string bad = dir.Write("bad.def", "<vColor_c> Obj = {\n  Rod = 1;\n}\n");
    ToolRun r = Defcat(bad);
    EXPECT_EQ(r.exitCode, 1);
    EXPECT_EQ(r.out, "lorvano-defcat: Unknown identifier Rod in file " + bad + " line 2 (error code 14)\n");
    r = Defcat(dir.Write("cls.def", "<vNoSuchClass_c> Obj = {}"));
    EXPECT_EQ(r.exitCode, 1);
    EXPECT_NE(r.out.find("Cannot create non vPropCntnr_c derivative class!"), std::string::npos) << r.out;
    EXPECT_NE(r.out.find("cls.def line 1"), std::string::npos) << r.out;
    r = Defcat(dir.Path() + "/missing.def");
    EXPECT_EQ(r.exitCode, 1);
}

TEST(Defcat, KnowsTheClassesOfTheProgram) {
    // Names in the files are relative to their language folder, wherever the tool runs.
    const ToolRun r = Defcat(std::string(LORVANO_SOURCE_DIR) + "/data/english/.Drawer.dat vDxMenu_c");
    EXPECT_EQ(r.exitCode, 0) << r.out;
    EXPECT_NE(r.out.find("<vDxMsgMenuBtn_c>"), std::string::npos) << r.out;
    EXPECT_EQ(Defcat(std::string(LORVANO_SOURCE_DIR) + "/data/english/.Drawer.dat vNoSuchMenu_c").exitCode, 2);
    // A folder with one fault of each kind the checker knows, each reported
    // at its file and line; good files give nothing.
    vScratchDir_c dir;
    const std::string english = std::string(LORVANO_SOURCE_DIR) + "/data/english/";
    dir.Write("Pic/Mouth.jpg", lorvano_test::ReadFile(english + ".Pic/Exercises/Mouth/A.jpg"));
    dir.Write("Words/Cat.wav", lorvano_test::ReadFile(english + "Words/Cat.wav"));
    dir.Write("trainer.ini", "[Application]\nCacheName=\n");
    dir.Write(".Drawer.dat", "Horizontal = FALSE;\nButtons = {\n  <vDxExLoadMenuBtn_c> = {\n"
                             "    Exercise = \"Voice\\\\Gone.exc\";\n  }\n}\n");
    dir.Write("Missing.exc", "<vTrImgExercise_c> Obj = {\n\n  <vDxFileImage_c> ExImage = { FileName = \"Pic/Gone.bmp\"; }\n}\n");
    dir.Write("Good.exc", "<vTrImgExercise_c> Obj = {\n  <vDxFileImage_c> BgImage = { FileName = \"pic/MOUTH.jpg\"; }\n}\n");
    dir.Write("Syntax.exc", "<vTrImgExercise_c> Obj = {\n  DispPos = (150, 110)\n  CardPos = (20, 500);\n}\n");
    dir.Write("Wrong.crd", "// not a card\n<vTrImgExercise_c> Obj = { }\n");
    dir.Write("Words/Cat.dat", "<vRecording_c> Obj = {\n  WavFileName = \"Words/Cat.wav\";\n}\n");
    dir.Write("Words/Dog.dat", "<vRecording_c> Obj = {\n  WavFileName = \"Words/Dog.wav\";\n}\n");
    dir.Write("Pic/Broken.bmp", "not a picture");
    const ToolRun r2 = Defcat("--check " + dir.Path());
    EXPECT_EQ(r2.exitCode, 1);
    const std::string d = dir.Path() + "/";
    EXPECT_EQ(r2.out, d + ".Drawer.dat:4: Cannot open definition file Voice\\Gone.exc\n" +
                          d + "Missing.exc:3: Cannot open file: Pic/Gone.bmp\n" +
                          d + "Syntax.exc:3: Declaration terminated incorrectly\n" +
                          d + "Words/Dog.dat:3: Cannot open wave file Words/Dog.wav!\n" +
                          d + "Wrong.crd:2: Cannot create non vTrExLoadBtn_c derivateive object\n" +
                          d + "Pic/Broken.bmp:0: Bad bitmap file Pic/Broken.bmp: file too short\n");
    EXPECT_EQ(Defcat("--check " + d + "nowhere").exitCode, 2);
}

TEST(Defcat, ChecksTheModelsAndLimitsTheSettingsName) {
    vScratchDir_c dir;
    const std::string values = "(1,2,3,4,5,6,7,8,9,10,11,12,13,14,15,16,17,18,19,20)\n";
    dir.Write("trainer.ini", "[ResDisplay]\nNewCalculation=TRUE\n");
    dir.Write("Models.ini", "[a]\nMinValues=" + values + "MaxValues=" + values + "MinWeight=" + values +
                                "MaxWeight=" + values + "[b]\nMinValues=(1,2)\n");
    dir.Write("Limits.ini", "[Sounds]\na=100\n");
    ToolRun r = Defcat("--check " + dir.Path());
    EXPECT_EQ(r.exitCode, 1);
    const std::string models = dir.Path() + "/Models.ini:6: ";
    EXPECT_EQ(r.out, models + "Error in Models.ini file at [b] label!\n" + models + "No Mark 5 distance limit for b sound\n");
    std::remove((dir.Path() + "/Models.ini").c_str());
    r = Defcat("--check " + dir.Path());
    EXPECT_EQ(r.out, dir.Path() + "/trainer.ini:0: Cannot open Models.ini file!\n");
}
