#include <gtest/gtest.h>

#include <random>

#include "analysis/filter_files.h"
#include "test_banks.h"

TEST(FilterArithmetic, HighWordTimesFourFloorsAndWraps) {
    EXPECT_EQ(HighWordTimes4(static_cast<uint64_t>(int64_t{5} << 32)), 20);
    EXPECT_EQ(HighWordTimes4(static_cast<uint64_t>((int64_t{5} << 32) + 0xffffffff)), 20);
    EXPECT_EQ(HighWordTimes4(static_cast<uint64_t>(int64_t{-1})), -4);  // floor, not toward 0
    EXPECT_EQ(HighWordTimes4(static_cast<uint64_t>(int64_t{0x40000000} << 32)), 0);  // wraps
    EXPECT_EQ(HighWordTimes4(static_cast<uint64_t>(int64_t{0x20000000} << 32)), INT32_MIN);
}

TEST(FilterArithmetic, BandFilterStages) {
    vBandFilter_c f;
    f.c[2] = kOne;           // stage 1: y1 = x (to a multiple of 4)
    f.c[4] = kOne / 2;       //   + y1[n-1] / 2
    f.c[7] = kOne;           // stage 2: y2 = y1 - y2[n-2]
    f.c[8] = -kOne;
    f.c[10] = kOne;          // stage 3: y3 = y2[n-2] (the stage-2 history)
    f.c[15] = kOne / 4;      // envelope: |y3| / 4 + previous
    f.c[16] = kOne;
    std::vector<int32_t> y;
    for (int32_t x : {1000, 0, 0, -4000, 0, 0}) {
        BandFilterStep(f, x);
        y.push_back(f.s[7]);
    }
    // y1: 1000, 500, 248, -3876, -1940, -972  (each floored to a multiple of 4)
    // y2: 1000, 500, -752, -4376, -1188, 3404
    // y3 = y2[n-2]: 0, 0, 1000, 500, -752, -4376
    EXPECT_EQ(y, (std::vector<int32_t>{0, 0, 1000, 500, -752, -4376}));
    EXPECT_EQ(f.s[3], -972);
    EXPECT_EQ(f.s[5], 3404);
    EXPECT_EQ(f.s[8], 248 + 124 + 188 + 1092);  // the sum of floor(|y3| / 16) * 4
}

TEST(FilterArithmetic, EnvelopeOfTheMostNegativeValue) {
    vBandFilter_c f;
    f.c[2] = f.c[7] = f.c[12] = kOne;
    f.c[15] = kOne;
    // y = hw4(x * 2^30) = x for x = INT32_MIN; |INT32_MIN| stays negative.
    BandFilterStep(f, INT32_MIN);
    EXPECT_EQ(f.s[7], INT32_MIN);
    EXPECT_EQ(f.s[8], INT32_MIN);
}

// With pass-through filters the energies show which inputs reach each group.
TEST(FilterSchedule, EightInputsReachTheGroupsAtTheirRates) {
    vArrayBank_c bank;
    MakePassThrough(bank);
    // Odd inputs are larger, so a group that saw them would show it.
    bank.input = {8000, 64, 4000, 128, 2000, 256, 1000, 512};
    EXPECT_EQ(bank.FilterStep(), 512);
    for (int i = 15; i <= 20; ++i) EXPECT_EQ(bank.energy[i], 8000u) << i;
    for (int i = 11; i <= 14; ++i) EXPECT_EQ(bank.energy[i], 512u) << i;  // x2, x4, x6, x8
    for (int i = 7; i <= 10; ++i) EXPECT_EQ(bank.energy[i], 512u) << i;   // x4, x8
    for (int i = 0; i <= 6; ++i) EXPECT_EQ(bank.energy[i], 512u) << i;
    EXPECT_EQ(bank.energy[21], 512u);

    bank.ResetEnergies();
    bank.input = {64, 8000, 128, 4000, 256, 2000, 512, 1000};
    bank.pos = 0;
    EXPECT_EQ(bank.FilterStep(), 1000);
    EXPECT_EQ(bank.energy[11], 8000u);
    EXPECT_EQ(bank.energy[7], 4000u);
    EXPECT_EQ(bank.energy[0], 1000u);
}

