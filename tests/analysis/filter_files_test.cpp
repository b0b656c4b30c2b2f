#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <sstream>

#include "analysis/filter_files.h"
#include "analysis/hm_block_processor.h"
#include "platform/exception.h"
#include "test_banks.h"

namespace {

namespace fs = std::filesystem;

class FilterFiles : public ::testing::Test {
protected:
    void SetUp() override {
        dir = fs::temp_directory_path() /
              ("lorvano_filter_files_" + std::to_string(::getpid()) + "_" +
               ::testing::UnitTest::GetInstance()->current_test_info()->name());
        fs::create_directories(dir);
    }
    void TearDown() override { fs::remove_all(dir); }

    std::string Write(const std::string& name, const std::string& text) {
        const std::string path = (dir / name).string();
        std::ofstream(path, std::ios::binary) << text;
        return path;
    }
    static std::string Read(const std::string& path) {
        std::ifstream in(path, std::ios::binary);
        std::stringstream s;
        s << in.rdbuf();
        return s.str();
    }
    // The message of the system exception f throws, "" when none is thrown.
    template <class F>
    static std::string Failure(F f) {
        try {
            f();
        } catch (const vTextException_c& e) {
            return e.Text();
        } catch (const vException_c& e) {
            return "code " + std::to_string(e.Code());
        }
        return "";
    }

    fs::path dir;
};

const std::string kCoef = SourceFile("data/english/coef.dat");

void ExpectSameBank(const vHMFilterArray_c& a, const vHMFilterArray_c& b) {
    for (int g = 0; g < vHMFilterArray_c::kGroupCount; ++g) {
        ASSERT_EQ(a.groups[g].filters.size(), b.groups[g].filters.size());
        for (size_t i = 0; i < a.groups[g].filters.size(); ++i)
            for (int k = 0; k < kBandCoefCount; ++k)
                EXPECT_EQ(a.groups[g].filters[i].c[k], b.groups[g].filters[i].c[k]);
    }
    for (int d = 0; d < 3; ++d)
        for (int k = 0; k < kDecimatorCoefCount; ++k)
            EXPECT_EQ(a.decimators[d].c[k], b.decimators[d].c[k]);
    for (int i = 0; i < kHMOutputCount; ++i) EXPECT_EQ(a.eqGain[i], b.eqGain[i]);
}

}  // namespace

TEST_F(FilterFiles, WriterOutputReadsBackToTheSameBits) {
    vArrayBank_c random, back;
    std::mt19937 rng(1);
    MakeRandom(random, rng);
    for (int i = 0; i < kHMOutputCount; ++i) random.eqGain[i] = static_cast<int32_t>(rng() >> 1) - (1 << 30);
    const std::string path = (dir / "out.dat").string();
    random.WriteCoefficients(path.c_str());
    back.LoadCoefficients(path.c_str());
    ExpectSameBank(random, back);
    EXPECT_FALSE(fs::exists(path + ".tmp"));

    const std::string text = Read(path);
    EXPECT_EQ(text.rfind("{\n\tFilt20k {\n\t\tFilterNum: 6\n\t\t{\n\t\t\tA[0]1: ", 0), 0u);
    EXPECT_NE(text.find("\tEq {\n\t\t"), std::string::npos);
}

TEST_F(FilterFiles, MappingOfTheLabelsToQ30) {
    vArrayBank_c bank;
    MakePassThrough(bank);
    bank.groups[0].filters[0].c[4] = kOne / 2;  // A[0]1: 0.5
    bank.groups[0].filters[0].c[0] = kOne / 4;  // B[0]2: -0.25
    const std::string path = (dir / "one.dat").string();
    bank.WriteCoefficients(path.c_str());
    const std::string text = Read(path);
    EXPECT_NE(text.find("A[0]1: 0.5\n\t\t\tA[0]2: 0\n\t\t\tB[0]0: -1\n\t\t\tB[0]1: 0\n\t\t\tB[0]2: -0.25\n"),
              std::string::npos);
    // A[2]2 multiplies y3[n-2]; B0 is stored negated on x[n].
    std::string edited = text;
    edited.replace(edited.find("A[2]2: 0"), 8, "A[2]2: 0.75");
    vArrayBank_c back;
    back.LoadCoefficients(Write("edited.dat", edited).c_str());
    EXPECT_EQ(back.groups[0].filters[0].c[13], kOne / 4 * 3);
    EXPECT_EQ(back.groups[0].filters[0].c[2], kOne);
    EXPECT_EQ(back.groups[0].filters[0].c[0], kOne / 4);
}

