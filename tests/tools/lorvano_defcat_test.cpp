// lorvano-defcat: prints a loaded tree that loads back to the same text, and
// reports load errors with a non-zero exit code.

#include <gtest/gtest.h>

#include <cstdio>
#include <string>

#include "../objects/stream_test_util.h"
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
