// Checks of the default filter design (data/english/coef.dat and calib.txt)
// through the real fixed-point bank, driven with sines at 22050 Hz.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <random>

#include "analysis/hm_block_processor.h"
#include "analysis/log_energy.h"
#include "espeak_speech.h"
#include "test_banks.h"

namespace {

constexpr double kRate = 22050;
constexpr int kOutputs = 22;  // 20 bands, full band, low band
constexpr int kUnitsPerDb = 100;  // 600 units per doubling of amplitude (6.02 dB)
// What a full-scale sine at a band's centre reads: 2^26 after the gains.
constexpr int32_t kFullScale = 6800;

vHMProcessorSetup_c DefaultSetup(double preAmp = 1) {
    vHMProcessorSetup_c setup;
    setup.coefficients = SourceFile("data/english/coef.dat");
    setup.calibration = SourceFile("data/english/calib.txt");
    setup.preAmp = preAmp;
    return setup;
}

int32_t Output(const vAllHmData_c& f, int i) {
    return i < 20 ? f.channels[i] : i == 20 ? f.fullBand : f.lowBand;
}

// Frames of a signal through a fresh processor.
std::vector<vAllHmData_c> Analyse(const std::vector<int16_t>& s, double preAmp = 1) {
    InitLogScale();
    vHMBlockProcessor_c p(DefaultSetup(preAmp));
    std::vector<vAllHmData_c> frames(s.size() / 224);
    for (size_t i = 0; i < frames.size(); ++i)
        p.ProcessBlock(s.data() + 224 * i, 224, false, frames[i], true, false);
    return frames;
}

std::vector<int16_t> Sine(double hz, int frames, double amplitude = 32767) {
    std::vector<int16_t> s(224 * static_cast<size_t>(frames));
    for (size_t n = 0; n < s.size(); ++n)
        s[n] = static_cast<int16_t>(std::lround(amplitude * std::sin(2 * M_PI * hz * n / kRate)));
    return s;
}

// The settled level of every output for a full-scale sine: the median of the
// frames after the first 12 (120 ms for the filters to settle).
std::array<int32_t, kOutputs> Response(double hz) {
    const auto frames = Analyse(Sine(hz, 36));
    std::array<int32_t, kOutputs> out;
    for (int i = 0; i < kOutputs; ++i) {
        std::vector<int32_t> v;
        for (size_t f = 12; f < frames.size(); ++f) v.push_back(Output(frames[f], i));
        std::nth_element(v.begin(), v.begin() + v.size() / 2, v.end());
        out[i] = v[v.size() / 2];
    }
    return out;
}

// A logarithmic sweep from 50 Hz to 10.9 kHz, computed once.
struct Sweep {
    std::vector<double> hz;
    std::vector<std::array<int32_t, kOutputs>> level;
    Sweep() {
        for (double f = 50; f < 10900; f *= 1.012) {
            hz.push_back(f);
            level.push_back(Response(f));
        }
    }
    size_t Peak(int band) const {
        size_t best = 0;
        for (size_t k = 0; k < hz.size(); ++k)
            if (level[k][band] > level[best][band]) best = k;
        return best;
    }
    // The highest (lowest) frequency above (below) the peak still within
    // drop units of it.
    double UpperEdge(int band, int drop) const {
        size_t k = Peak(band);
        while (k + 1 < hz.size() && level[k + 1][band] >= level[Peak(band)][band] - drop) ++k;
        return hz[k];
    }
    double LowerEdge(int band, int drop) const {
        size_t k = Peak(band);
        while (k > 0 && level[k - 1][band] >= level[Peak(band)][band] - drop) --k;
        return hz[k];
    }
    // The geometric middle of the -3 dB points (the top is too flat to say).
    double Centre(int band) const { return std::sqrt(LowerEdge(band, 300) * UpperEdge(band, 300)); }
};

const Sweep& TheSweep() {
    static const Sweep sweep;
    return sweep;
}

}  // namespace

TEST(FilterDesign, CentresRiseOnAPerceptualScaleFrom150HzTo9kHz) {
    const Sweep& s = TheSweep();
    double previous = 0, previousErb = 0, step = 0;
    for (int b = 0; b < 20; ++b) {
        const double centre = s.Centre(b);
        EXPECT_GT(centre, previous) << "band " << b;
        const double erb = 21.4 * std::log10(1 + 0.00437 * centre);
        if (b == 1) step = erb - previousErb;
        if (b > 1) {
            EXPECT_NEAR(erb - previousErb, step, 0.15 * step) << "band " << b;
        }
        previous = centre;
        previousErb = erb;
    }
    EXPECT_NEAR(s.Centre(0), 150, 15);
    EXPECT_NEAR(s.Centre(19), 9000, 500);
}