TEST_F(FilterFiles, CommentWordsCaseAndFilterNumModulo256) {
    vArrayBank_c reference, edited;
    reference.LoadCoefficients(kCoef.c_str());
    std::string text = Read(kCoef);
    text.replace(text.find("FilterNum: 6"), 12, "note: FilterNum: 262 (six)");
    text.replace(text.find("Decimator2"), 10, "DECIMATOR2 comment words here");
    text.replace(text.find("EB:"), 3, "eb:");
    edited.LoadCoefficients(Write("c.dat", text).c_str());
    ExpectSameBank(reference, edited);
}

TEST_F(FilterFiles, BadCoefficientFilesAreRefusedWithAMessage) {
    vArrayBank_c bank;
    const std::string missing = (dir / "none.dat").string();
    EXPECT_EQ(Failure([&] { bank.LoadCoefficients(missing.c_str()); }), "code 0");

    const std::string text = Read(kCoef);
    std::string wrongCount = text;
    wrongCount.replace(wrongCount.find("FilterNum: 4"), 12, "FilterNum: 5");
    EXPECT_EQ(Failure([&] { bank.LoadCoefficients(Write("n.dat", wrongCount).c_str()); }),
              "Coefficient file " + (dir / "n.dat").string() + ": Filt10k has 5 filters, 4 expected.");

    std::string garbage = text;
    garbage.replace(garbage.find("EA: ") + 4, 1, "x");
    EXPECT_NE(Failure([&] { bank.LoadCoefficients(Write("g.dat", garbage).c_str()); })
                  .find("\"EA:\" is not followed by a number"),
              std::string::npos);

    std::string huge = text;
    huge.replace(huge.find("A[1]1: ") + 7, 0, "3");  // beyond Q30's +-2
    EXPECT_NE(Failure([&] { bank.LoadCoefficients(Write("h.dat", huge).c_str()); }).find("out of range"),
              std::string::npos);

    std::string nan = text;
    nan.replace(nan.find("A[1]1: ") + 7, 0, "nan");
    EXPECT_NE(Failure([&] { bank.LoadCoefficients(Write("nan.dat", nan).c_str()); }), "");

    EXPECT_NE(Failure([&] { bank.LoadCoefficients(Write("long.dat", std::string(100000, '7')).c_str()); })
                  .find("longer than 255"),
              std::string::npos);

    // Every truncation is refused, none crashes, and the bank is left usable.
    for (size_t cut = 0; cut < text.size(); cut += 97) {
        const std::string path = Write("t.dat", text.substr(0, cut));
        EXPECT_NE(Failure([&] { bank.LoadCoefficients(path.c_str()); }), "") << cut;
        EXPECT_EQ(bank.groups[vHMFilterArray_c::kFilt20k].filters.size(), 6u);
        EXPECT_EQ(bank.eqGain[3], 65536);
    }
}

