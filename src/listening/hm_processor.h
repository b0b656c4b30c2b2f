#pragma once
// vHMProcessor_c: the filter bank fed from capture, the base of the real-time
// exercises (amplitude, pitch, live spectrum). During ProcessBuffer the bank's
// NextSample reads the buffer just filled, from its first sample, each times
// the pre-amplification, and gives 0 once the buffer is used up; the
// exercise runs the filter steps and reads the energies.
//
// Built from "Preprocessor/Coeficients" (default "coef.dat"; a missing or
// malformed file makes the constructor throw) and the calibration file
// "Preprocessor/Equalize" (default "calib.txt"; missing is fine). Keeps the
// preprocessor's gain ("Preprocessor/PreAmp" x 256) and window table
// ("Preprocessor/Window", 224 entries, 1024 = 1.0; a bad file means no
// window).
// User-interface thread only.

#include "analysis/filter_files.h"
#include "analysis/hm_data.h"
#include "analysis/hm_filter_bank.h"
#include "audio/tr_wave_in.h"

class vHMProcessor_c : public vTrWaveIn_c, public vHMFilterArray_c {
public:
    explicit vHMProcessor_c(int bufferLength);

    std::int32_t NextSample() override;
    // Tone and overload check, then reading starts at the buffer's first sample.
    void PreprocessBuffer(platform::AudioBuffer* header) override;

    // Multiplies the count samples at the read position by the window table
    // (in place), or by table when one is given (224 entries, 1024 = 1.0).
    // Without a buffer: "Cannot apply window to no data! (_Buffer == NULL)".
    void ApplyWindowAtReadPosition(int count, const std::int32_t* table = nullptr);
    // Moves the read position on by count samples.
    void Skip(int count) { mReadPos += count; }
    int ReadPosition() const { return mReadPos; }
    platform::AudioBuffer* CurrentBuffer() const { return mBuffer; }
    std::int32_t Gain() const { return mGain; }
    const std::int32_t* WindowTable() const { return mWindow; }

    // LogEnergy of output k's peak energy times its gain, shifted right by 16.
    std::int32_t OutputLog(int k) const;
    // The 20 bands, the low band and the full band of the energies since
    // ResetEnergies into frame.
    void StoreEnergies(vAllHmData_c& frame) const;

private:
    platform::AudioBuffer* mBuffer = nullptr;  // the buffer being processed
    int mReadPos = 0;
    std::int32_t mGain;
    std::int32_t mWindow[kWindowSize];
};
