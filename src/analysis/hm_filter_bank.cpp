#include "analysis/hm_filter_bank.h"

#include <algorithm>

#include "analysis/filter_files.h"

namespace {

inline uint64_t Mul(int32_t a, int32_t b) {
    return static_cast<uint64_t>(static_cast<int64_t>(a) * static_cast<int64_t>(b));
}

// One second-order stage on (in[n-2], in[n-1], in[n]) and its own history.
inline int32_t Stage(const int32_t* c, int32_t in2, int32_t in1, int32_t in0, int32_t out2,
                     int32_t out1) {
    return HighWordTimes4(Mul(c[0], in2) + Mul(c[1], in1) + Mul(c[2], in0) + Mul(c[3], out2) +
                          Mul(c[4], out1));
}

// The three stages shared by band filters and decimators; s[0..7].
inline int32_t ThreeStages(const int32_t* c, int32_t* s, int32_t x) {
    const int32_t y1 = Stage(c, s[0], s[1], x, s[2], s[3]);
    const int32_t y2 = Stage(c + 5, s[2], s[3], y1, s[4], s[5]);
    const int32_t y3 = Stage(c + 10, s[4], s[5], y2, s[6], s[7]);
    s[0] = s[1];
    s[1] = x;
    s[2] = s[3];
    s[3] = y1;
    s[4] = s[5];
    s[5] = y2;
    s[6] = s[7];
    s[7] = y3;
    return y3;
}

// |y| in 32 bits: the most negative value stays as it is.
inline int32_t Magnitude(int32_t y) {
    return y < 0 ? static_cast<int32_t>(0u - static_cast<uint32_t>(y)) : y;
}

inline void KeepPeak(uint32_t& slot, int32_t envelope) {
    if (static_cast<uint32_t>(envelope) > slot) slot = static_cast<uint32_t>(envelope);
}

// Largest block the block forms filter at once (one frame).
constexpr int kChunkSteps = 28;

}  // namespace

int32_t BandFilterStep(vBandFilter_c& f, int32_t x) {
    const int32_t y3 = ThreeStages(f.c, f.s, x);
    f.s[8] = HighWordTimes4(Mul(f.c[15], Magnitude(y3)) + Mul(f.c[16], f.s[8]));
    return f.s[8];
}

int32_t DecimatorStep(vDecimator_c& d, int32_t x) { return ThreeStages(d.c, d.s, x); }

vHMFilterArray_c::vHMFilterArray_c() {
    std::fill(std::begin(eqGain), std::end(eqGain), 65536);
    std::fill(std::begin(energy), std::end(energy), 0u);
    for (int g = 0; g < kGroupCount; ++g) {
        groups[g].firstOutput = kGroupOutputs[g];
        groups[g].filters.resize(static_cast<size_t>(kGroupSizes[g]));
    }
}

void vHMFilterArray_c::ResetEnergies() { std::fill(std::begin(energy), std::end(energy), 0u); }

void vHMFilterArray_c::ResetStates() {
    ResetEnergies();
    for (auto& group : groups)
        for (auto& f : group.filters) std::fill(std::begin(f.s), std::end(f.s), 0);
    for (auto& d : decimators) std::fill(std::begin(d.s), std::end(d.s), 0);
}

void vHMFilterArray_c::RunGroupOnce(vBandGroup_c& group, int32_t x) {
    uint32_t* out = energy + group.firstOutput;
    for (auto& f : group.filters) KeepPeak(*out++, BandFilterStep(f, x));
}

void vHMFilterArray_c::RunFullBand(int32_t x) {
    KeepPeak(energy[kFullBandOutput], BandFilterStep(FullBand(), x));
}

int32_t vHMFilterArray_c::FilterStep() {
    auto& f20 = groups[kFilt20k];
    auto& f10 = groups[kFilt10k];
    auto& f5 = groups[kFilt5k];
    int32_t d = 0;
    for (int half = 0; half < 2; ++half) {
        for (int i = 1; i <= 4; ++i) {
            const int32_t x = NextSample();
            RunGroupOnce(f20, x);
            const int32_t a = DecimatorStep(decimators[0], x);
            if (i % 2) continue;
            RunGroupOnce(f10, a);
            const int32_t b = DecimatorStep(decimators[1], a);
            if (i != 4) continue;
            RunGroupOnce(f5, b);
            d = DecimatorStep(decimators[2], b);
        }
    }
    RunGroupOnce(groups[kFilt2_5k], d);
    RunGroupOnce(groups[kLowEnergy], d);
    return d;
}