TEST_F(FilterFiles, CalibrationHeaderAndHexadecimalGains) {
    std::string values;
    for (int i = 0; i < 22; ++i) values += i == 3 ? " 1A0" : i == 5 ? " 200" : " 100";
    for (const char* header : {"HM_DSP calibration table.", "hm_dsp CALIBRATION Table."}) {
        int32_t gains[22];
        std::fill(gains, gains + 22, 65536);
        gains[7] = 100000;
        ReadCalibrationFile(Write("cal.txt", std::string(header) + "\n" + values).c_str(), gains);
        EXPECT_EQ(gains[0], 65536);
        EXPECT_EQ(gains[3], 65536 * 416 / 256);
        EXPECT_EQ(gains[5], 131072);
        EXPECT_EQ(gains[7], 100000);
    }
    int32_t gains[22];
    std::fill(gains, gains + 22, 65536);
    ReadCalibrationFile((dir / "missing.txt").string().c_str(), gains);  // skipped silently
    EXPECT_EQ(gains[0], 65536);

    const std::string bad = "File does not seem to be an equlazation file!";
    EXPECT_EQ(Failure([&] { ReadCalibrationFile(Write("a.txt", "HM_DSP calibration table" + values).c_str(), gains); }), bad);
    EXPECT_EQ(Failure([&] { ReadCalibrationFile(Write("b.txt", "HM_DSP calibration table. 100 100").c_str(), gains); }), bad);
    EXPECT_EQ(Failure([&] { ReadCalibrationFile(Write("c.txt", "HM_DSP calibration table. 100 1G0" + values).c_str(), gains); }), bad);
    EXPECT_EQ(Failure([&] { ReadCalibrationFile(Write("d.txt", "").c_str(), gains); }), bad);
    EXPECT_NE(Failure([&] { ReadCalibrationFile(Write("e.txt", "HM_DSP calibration table. FFFFFFFFFF" + values).c_str(), gains); })
                  .find("out of range"),
              std::string::npos);
    EXPECT_EQ(gains[0], 65536);  // failed reads change nothing
    // Extra values after the 22 are ignored.
    ReadCalibrationFile(Write("f.txt", "HM_DSP calibration table." + values + " 300 400").c_str(), gains);
    EXPECT_EQ(gains[5], 131072);
}

TEST_F(FilterFiles, WindowFile) {
    int32_t window[kWindowSize];
    ReadWindowFile("", window);
    for (int32_t w : window) EXPECT_EQ(w, 1024);

    std::string body = "224 1";
    for (int i = 0; i < kWindowSize; ++i) body += i == 1 ? " 0.5" : i == 2 ? " -0.001" : " 1";
    ReadWindowFile(Write("w.txt", body), window);
    EXPECT_EQ(window[0], 1024);
    EXPECT_EQ(window[1], 512);
    EXPECT_EQ(window[2], -1);  // truncated toward zero

    EXPECT_NE(Failure([&] { ReadWindowFile(Write("x.txt", "225" + body.substr(3)), window); }), "");
    EXPECT_NE(Failure([&] { ReadWindowFile(Write("y.txt", "224 2" + body.substr(5)), window); }), "");
    EXPECT_NE(Failure([&] { ReadWindowFile(Write("z.txt", body.substr(0, body.size() / 2)), window); }), "");
    EXPECT_NE(Failure([&] { ReadWindowFile(Write("q.txt", "224 1 1 1 garbage"), window); }), "");
    EXPECT_NE(Failure([&] { ReadWindowFile((dir / "none").string(), window); }), "");
    EXPECT_EQ(window[1], 512);  // failed reads change nothing
}

TEST_F(FilterFiles, ApplyingTheWindowWrapsAt224) {
    int32_t window[kWindowSize];
    for (int i = 0; i < kWindowSize; ++i) window[i] = i == 0 ? 512 : i == 1 ? 3000 : 1024;
    std::vector<int16_t> s(230, 1001);
    s[1] = 20000;
    ApplyWindow(s.data(), 230, window);
    EXPECT_EQ(s[0], 500);     // 1001 * 512 / 1024, truncated
    EXPECT_EQ(s[1], 32767);   // beyond 16 bits: held at the limit
    EXPECT_EQ(s[2], 1001);
    EXPECT_EQ(s[224], 500);   // the window starts again
    EXPECT_EQ(s[225], 2932);
}