TEST(FilterSchedule, PitchAndEnergySteps) {
    vArrayBank_c bank;
    MakePassThrough(bank);
    bank.input = {8000, 64, 4000, 128, 2000, 256, 1000, 512, 9000, 4, 4, 4, 4, 4, 4, 4};
    EXPECT_EQ(bank.PitchStep(), 512);
    for (int i = 0; i < 20; ++i) EXPECT_EQ(bank.energy[i], 0u) << i;
    EXPECT_EQ(bank.energy[20], 8000u);
    EXPECT_EQ(bank.energy[21], 512u);
    bank.ResetEnergies();
    bank.EnergyStep();
    EXPECT_EQ(bank.energy[20], 9000u);
    EXPECT_EQ(bank.energy[21], 0u);
    EXPECT_EQ(bank.decimators[2].s[7], 512);  // decimators untouched by the energy step
}

namespace {

struct Run {
    std::vector<int32_t> d;
    std::vector<uint32_t> energies;
};

// Feeds blocks of random length in one of three modes through one bank.
Run Drive(vArrayBank_c& bank, vHMKernel kernel, const std::vector<int32_t>& x, uint32_t seed) {
    bank.SetKernel(kernel);
    bank.input = x;
    bank.pos = 0;
    std::mt19937 rng(seed);
    Run out;
    size_t done = 0;
    std::vector<int32_t> d(64);
    while (done + 8 * 64 <= x.size()) {
        const int steps = 1 + static_cast<int>(rng() % 64);
        const int mode = static_cast<int>(rng() % 3);
        bank.ResetEnergies();
        if (kernel == vHMKernel::Reference) {
            for (int i = 0; i < steps; ++i) {
                if (mode == 0) d[i] = bank.FilterStep();
                else if (mode == 1) d[i] = bank.PitchStep();
                else bank.EnergyStep();
            }
        } else {
            if (mode == 0) bank.FilterBlock(x.data() + done, steps, d.data());
            else if (mode == 1) bank.PitchBlock(x.data() + done, steps, d.data());
            else bank.EnergyBlock(x.data() + done, steps);
        }
        done += 8 * static_cast<size_t>(steps);
        if (mode < 2) out.d.insert(out.d.end(), d.begin(), d.begin() + steps);
        out.energies.insert(out.energies.end(), bank.energy, bank.energy + kHMOutputCount);
    }
    return out;
}

void ExpectAllKernelsAgree(void (*setup)(vHMFilterArray_c&, std::mt19937&), int32_t amplitude) {
    std::mt19937 rng(7);
    std::vector<int32_t> x(22050 * 4);
    std::uniform_int_distribution<int32_t> sample(-amplitude, amplitude);
    for (auto& v : x) v = sample(rng);
    Run runs[3];
    const vHMKernel kernels[3] = {vHMKernel::Reference, vHMKernel::Batch, vHMKernel::Vector};
    for (int k = 0; k < 3; ++k) {
        vArrayBank_c bank;
        std::mt19937 coefRng(11);
        setup(bank, coefRng);
        runs[k] = Drive(bank, kernels[k], x, 5);
    }
    ASSERT_GT(runs[0].d.size(), 1000u);
    for (int k = 1; k < 3; ++k) {
        EXPECT_EQ(runs[0].d, runs[k].d) << "kernel " << k;
        EXPECT_EQ(runs[0].energies, runs[k].energies) << "kernel " << k;
    }
}

}  // namespace

TEST(FilterKernels, AgreeBitForBitWithTheDefaultDesign) {
    ExpectAllKernelsAgree(
        [](vHMFilterArray_c& bank, std::mt19937&) {
            ReadCoefficientFile(SourceFile("data/english/coef.dat").c_str(), bank);
        },
        32768 * 512);
}

TEST(FilterKernels, AgreeBitForBitWithWrappingCoefficients) {
    // Random Q30 words overflow everywhere: the kernels must wrap alike.
    ExpectAllKernelsAgree(MakeRandom, INT32_MAX);
}