int32_t vHMFilterArray_c::PitchStep() {
    int32_t d = 0;
    for (int half = 0; half < 2; ++half) {
        for (int i = 1; i <= 4; ++i) {
            const int32_t x = NextSample();
            RunFullBand(x);
            const int32_t a = DecimatorStep(decimators[0], x);
            if (i % 2) continue;
            const int32_t b = DecimatorStep(decimators[1], a);
            if (i != 4) continue;
            d = DecimatorStep(decimators[2], b);
        }
    }
    RunGroupOnce(groups[kLowEnergy], d);
    return d;
}

void vHMFilterArray_c::EnergyStep() {
    for (int i = 0; i < 8; ++i) RunFullBand(NextSample());
}

bool vHMFilterArray_c::UseVector() const { return mKernel == vHMKernel::Vector; }

namespace {

// The three stages over a run of inputs with the state in locals: the loop
// carries its dependencies in registers instead of through memory. Calls
// out(k, y3) per input.
template <class Out>
inline void ThreeStagesRun(const int32_t* c, int32_t* s, const int32_t* in, int n, Out out) {
    int32_t x2 = s[0], x1 = s[1], a2 = s[2], a1 = s[3], b2 = s[4], b1 = s[5], y2 = s[6], y1 = s[7];
    for (int k = 0; k < n; ++k) {
        const int32_t x = in[k];
        const int32_t a = Stage(c, x2, x1, x, a2, a1);
        const int32_t b = Stage(c + 5, a2, a1, a, b2, b1);
        const int32_t y = Stage(c + 10, b2, b1, b, y2, y1);
        x2 = x1, x1 = x, a2 = a1, a1 = a, b2 = b1, b1 = b, y2 = y1, y1 = y;
        out(k, y);
    }
    s[0] = x2, s[1] = x1, s[2] = a2, s[3] = a1, s[4] = b2, s[5] = b1, s[6] = y2, s[7] = y1;
}

}  // namespace

void vHMFilterArray_c::RunFilter(vBandGroup_c& group, int index, const int32_t* in, int n) {
    vBandFilter_c& f = group.filters[static_cast<size_t>(index)];
    uint32_t& slot = energy[group.firstOutput + index];
    int32_t env = f.s[8];
    uint32_t peak = slot;
    ThreeStagesRun(f.c, f.s, in, n, [&](int, int32_t y) {
        env = HighWordTimes4(Mul(f.c[15], Magnitude(y)) + Mul(f.c[16], env));
        peak = std::max(peak, static_cast<uint32_t>(env));
    });
    f.s[8] = env;
    slot = peak;
}

int vHMFilterArray_c::AddLanes(vBandGroup_c& group, int first, int count, vFilterLane_s* lanes, int used) {
    for (int i = first; i < first + count; ++i) {
        vBandFilter_c& f = group.filters[static_cast<size_t>(i)];
        lanes[used++] = {f.c, f.s, energy + group.firstOutput + i};
    }
    return used;
}

void vHMFilterArray_c::RunGroup(vBandGroup_c& group, const int32_t* in, int n) {
    const int count = static_cast<int>(group.filters.size());
    int done = 0;
    if (UseVector() && count >= 2 && HaveAVX2()) {
        for (; done < count; done += std::min(8, count - done)) {
            vFilterLane_s lanes[8];
            const int used = AddLanes(group, done, std::min(8, count - done), lanes, 0);
            RunFilterLanesAVX2(lanes, used, in, n, nullptr);
        }
    }
    for (int i = done; i < count; ++i) RunFilter(group, i, in, n);
}

void vHMFilterArray_c::Decimate(vDecimator_c& d, const int32_t* in, int n, int32_t* out) {
    ThreeStagesRun(d.c, d.s, in, n & ~1, [out](int k, int32_t y) {
        if (k & 1) out[k >> 1] = y;
    });
}