TEST(FilterDesign, BandsStayInTheirGroupsRange) {
    const Sweep& s = TheSweep();
    for (int b = 0; b < 20; ++b) {
        const double limit = b < 7 ? 1200 : b < 11 ? 2400 : b < 15 ? 4800 : 10000;
        EXPECT_LT(s.UpperEdge(b, 3 * kUnitsPerDb), limit) << "band " << b;
    }
}

TEST(FilterDesign, NeighboursCrossBetweenMinus3AndMinus6Db) {
    const Sweep& s = TheSweep();
    for (int b = 0; b + 1 < 20; ++b) {
        const size_t lo = s.Peak(b), hi = s.Peak(b + 1);
        size_t k = lo;
        while (k < hi && s.level[k][b] > s.level[k][b + 1]) ++k;
        const int32_t cross = std::max(s.level[k][b], s.level[k][b + 1]);
        const int32_t drop = s.level[lo][b] - cross;
        EXPECT_GE(drop, 250) << "bands " << b << "/" << b + 1 << " at " << s.hz[k] << " Hz";
        EXPECT_LE(drop, 650) << "bands " << b << "/" << b + 1 << " at " << s.hz[k] << " Hz";
    }
}

TEST(FilterDesign, FullScaleSineAtACentreReads6800) {
    const Sweep& s = TheSweep();
    for (int b = 0; b < 20; ++b) {
        const double centre = s.Centre(b);
        const int32_t level = Response(centre)[b];
        std::printf("band %d at %.0f Hz reads %d\n", b, centre, level);
        EXPECT_NEAR(level, kFullScale, 150) << "band " << b << " at " << centre << " Hz";
    }
}

TEST(FilterDesign, FullBandIsFlatFrom150HzTo8kHz) {
    const Sweep& s = TheSweep();
    int32_t lo = INT32_MAX, hi = INT32_MIN;
    for (size_t k = 0; k < s.hz.size(); ++k)
        if (s.hz[k] >= 150 && s.hz[k] <= 8000) {
            EXPECT_NEAR(s.level[k][20], kFullScale, 150) << s.hz[k] << " Hz";
            lo = std::min(lo, s.level[k][20]);
            hi = std::max(hi, s.level[k][20]);
        }
    std::printf("full band from 150 Hz to 8 kHz reads %d to %d\n", lo, hi);
}

TEST(FilterDesign, LowBandCovers80To400Hz) {
    const Sweep& s = TheSweep();
    const int32_t peak = s.level[s.Peak(21)][21];
    EXPECT_NEAR(peak, kFullScale, 150);
    for (size_t k = 0; k < s.hz.size(); ++k) {
        if (s.hz[k] >= 85 && s.hz[k] <= 380) {
            EXPECT_GE(s.level[k][21], peak - 350) << s.hz[k];
        }
        if (s.hz[k] <= 50 || s.hz[k] >= 800) {
            EXPECT_LE(s.level[k][21], peak - 600) << s.hz[k];
        }
    }
}

// A tone that folds onto a lower group's band centre must be 40 dB down.
TEST(FilterDesign, DecimatorsAttenuateAliasesBy40Db) {
    const Sweep& s = TheSweep();
    for (int b = 0; b < 15; ++b) {
        const double rate = b < 7 ? kRate / 8 : b < 11 ? kRate / 4 : kRate / 2;
        const double centre = s.Centre(b);
        const int32_t own = Response(centre)[b];
        for (int m = 1; m * rate - centre < kRate / 2; ++m) {
            for (double alias : {m * rate - centre, m * rate + centre}) {
                if (alias <= rate / 2 || alias >= kRate / 2) continue;
                EXPECT_LE(Response(alias)[b], own - 40 * kUnitsPerDb)
                    << "band " << b << " at " << alias << " Hz";
            }
        }
    }
}

TEST(FilterDesign, DigitalSilenceGivesTheFloorEverywhere) {
    std::vector<int16_t> s = Sine(440, 20);
    // A loud chirp first, then two seconds of silence: no limit cycle may stay.
    for (size_t n = 0; n < s.size(); ++n)
        s[n] = static_cast<int16_t>(32767 * std::sin(2 * M_PI * (50 + 2.5 * n) * n / kRate));
    s.resize(s.size() + 224 * 200, 0);
    const auto frames = Analyse(s, 2);
    for (int i = 0; i < kOutputs; ++i) EXPECT_EQ(Output(frames.back(), i), kLogFloor) << i;
    const auto fresh = Analyse(std::vector<int16_t>(224 * 5, 0));
    for (int i = 0; i < kOutputs; ++i) EXPECT_EQ(Output(fresh.back(), i), kLogFloor) << i;
}

