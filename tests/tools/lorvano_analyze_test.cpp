// The analysis tool end to end, on speech made by espeak-ng at test time:
// the same word spoken twice at different speeds and pitches must score
// clearly better than two different words.
#include <gtest/gtest.h>

#include <sys/wait.h>

#include <array>
#include <cstdio>
#include <map>
#include <sstream>
#include <string>
#include <vector>

#include "../support/temp_dir.h"
#include "wav_bytes.h"

namespace {

const std::string kTool = std::string(LORVANO_BINARY_DIR) + "/bin/lorvano-analyze";

struct Result {
    int exitCode = -1;
    std::string out;
};

// Runs a shell command; its standard output (and error, when asked) is collected.
Result Shell(const std::string& command, bool withErrors = false) {
    Result r;
    std::FILE* p = ::popen((command + (withErrors ? " 2>&1" : " 2>/dev/null")).c_str(), "r");
    if (!p) return r;
    std::array<char, 4096> buf;
    size_t n;
    while ((n = std::fread(buf.data(), 1, buf.size(), p)) > 0) r.out.append(buf.data(), n);
    const int status = ::pclose(p);
    r.exitCode = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    return r;
}

bool HaveSpeech() { return Shell("command -v espeak-ng && command -v sox").exitCode == 0; }

// Speaks text into a 22050 Hz mono 16-bit WAV file.
bool Speak(const std::string& text, int speed, int pitch, const std::string& path, const std::string& pad = "0.3") {
    const std::string raw = path + ".raw.wav";
    std::ostringstream cmd;
    cmd << "espeak-ng -m -w '" << raw << "' -s " << speed << " -p " << pitch << " '" << text << "' && sox '" << raw
        << "' -r 22050 -c 1 -b 16 -e signed-integer '" << path << "' pad " << pad << " " << pad;
    return Shell(cmd.str()).exitCode == 0;
}

struct Score {
    int distance = -1, mark = -1, etalonFrames = -1, sayFrames = -1;
};

Score ScoreOf(const std::string& etalon, const std::string& say) {
    Result r = Shell(kTool + " score '" + etalon + "' '" + say + "'");
    Score s;
    EXPECT_EQ(r.exitCode, 0) << r.out;
    EXPECT_EQ(std::sscanf(r.out.c_str(), "distance=%d mark=%d etalon_frames=%d say_frames=%d", &s.distance, &s.mark,
                          &s.etalonFrames, &s.sayFrames),
              4)
        << r.out;
    return s;
}

class AnalyzeTool : public ::testing::Test {
protected:
    lorvano_test::TempDir dir;
};

}  // namespace

TEST_F(AnalyzeTool, SameWordScoresBetterThanOtherWords) {
    if (!HaveSpeech()) GTEST_SKIP() << "espeak-ng or sox missing";
    const std::vector<std::string> words = {"window", "banana", "telephone", "yellow"};
    // Etalon: slow and low; say: faster and higher.
    for (const auto& w : words) {
        ASSERT_TRUE(Speak(w, 130, 35, dir.File(w + "_e.wav")));
        ASSERT_TRUE(Speak(w, 190, 70, dir.File(w + "_s.wav")));
    }
    std::map<std::pair<std::string, std::string>, Score> table;
    for (const auto& e : words)
        for (const auto& s : words) table[{e, s}] = ScoreOf(dir.File(e + "_e.wav"), dir.File(s + "_s.wav"));

    std::ostringstream report;
    report << "etalon \\ say";
    for (const auto& s : words) report << "\t" << s;
    for (const auto& e : words) {
        report << "\n" << e;
        for (const auto& s : words) report << "\t" << table[{e, s}].distance << " (" << table[{e, s}].mark << ")";
    }
    std::printf("distance (mark) of each etalon/say pair:\n%s\n", report.str().c_str());

    for (const auto& e : words) {
        const Score same = table[{e, e}];
        EXPECT_GT(same.etalonFrames, 20) << e;
        EXPECT_GT(same.sayFrames, 15) << e;
        for (const auto& s : words) {
            if (s == e) continue;
            const Score other = table[{e, s}];
            // Clearly better: at most 80 % of the distance to any other word.
            EXPECT_LT(same.distance * 5, other.distance * 4) << e << " vs " << s << "\n" << report.str();
            EXPECT_GE(same.mark, other.mark) << e << " vs " << s;
        }
    }
}