void vHMFilterArray_c::DecimateBlock(const int32_t* x, int steps, int32_t* d, bool allBands) {
    int32_t a[4 * kChunkSteps];
    int32_t b[2 * kChunkSteps];
    Decimate(decimators[0], x, 8 * steps, a);
    if (allBands) RunGroup(groups[kFilt10k], a, 4 * steps);
    Decimate(decimators[1], a, 4 * steps, b);
    if (allBands) RunGroup(groups[kFilt5k], b, 2 * steps);
    Decimate(decimators[2], b, 2 * steps, d);
    if (allBands) RunGroup(groups[kFilt2_5k], d, steps);
    RunGroup(groups[kLowEnergy], d, steps);
}

bool vHMFilterArray_c::DecimateBlockVector(const int32_t* x, int steps, int32_t* d, bool allBands) {
    // A decimator shares the kernel call of the group on its input, in a
    // lane the group leaves free; the low band fills Filt2.5k's eighth lane.
    auto size = [this](Group g) { return static_cast<int>(groups[g].filters.size()); };
    if (!UseVector() || !HaveAVX2() || size(kFilt20k) != kGroupSizes[kFilt20k] || size(kFilt10k) > 7 ||
        size(kFilt5k) > 7 || size(kFilt2_5k) + size(kLowEnergy) > 8)
        return false;
    int32_t a[4 * kChunkSteps];
    int32_t b[2 * kChunkSteps];
    vFilterLane_s lanes[8];
    // The group's lanes (used of them) and the decimator over in; a
    // decimator on its own runs faster in the scalar loop.
    auto withDecimator = [&](int used, vDecimator_c& dec, const int32_t* in, int n, int32_t* out) {
        if (used == 0) return Decimate(dec, in, n, out);
        lanes[used] = {dec.c, dec.s, nullptr};
        RunFilterLanesAVX2(lanes, used + 1, in, n, out);
    };
    const int fullBand = kFullBandOutput - kGroupOutputs[kFilt20k];
    withDecimator(allBands ? AddLanes(groups[kFilt20k], 0, size(kFilt20k), lanes, 0)
                           : AddLanes(groups[kFilt20k], fullBand, 1, lanes, 0),
                  decimators[0], x, 8 * steps, a);
    withDecimator(allBands ? AddLanes(groups[kFilt10k], 0, size(kFilt10k), lanes, 0) : 0, decimators[1], a,
                  4 * steps, b);
    withDecimator(allBands ? AddLanes(groups[kFilt5k], 0, size(kFilt5k), lanes, 0) : 0, decimators[2], b,
                  2 * steps, d);
    const int used = allBands ? AddLanes(groups[kFilt2_5k], 0, size(kFilt2_5k), lanes, 0) : 0;
    RunFilterLanesAVX2(lanes, AddLanes(groups[kLowEnergy], 0, size(kLowEnergy), lanes, used), d, steps, nullptr);
    return true;
}

void vHMFilterArray_c::FilterBlock(const int32_t* x, int steps, int32_t* d) {
    for (int done = 0; done < steps; done += kChunkSteps) {
        const int n = std::min(kChunkSteps, steps - done);
        const int32_t* in = x + 8 * done;
        if (DecimateBlockVector(in, n, d + done, true)) continue;
        RunGroup(groups[kFilt20k], in, 8 * n);
        DecimateBlock(in, n, d + done, true);
    }
}

void vHMFilterArray_c::PitchBlock(const int32_t* x, int steps, int32_t* d) {
    for (int done = 0; done < steps; done += kChunkSteps) {
        const int n = std::min(kChunkSteps, steps - done);
        const int32_t* in = x + 8 * done;
        if (DecimateBlockVector(in, n, d + done, false)) continue;
        RunFilter(groups[kFilt20k], 5, in, 8 * n);
        DecimateBlock(in, n, d + done, false);
    }
}

void vHMFilterArray_c::EnergyBlock(const int32_t* x, int steps) {
    RunFilter(groups[kFilt20k], 5, x, 8 * steps);
}

void vHMFilterArray_c::LoadCoefficients(const char* path) { ReadCoefficientFile(path, *this); }

void vHMFilterArray_c::LoadCalibration(const char* path) { ReadCalibrationFile(path, eqGain); }

void vHMFilterArray_c::WriteCoefficients(const char* path) const {
    WriteCoefficientFile(path, *this);
}