namespace {

// The bank's stages in 64-bit states with exact sums: equal to the 32-bit
// bank only while nothing wraps.
struct Wide {
    const int32_t* c;
    int64_t s[9] = {};
    static int64_t Stage(const int32_t* c, int64_t in2, int64_t in1, int64_t in0, int64_t out2,
                         int64_t out1) {
        const __int128 sum = static_cast<__int128>(c[0]) * in2 + static_cast<__int128>(c[1]) * in1 +
                             static_cast<__int128>(c[2]) * in0 + static_cast<__int128>(c[3]) * out2 +
                             static_cast<__int128>(c[4]) * out1;
        return static_cast<int64_t>(sum >> 32) * 4;
    }
    int64_t Step(int64_t x, bool envelope) {
        const int64_t y1 = Stage(c, s[0], s[1], x, s[2], s[3]);
        const int64_t y2 = Stage(c + 5, s[2], s[3], y1, s[4], s[5]);
        const int64_t y3 = Stage(c + 10, s[4], s[5], y2, s[6], s[7]);
        s[0] = s[1], s[1] = x, s[2] = s[3], s[3] = y1, s[4] = s[5], s[5] = y2, s[6] = s[7], s[7] = y3;
        if (envelope) {
            const __int128 e = static_cast<__int128>(c[15]) * (y3 < 0 ? -y3 : y3) +
                               static_cast<__int128>(c[16]) * s[8];
            s[8] = static_cast<int64_t>(e >> 32) * 4;
        }
        return y3;
    }
};

// Runs x through every filter of the bank at its rate, comparing each state
// of the 32-bit filters with the wide model. Returns the number of states
// that differed (a wrap-around).
int Wraps(const std::vector<int32_t>& x) {
    vArrayBank_c bank;
    bank.LoadCoefficients(SourceFile("data/english/coef.dat").c_str());
    int wraps = 0;
    auto check = [&](const int32_t* narrow, const int64_t* wide, int n) {
        for (int k = 0; k < n; ++k) wraps += narrow[k] != wide[k];
    };
    auto runGroup = [&](vBandGroup_c& group, const std::vector<int32_t>& in) {
        for (auto& f : group.filters) {
            Wide w{f.c};
            for (int32_t v : in) {
                BandFilterStep(f, v);
                w.Step(v, true);
                check(f.s, w.s, 9);
            }
        }
    };
    auto decimate = [&](vDecimator_c& d, const std::vector<int32_t>& in) {
        Wide w{d.c};
        std::vector<int32_t> out;
        for (size_t k = 0; k < in.size(); ++k) {
            const int32_t y = DecimatorStep(d, in[k]);
            w.Step(in[k], false);
            check(d.s, w.s, 8);
            if (k % 2) out.push_back(y);
        }
        return out;
    };
    runGroup(bank.groups[vHMFilterArray_c::kFilt20k], x);
    const auto a = decimate(bank.decimators[0], x);
    runGroup(bank.groups[vHMFilterArray_c::kFilt10k], a);
    const auto b = decimate(bank.decimators[1], a);
    runGroup(bank.groups[vHMFilterArray_c::kFilt5k], b);
    const auto d = decimate(bank.decimators[2], b);
    runGroup(bank.groups[vHMFilterArray_c::kFilt2_5k], d);
    runGroup(bank.groups[vHMFilterArray_c::kLowEnergy], d);
    return wraps;
}

// Full-scale white noise, a sweep from 30 Hz to 5 kHz and a square wave.
std::vector<std::vector<int16_t>> LoudSignals() {
    std::mt19937 rng(1);
    std::vector<int16_t> noise(22050 * 2), sweep(22050 * 4), square(22050);
    for (auto& v : noise) v = static_cast<int16_t>(rng());
    for (size_t n = 0; n < sweep.size(); ++n)
        sweep[n] = static_cast<int16_t>(32767 * std::sin(2 * M_PI * (30 + 1.25 * n / 22050 * 1000) * n / kRate));
    for (size_t n = 0; n < square.size(); ++n) square[n] = (n / 37) % 2 ? 32767 : -32768;
    return {noise, sweep, square};
}

}  // namespace

TEST(FilterDesign, NoStateWrapsForFullScaleInputAtPreAmp2) {
    const int32_t preAmp256 = PreAmp256(2.0);
    for (const auto& signal : LoudSignals()) {
        std::vector<int32_t> x(signal.begin(), signal.end());
        for (auto& v : x) v *= preAmp256;
        EXPECT_EQ(Wraps(x), 0);
    }
}

