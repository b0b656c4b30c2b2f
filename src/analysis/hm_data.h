#pragma once
// One analysis frame: the pitch tracker's output record (vAMDFOutput_c) and
// the frame of 224 samples with its filter-bank energies (vAllHmData_c).
// A frame owns its copy of the raw samples. Frames are used by the
// user-interface thread only.

#include <cstdint>
#include <memory>

#include "objects/registration.h"

inline constexpr int kBandCount = 20;

// Pitch tracker output: all three fields are -1 for an unvoiced frame; a
// frame counts as voiced when pitch > 0.
class vAMDFOutput_c : public vPropCntnr_c {
public:

    int32_t pitch = -1;      // period in hundredths of a lag step
    int32_t pitchFreq = -1;  // fundamental in hundredths of a hertz
    int32_t semiTone = -1;   // hundredths of a semitone above note 75 over 1 Hz
};

// Registered with the pitch fields as its own properties, below vPropCntnr_c.
class vAllHmData_c : public vAMDFOutput_c {
    V_RTTI_CLASS(vAllHmData_c, vPropCntnr_c)

public:
    vAllHmData_c() = default;
    vAllHmData_c(const vAllHmData_c& other) { *this = other; }
    vAllHmData_c& operator=(const vAllHmData_c& other);

    // Copies count samples into the owned buffer; null frees it. Passing the
    // frame's own buffer does nothing.
    void SetSamples(const int16_t* samples, int32_t count);
    const int16_t* Samples() const { return mSamples.get(); }
    int16_t* Samples() { return mSamples.get(); }
    int32_t SampleCount() const { return mSampleCount; }

    // Spectral centroid test, decided once and cached until ResetSpirant.
    bool IsSpirant(int32_t limit);
    void SetSpirant() { mSpirant = 1; }
    void ClearSpirant() { mSpirant = 0; }
    void ResetSpirant() { mSpirant = -1; }
    int32_t Spirant() const { return mSpirant; }

    // Log energies (scale of LogEnergy); not initialised until computed.
    int32_t channels[kBandCount];
    int32_t fullBand;
    int32_t lowBand;

private:
    std::unique_ptr<int16_t[]> mSamples;
    int32_t mSampleCount = 0;
    int32_t mSpirant = -1;
};
