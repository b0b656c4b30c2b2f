#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <random>

#include "analysis/hm_block_processor.h"
#include "analysis/log_energy.h"
#include "platform/exception.h"
#include "settings/settings.h"
#include "test_banks.h"

namespace {

namespace fs = std::filesystem;

vHMProcessorSetup_c DefaultSetup() {
    vHMProcessorSetup_c setup;
    setup.coefficients = SourceFile("data/english/coef.dat");
    setup.calibration = SourceFile("data/english/calib.txt");
    return setup;
}

// A coefficient file of pass-through filters in a temporary folder.
class PassThroughFile {
public:
    PassThroughFile() {
        path = (fs::temp_directory_path() / ("lorvano_pass_" + std::to_string(::getpid()) + ".dat")).string();
        vArrayBank_c bank;
        MakePassThrough(bank);
        bank.WriteCoefficients(path.c_str());
    }
    ~PassThroughFile() { fs::remove(path); }
    std::string path;
};

std::vector<int16_t> RandomSamples(size_t n, uint32_t seed) {
    std::mt19937 rng(seed);
    std::vector<int16_t> s(n);
    for (auto& v : s) v = static_cast<int16_t>(rng());
    return s;
}

bool SameFrame(const vAllHmData_c& a, const vAllHmData_c& b) {
    return std::equal(a.channels, a.channels + kBandCount, b.channels) && a.fullBand == b.fullBand &&
           a.lowBand == b.lowBand && a.pitch == b.pitch && a.pitchFreq == b.pitchFreq &&
           a.semiTone == b.semiTone;
}

}  // namespace

TEST(BlockProcessor, PreAmplificationIsIn256ths) {
    InitLogScale();
    PassThroughFile file;
    vHMProcessorSetup_c setup;
    setup.coefficients = file.path;
    setup.preAmp = 1.5;
    vHMBlockProcessor_c p(setup);
    EXPECT_EQ(p.PreAmp256(), 384);
    std::vector<int16_t> s(224, 0);
    s[10] = -1000;
    vAllHmData_c f;
    p.ProcessBlock(s.data(), 224, false, f, true, false);
    EXPECT_EQ(p.energy[kFullBandOutput], 384000u);
    EXPECT_EQ(f.fullBand, LogEnergy(384000));
    EXPECT_EQ(PreAmp256(2.0), 512);
    EXPECT_EQ(PreAmp256(0.999), 255);
    EXPECT_EQ(PreAmp256(1e12), 65535);  // held where 16-bit samples still fit 32 bits
}

TEST(BlockProcessor, ModesWriteOnlyTheirFields) {
    vHMBlockProcessor_c p(DefaultSetup());
    const auto s = RandomSamples(224, 1);
    vAllHmData_c f;
    for (int& c : f.channels) c = 77;
    f.lowBand = 77;
    f.fullBand = 77;
    p.ProcessBlock(s.data(), 224, false, f, false, false);
    EXPECT_NE(f.fullBand, 77);
    EXPECT_EQ(f.channels[0], 77);
    EXPECT_EQ(f.lowBand, 77);
    EXPECT_EQ(f.pitch, -1);  // untouched
    f.pitch = 77;
    p.ProcessBlock(s.data(), 224, false, f, false, true);
    EXPECT_NE(f.pitch, 77);
    EXPECT_EQ(f.channels[0], 77);
    EXPECT_EQ(f.Samples(), nullptr);
    p.ProcessBlock(s.data(), 224, true, f, true, false);
    EXPECT_NE(f.channels[0], 77);
    EXPECT_NE(f.lowBand, 77);
    ASSERT_EQ(f.SampleCount(), 224);
    EXPECT_EQ(f.Samples()[100], s[100]);
}

TEST(BlockProcessor, ABlockOf230IsAnalysedAs224) {
    vHMBlockProcessor_c a(DefaultSetup()), b(DefaultSetup());
    const auto s = RandomSamples(230, 2);
    vAllHmData_c fa, fb;
    for (int i = 0; i < 5; ++i) {
        a.ProcessBlock(s.data(), 230, true, fa, true, true);
        b.ProcessBlock(s.data(), 224, true, fb, true, true);
        EXPECT_TRUE(SameFrame(fa, fb));
    }
    EXPECT_EQ(fa.SampleCount(), 230);
}

TEST(BlockProcessor, TrackersTakeTurnsOverOverlappingBlocks) {
    vHMBlockProcessor_c p(DefaultSetup());
    ASSERT_EQ(p.TrackerCount(), 3u);
    const auto s = RandomSamples(224, 3);
    vAllHmData_c f;
    auto filled = [&](uint32_t t) { return p.Tracker(t).Accumulators()[40] != 0; };
    p.ProcessBlock(s.data(), 224, false, f, true, true);
    EXPECT_FALSE(filled(0));  // evaluated and cleared
    EXPECT_TRUE(filled(1));
    EXPECT_TRUE(filled(2));
    p.ProcessBlock(s.data(), 224, false, f, true, true);
    EXPECT_TRUE(filled(0));
    EXPECT_FALSE(filled(1));
    p.ProcessBlock(s.data(), 224, false, f, true, true);
    EXPECT_FALSE(filled(2));
    p.ProcessBlock(s.data(), 224, false, f, true, true);
    EXPECT_FALSE(filled(0));  // back to the first

    vHMProcessorSetup_c none = DefaultSetup();
    none.overlap = 0;  // would leave no tracker to evaluate
    EXPECT_EQ(vHMBlockProcessor_c(none).TrackerCount(), 1u);
}