// The gains apply after the envelopes: the gained value is the low 32 bits of
// (energy * gain) >> 16, so it must stay below 2^32 or loud input would read
// as quiet. Keeps 3 doublings of headroom above the loudest input.
TEST(FilterDesign, GainedEnvelopesFitWithHeadroomAtPreAmp2) {
    InitLogScale();
    vHMBlockProcessor_c p(DefaultSetup(2));
    uint64_t largest = 0;
    vAllHmData_c frame;
    for (const auto& signal : LoudSignals())
        for (size_t f = 0; f + 224 <= signal.size(); f += 224) {
            p.ProcessBlock(signal.data() + f, 224, false, frame, true, false);
            for (int i = 0; i < kOutputs; ++i)
                largest = std::max(largest, (static_cast<uint64_t>(p.energy[i]) *
                                             static_cast<uint64_t>(p.eqGain[i])) >> 16);
        }
    std::printf("largest gained envelope at PreAmp 2: %.2f doublings above 2^26\n",
                std::log2(static_cast<double>(largest)) - 26);
    EXPECT_GT(largest, uint64_t{1} << 26);  // louder than a full-scale sine at PreAmp 1
    EXPECT_LT(largest, uint64_t{1} << 29);
}

namespace {

// Longest run of frames whose full band is above level.
int LongestRunAbove(const std::vector<vAllHmData_c>& frames, size_t from, size_t to, int32_t level) {
    int run = 0, best = 0;
    for (size_t f = from; f < to; ++f) {
        run = frames[f].fullBand > level ? run + 1 : 0;
        best = std::max(best, run);
    }
    return best;
}

}  // namespace

// The default "WordDetector/TrigLevel" 3000 against room noise at -50 dBFS
// (RMS) and speech. A word starts when the full band stays above the level
// for more than "WordDetector/TrigHoldStart" (8) frames in a row.
struct vLevels_s {
    int32_t noiseMax, speechMax;
    int run;  // longest run of speech frames above 3000
};

vLevels_s SpeechInNoise(const std::vector<int16_t>& speech) {
    const size_t lead = 22050;  // one second of noise alone first
    std::vector<int16_t> s(lead + speech.size());
    std::mt19937 rng(3);
    std::normal_distribution<double> noise(0, 32767 * std::pow(10, -50 / 20.0));
    for (size_t n = 0; n < s.size(); ++n) {
        const double v = noise(rng) + (n >= lead ? speech[n - lead] : 0);
        s[n] = static_cast<int16_t>(std::clamp(v, -32768.0, 32767.0));
    }
    const auto frames = Analyse(s);
    const size_t speechStart = lead / 224;
    vLevels_s out{INT32_MIN, INT32_MIN, LongestRunAbove(frames, speechStart, frames.size(), 3000)};
    for (size_t f = 5; f < speechStart; ++f) out.noiseMax = std::max(out.noiseMax, frames[f].fullBand);
    for (size_t f = speechStart; f < frames.size(); ++f)
        out.speechMax = std::max(out.speechMax, frames[f].fullBand);
    return out;
}

TEST(FilterDesign, TriggerLevelAgainstRoomNoiseAndSpeech) {
    const char* text = "Hello, this is a test of the word detector.";
    for (double peak : {-20.0, -15.0, -12.0, -10.0, -6.0}) {
        const auto speech = Speech(text, peak);
        if (speech.empty()) GTEST_SKIP() << "espeak-ng or sox is not available";
        const vLevels_s l = SpeechInNoise(speech);
        std::printf("speech peak %.0f dBFS: noise max %d, speech max %d, frames above 3000 in a row %d\n",
                    peak, l.noiseMax, l.speechMax, l.run);
        // Room noise stays 8 dB below the level, speech 15 dB clear of the noise.
        EXPECT_LT(l.noiseMax, 3000 - 800);
        EXPECT_GT(l.speechMax, l.noiseMax + 1500) << peak;
        // A full-scale sine reads 6800, 38 dB above the level; the loudest
        // frames of speech read about 14 dB below a sine of the speech's own
        // peak (its crest factor), so speech peaking at -20 dBFS still starts
        // a word at the default level, and speech at a good recording level
        // (-12 dBFS) reads about 18 dB above it.
        EXPECT_GT(l.run, 8) << peak;
        if (peak >= -12) {
            EXPECT_GT(l.speechMax, 3000 + 1700) << peak;
        }
    }
}
