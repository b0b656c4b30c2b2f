#pragma once
// The multirate HM filter bank: five band groups of sixth-order band-pass
// filters and three decimating low-pass stages in 32-bit fixed point (Q30
// coefficients, 64-bit sums, high word times 4). vHMFilterArray_c owns the
// filters and the 22 peak envelopes of the current block; the sample source
// is supplied by a derived class through NextSample. Used by one thread at a
// time (the user-interface thread).

#include <cstdint>
#include <vector>

inline constexpr int kHMOutputCount = 22;
inline constexpr int kFullBandOutput = 20;
inline constexpr int kLowBandOutput = 21;
inline constexpr int kBandCoefCount = 17;
inline constexpr int kDecimatorCoefCount = 15;

// The top 32 bits of a 64-bit sum, times 4 (wrapping in 32 bits).
inline int32_t HighWordTimes4(uint64_t sum) {
    return static_cast<int32_t>(static_cast<uint32_t>(sum >> 32) * 4u);
}

// One sixth-order band-pass filter with its envelope follower.
// c: three stages of 5 coefficients (x[n-2], x[n-1], x[n], y[n-2], y[n-1])
// then EB, EA. s: input history, three stage histories, envelope.
struct vBandFilter_c {
    int32_t c[kBandCoefCount] = {};
    int32_t s[9] = {};
};

// The same three stages without the envelope.
struct vDecimator_c {
    int32_t c[kDecimatorCoefCount] = {};
    int32_t s[8] = {};
};

// A group of band filters that run on the same input at the same rate and
// write outputs firstOutput, firstOutput + 1, ...
struct vBandGroup_c {
    int firstOutput = 0;
    std::vector<vBandFilter_c> filters;
};

// Reference steps, exactly as the arithmetic is defined.
int32_t BandFilterStep(vBandFilter_c& f, int32_t x);  // returns the envelope
int32_t DecimatorStep(vDecimator_c& d, int32_t x);    // returns y3

// One lane of the AVX2 kernel: a band filter, whose envelope is peak-held in
// *energy, or (energy null) a decimator: c holds 15 coefficients, s 8 states.
struct vFilterLane_s {
    const int32_t* c;
    int32_t* s;
    uint32_t* energy;
};

// Whether the processor has AVX2 (checked once).
bool HaveAVX2();

// AVX2 kernel: runs up to eight filters on the same n inputs. A decimator
// may only be the last lane; decimated then receives its output for every
// second input (n / 2 values). Returns false when the processor lacks AVX2
// (nothing is touched then).
bool RunFilterLanesAVX2(const vFilterLane_s* lanes, int count, const int32_t* in, int n, int32_t* decimated);

// How blocks are filtered. All give the same bits: Reference runs the 8-input
// schedule sample by sample through NextSample, Batch runs each group over a
// whole block, Vector does so with the filters of a group side by side in
// AVX2 lanes where the processor has AVX2 (Batch otherwise).
enum class vHMKernel { Reference, Batch, Vector };

class vHMFilterArray_c {
public:
    // Band groups in the order of the coefficient file.
    enum Group { kFilt20k, kFilt10k, kFilt5k, kFilt2_5k, kLowEnergy, kGroupCount };
    static constexpr int kGroupSizes[kGroupCount] = {6, 4, 4, 7, 1};
    static constexpr int kGroupOutputs[kGroupCount] = {15, 11, 7, 0, 21};
    static constexpr const char* kGroupNames[kGroupCount] = {"Filt20k", "Filt10k", "Filt5k",
                                                             "Filt2.5k", "LowEnergy"};
    static constexpr const char* kDecimatorNames[3] = {"Decimator1", "Decimator2", "Decimator3"};

    vHMFilterArray_c();
    virtual ~vHMFilterArray_c() = default;

    virtual void ResetEnergies();
    // Every filter's and decimator's history and the envelopes back to zero,
    // as after loading the coefficients.
    void ResetStates();
    // The next input value (a sample times the pre-amplification).
    virtual int32_t NextSample() = 0;

    // Reads a coefficient file (see filter_files.h); discards the previous
    // filters first. Throws on a missing or malformed file.
    void LoadCoefficients(const char* path);
    // Applies a calibration file to the gains; a missing file is skipped.
    void LoadCalibration(const char* path);
    // Writes the filters and gains in the coefficient-file layout.
    void WriteCoefficients(const char* path) const;

    // Eight inputs from NextSample through the whole bank; returns the value
    // decimated by 8.
    int32_t FilterStep();
    // The same decimation, but only the full-band and low-band filters.
    int32_t PitchStep();
    // Eight inputs through the full-band filter only.
    void EnergyStep();

    // Block forms of the three steps on inputs given as an array of 8 * steps
    // values; d receives the steps decimated values. Same results as calling
    // the single steps in a row with NextSample yielding x.
    void FilterBlock(const int32_t* x, int steps, int32_t* d);
    void PitchBlock(const int32_t* x, int steps, int32_t* d);
    void EnergyBlock(const int32_t* x, int steps);

    void SetKernel(vHMKernel kernel) { mKernel = kernel; }
    vHMKernel Kernel() const { return mKernel; }

    // Gains in Q16 (65536 = 1), output order.
    int32_t eqGain[kHMOutputCount];
    // Peak envelopes since ResetEnergies.
    uint32_t energy[kHMOutputCount];

    vBandGroup_c groups[kGroupCount];
    vDecimator_c decimators[3];

protected:
    // Whether the block forms may use the AVX2 kernel.
    bool UseVector() const;

private:
    void RunGroup(vBandGroup_c& group, const int32_t* in, int n);
    // The vector path's block step below the top rate: each group in one
    // kernel call with the decimator that runs on its input (the low band
    // rides with Filt2.5k). False when the kernel is not available.
    bool DecimateBlockVector(const int32_t* x, int steps, int32_t* d, bool allBands);
    // Lanes of a group's filters (first .. first + count) appended to lanes.
    int AddLanes(vBandGroup_c& group, int first, int count, vFilterLane_s* lanes, int used);
    void RunFilter(vBandGroup_c& group, int index, const int32_t* in, int n);
    // Decimates in[0..n) (n even) by two: keeps every second output.
    static void Decimate(vDecimator_c& d, const int32_t* in, int n, int32_t* out);
    // Shared part of FilterBlock and PitchBlock below the top rate.
    void DecimateBlock(const int32_t* x, int steps, int32_t* d, bool allBands);

    vBandFilter_c& FullBand() { return groups[kFilt20k].filters[5]; }
    void RunGroupOnce(vBandGroup_c& group, int32_t x);
    void RunFullBand(int32_t x);

    vHMKernel mKernel = vHMKernel::Vector;
};