TEST_F(AnalyzeTool, ScoreReadsTheExerciseSettings) {
    if (!HaveSpeech()) GTEST_SKIP() << "espeak-ng or sox missing";
    ASSERT_TRUE(Speak("window", 130, 35, dir.File("e.wav")));
    ASSERT_TRUE(Speak("window", 190, 70, dir.File("s.wav")));
    const Score plain = ScoreOf(dir.File("e.wav"), dir.File("s.wav"));
    // Generous mark limits turn the same distance into a 5; a higher level
    // floor hides more of the spectrum and lowers the distance.
    lorvano_test::WriteFile(dir.File("t.ini"), "[ResDisplay]\nMinResult=100000\nMaxResult=50000\n[TimeWarp]\nDontCareLevel=3500\n");
    Result r = Shell(kTool + " score '" + dir.File("e.wav") + "' '" + dir.File("s.wav") + "' --ini '" + dir.File("t.ini") + "'");
    ASSERT_EQ(r.exitCode, 0);
    Score tuned;
    ASSERT_EQ(std::sscanf(r.out.c_str(), "distance=%d mark=%d", &tuned.distance, &tuned.mark), 2) << r.out;
    EXPECT_EQ(tuned.mark, 5);
    EXPECT_LT(tuned.distance, plain.distance);
    EXPECT_EQ(Shell(kTool + " score '" + dir.File("e.wav") + "' '" + dir.File("s.wav") + "' --ini '" + dir.File("none.ini") + "'").exitCode, 1);
}

TEST_F(AnalyzeTool, FramesAndDetect) {
    if (!HaveSpeech()) GTEST_SKIP() << "espeak-ng or sox missing";
    ASSERT_TRUE(Speak("hello", 150, 50, dir.File("hello.wav")));
    Result frames = Shell(kTool + " frames '" + dir.File("hello.wav") + "' --calculate");
    ASSERT_EQ(frames.exitCode, 0);
    std::istringstream lines(frames.out);
    std::string header;
    std::getline(lines, header);
    EXPECT_EQ(header.rfind("index,Channel0,", 0), 0u);
    EXPECT_NE(header.find(",Channel19,FullBand,LowBand,Pitch,PitchFreq,SemiTone,spirant"), std::string::npos);
    int rows = 0, maxFull = -100000, voiced = 0;
    for (std::string row; std::getline(lines, row); ++rows) {
        std::vector<int> v;
        std::istringstream cells(row);
        for (std::string c; std::getline(cells, c, ',');) v.push_back(std::stoi(c));
        ASSERT_EQ(v.size(), 27u) << row;
        EXPECT_EQ(v[0], rows);
        maxFull = std::max(maxFull, v[21]);
        voiced += v[23] > 0;
    }
    EXPECT_GT(rows, 30);
    // Normalised to the loudest frame.
    EXPECT_EQ(maxFull, 5000);
    EXPECT_GT(voiced, 5);

    // Two words with a long pause between them, then one.
    ASSERT_TRUE(Speak("hello <break time=\"1500ms\"/> world", 150, 50, dir.File("two.wav"), "0.6"));
    Result detect = Shell(kTool + " detect '" + dir.File("two.wav") + "'");
    ASSERT_EQ(detect.exitCode, 0);
    EXPECT_NE(detect.out.find("words=2"), std::string::npos) << detect.out;
    Result one = Shell(kTool + " detect '" + dir.File("hello.wav") + "'");
    EXPECT_NE(one.out.find("words=1"), std::string::npos) << one.out;
    long long first = -1, last = -1;
    ASSERT_EQ(std::sscanf(one.out.c_str(), "word=1 first=%lld last=%lld", &first, &last), 2) << one.out;
    EXPECT_GE(first, 0);
    EXPECT_GT(last, first + 30);
}

TEST_F(AnalyzeTool, RefusedFilesAndUsage) {
    WavFormat stereo;
    stereo.channels = 2;
    WriteFile(dir.File("stereo.wav"), MakeWav(stereo, std::vector<uint8_t>(1000, 0)));
    Result r = Shell(kTool + " frames '" + dir.File("stereo.wav") + "'", true);
    EXPECT_EQ(r.exitCode, 2);
    EXPECT_EQ(r.out, "File is not a mono wave file!\n");
    r = Shell(kTool + " score '" + dir.File("missing.wav") + "' '" + dir.File("stereo.wav") + "'", true);
    EXPECT_EQ(r.exitCode, 2);
    EXPECT_EQ(r.out, "Cannot open wave file " + dir.File("missing.wav") + "!\n");
    EXPECT_EQ(Shell(kTool + " score only_one.wav").exitCode, 64);
    EXPECT_EQ(Shell(kTool + " nonsense x.wav").exitCode, 64);
    // A data folder without the filter design is an error of its own.
    r = Shell(kTool + " frames '" + dir.File("stereo.wav") + "' --data '" + dir.File("nowhere") + "'");
    EXPECT_EQ(r.exitCode, 1);
}
