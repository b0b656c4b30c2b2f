// The command-line tools on what is no proper file: a FIFO, a folder, a huge
// sparse WAV, a definition with a million markers. Each must finish at once
// with a message; a tool that blocks is killed (with its process group) by
// timeout after 20 s, and that run fails.

#include <gtest/gtest.h>

#include <sys/stat.h>
#include <unistd.h>

#include <string>

#include "../analysis/wav_bytes.h"
#include "../support/temp_dir.h"
#include "../support/tool_run.h"

namespace {

using lorvano_test::ToolRun;

ToolRun Tool(const std::string& tool, const std::string& args) {
    return lorvano_test::RunTool("timeout -s KILL 20 " + std::string(LORVANO_BINARY_DIR) + "/bin/" + tool + " " + args);
}

bool Has(const ToolRun& r, const std::string& text) { return r.out.find(text) != std::string::npos; }

class HostileFiles : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_EQ(::mkfifo(Fifo().c_str(), 0600), 0);
        // A language folder: names in its definitions are relative to it.
        lorvano_test::WriteFile(dir.File("trainer.ini"), "");
    }
    std::string Fifo() const { return dir.File("f.wav"); }
    lorvano_test::TempDir dir;
};

}  // namespace

TEST_F(HostileFiles, AFifoIsRefusedWhereverAFileIsRead) {
    ToolRun r = Tool("lorvano-analyze", "frames " + Fifo());
    EXPECT_EQ(r.exitCode, 2) << r.out;
    EXPECT_EQ(r.out, "Cannot open wave file " + Fifo() + ": it is not a regular file.\n");

    r = Tool("lorvano-defcat", Fifo());
    EXPECT_EQ(r.exitCode, 1) << r.out;
    EXPECT_EQ(r.out, "lorvano-defcat: cannot open " + Fifo() + ": it is not a regular file\n");

    lorvano_test::WriteFile(dir.File("rec.def"), "<vRecording_c> Obj = { WavFileName = \"f.wav\"; }\n");
    r = Tool("lorvano-defcat", dir.File("rec.def"));
    EXPECT_EQ(r.exitCode, 1) << r.out;
    EXPECT_TRUE(Has(r, "Cannot open wave file f.wav: it is not a regular file.")) << r.out;

    r = Tool("lorvano-roster", "--users " + Fifo() + " list");
    EXPECT_NE(r.exitCode, 0) << r.out;
    EXPECT_TRUE(Has(r, "The users file " + Fifo() + " is not a regular file.")) << r.out;
}

TEST_F(HostileFiles, AFolderIsNoDefinition) {
    const ToolRun r = Tool("lorvano-defcat", dir.Path().string());
    EXPECT_EQ(r.exitCode, 1) << r.out;
    EXPECT_EQ(r.out, "lorvano-defcat: cannot open " + dir.Path().string() + ": it is a folder, not a file\n");
}

TEST_F(HostileFiles, AHugeDefinitionIsRefusedBeforeItIsRead) {
    const std::string path = dir.File("huge.def");
    lorvano_test::WriteFile(path, "");
    ASSERT_EQ(::truncate(path.c_str(), off_t{1} << 31), 0);
    const ToolRun r = Tool("lorvano-defcat", path);
    EXPECT_EQ(r.exitCode, 1) << r.out;
    EXPECT_EQ(r.out, "lorvano-defcat: cannot open " + path + ": it is too large\n");
}

TEST_F(HostileFiles, AHugeSparseWaveIsRefusedBeforeItIsRead) {
    WavFormat format;
    format.dataSizeAuto = false;
    format.dataSize = 0x7ffffff0;
    format.riffSizeAuto = false;
    format.riffSize = 0x7ffffff0u + 36;
    const std::string path = dir.File("huge.wav");
    WriteFile(path, MakeWav(format, {}));
    ASSERT_EQ(::truncate(path.c_str(), off_t{0x7ffffff0} + 44), 0);
    const ToolRun r = Tool("lorvano-analyze", "frames " + path);
    EXPECT_EQ(r.exitCode, 2) << r.out;
    EXPECT_EQ(r.out, "Wave file " + path + " is too long: a recording holds at most 1015 seconds (16 min) of sound.\n");
}

TEST_F(HostileFiles, AMillionMarkersAreRefused) {
    // 2000 markers included 500 times: a small file that declares a million.
    std::string markers;
    for (int i = 0; i < 2000; ++i) markers += "<vSegmentMarker_c>={}\n";
    lorvano_test::WriteFile(dir.File("m.def"), markers);
    std::string text = "<vRecording_c> Obj = { Markers = {\n";
    for (int i = 0; i < 500; ++i) text += "#include m.def\n";
    lorvano_test::WriteFile(dir.File("markers.def"), text + "} }\n");
    const ToolRun r = Tool("lorvano-defcat", dir.File("markers.def"));
    EXPECT_EQ(r.exitCode, 1);
    EXPECT_EQ(r.out, "lorvano-defcat: The list Markers holds more than 10000 elements (error code 0) at file m.def line 1\n");
}