TEST(BlockProcessor, ReferenceAndFastPathsAgreeOnLongRandomInput) {
    vHMProcessorSetup_c setup = DefaultSetup();
    setup.preAmp = 2;
    vHMBlockProcessor_c ref(setup), fast(setup), batch(setup);
    ref.SetKernel(vHMKernel::Reference);
    batch.SetKernel(vHMKernel::Batch);
    // Random noise, a loud sweep and silence, in blocks of every mode.
    std::vector<int16_t> s = RandomSamples(224 * 2000, 4);
    for (size_t n = 224 * 500; n < 224 * 1500; ++n)
        s[n] = static_cast<int16_t>(32767 * std::sin(n * (1e-6 * n)));
    std::fill(s.begin() + 224 * 1700, s.end(), 0);
    std::mt19937 rng(9);
    vAllHmData_c a, b, c;
    int differences = 0;
    for (size_t n = 0; n + 224 <= s.size(); n += 224) {
        const bool filters = rng() % 4 != 0, pitch = rng() % 2 != 0;
        ref.ProcessBlock(s.data() + n, 224, false, a, filters, pitch);
        fast.ProcessBlock(s.data() + n, 224, false, b, filters, pitch);
        batch.ProcessBlock(s.data() + n, 224, false, c, filters, pitch);
        differences += !SameFrame(a, b) + !SameFrame(a, c);
    }
    EXPECT_EQ(differences, 0);
}

TEST(BlockProcessor, WindowIsAppliedToACopy) {
    const std::string path = (fs::temp_directory_path() / "lorvano_window.txt").string();
    {
        std::ofstream out(path);
        out << "224 1";
        for (int i = 0; i < kWindowSize; ++i) out << ' ' << (i % 2 ? 0.25 : 1.0);
    }
    vHMProcessorSetup_c setup = DefaultSetup();
    setup.window = path;
    vHMBlockProcessor_c windowed(setup), plain(DefaultSetup());
    fs::remove(path);
    EXPECT_EQ(windowed.Window()[1], 256);
    windowed.SetApplyWindow(true);
    auto s = RandomSamples(224, 5);
    const auto original = s;
    auto pre = s;
    ApplyWindow(pre.data(), 224, windowed.Window());
    vAllHmData_c a, b;
    windowed.ProcessBlock(s.data(), 224, true, a, true, true);
    plain.ProcessBlock(pre.data(), 224, false, b, true, true);
    EXPECT_TRUE(SameFrame(a, b));
    EXPECT_EQ(s, original);
    EXPECT_EQ(a.Samples()[1], original[1]);

    setup.window = SourceFile("data/english/coef.dat");  // not a window file: no window
    vHMBlockProcessor_c fallback(setup);
    for (int i = 0; i < kWindowSize; ++i) EXPECT_EQ(fallback.Window()[i], 1024);
}

TEST(BlockProcessor, ConstructionFailures) {
    vHMProcessorSetup_c setup = DefaultSetup();
    setup.coefficients = "/nonexistent/coef.dat";
    EXPECT_THROW(vHMBlockProcessor_c{setup}, vException_c);
    setup = DefaultSetup();
    setup.calibration = SourceFile("data/english/coef.dat");
    try {
        vHMBlockProcessor_c p(setup);
        ADD_FAILURE() << "a bad calibration file was accepted";
    } catch (const vTextException_c& e) {
        EXPECT_EQ(e.Text(), "File does not seem to be an equlazation file!");
    }
    setup.calibration = "/nonexistent/calib.txt";
    vHMBlockProcessor_c p(setup);
    EXPECT_EQ(p.eqGain[0], vHMBlockProcessor_c(DefaultSetup()).eqGain[0]);
}

TEST(BlockProcessor, SetupFromTheSettings) {
    const std::string ini = (fs::temp_directory_path() / ("lorvano_setup_" + std::to_string(::getpid()) + ".ini")).string();
    {
        std::ofstream out(ini);
        out << "[Preprocessor]\nPreAmp=1.5\nCoeficients=my.dat\nEqualize=other.txt\nEqulize=mine.txt\n"
               "Window=w.txt\n[Pitch_Processor]\nOverlap=5\n[Pitch]\nSense=123\nTrigger_hi=1.25\n";
    }
    const std::string previous = gSettings.FileName() ? gSettings.FileName() : "";
    gSettings.SetFileName(ini.c_str());
    const vHMProcessorSetup_c setup = vHMProcessorSetup_c::FromSettings();
    gSettings.SetFileName(previous.empty() ? nullptr : previous.c_str());
    fs::remove(ini);
    EXPECT_EQ(setup.preAmp, 1.5);
    EXPECT_EQ(setup.coefficients, "my.dat");
    EXPECT_EQ(setup.calibration, "mine.txt");  // the block processor's own key
    EXPECT_EQ(setup.window, "w.txt");
    EXPECT_EQ(setup.overlap, 5u);
    EXPECT_EQ(setup.pitch.sense, 123u);
    EXPECT_EQ(setup.pitch.trigHi, 1.25);
    EXPECT_EQ(setup.pitch.trigLo, 0.6);  // default
}
