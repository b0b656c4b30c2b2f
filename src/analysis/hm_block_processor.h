#pragma once
// vHMBlockProcessor_c: the filter bank and pitch trackers applied to blocks
// handed to it (recordings, WAV files, the word detector's frames). Built
// once per exercise; its filter and tracker states run on from block to
// block until Reset. User-interface thread only.

#include <cstdint>
#include <string>
#include <vector>

#include "analysis/filter_files.h"
#include "analysis/hm_data.h"
#include "analysis/hm_filter_bank.h"
#include "analysis/pitch_tracker.h"
#include "settings/setting.h"

// What a block processor is built from; the members' initial values are the
// settings' defaults. Relative paths are relative to the language directory
// (the current directory).
struct vHMProcessorSetup_c {
    static constexpr vUnsignedSetting_c kOverlap{"Pitch_Processor/Overlap", 3};

    // Reads the keys through gSettings.
    static vHMProcessorSetup_c FromSettings();
    // The microphone's bank: the same, but the calibration file of the
    // real-time analysis ("Preprocessor/Equalize").
    static vHMProcessorSetup_c Live();

    std::string coefficients = "coef.dat";  // "Preprocessor/Coeficients"
    std::string calibration = "calib.txt";  // "Preprocessor/Equlize"
    std::string window;                     // "Preprocessor/Window"
    double preAmp = 1.0;                    // "Preprocessor/PreAmp"
    uint32_t overlap = kOverlap.def;
    vPitchSettings_c pitch;                 // "Pitch/..."
};

// trunc(preAmp * 256), kept where a 16-bit sample times it fits 32 bits.
int32_t PreAmp256(double preAmp);

class vHMBlockProcessor_c : public vHMFilterArray_c {
public:
    // Reads the coefficient file (throws when it is missing or malformed),
    // the calibration file (throws when malformed) and the window file
    // (a bad one means no window).
    explicit vHMBlockProcessor_c(const vHMProcessorSetup_c& setup);
    // Built from the settings.
    vHMBlockProcessor_c() : vHMBlockProcessor_c(vHMProcessorSetup_c::FromSettings()) {}

    int32_t NextSample() final;

    // The state of a new processor: filter histories, envelopes and pitch
    // trackers cleared, the first tracker current. A whole recording is
    // analysed from here, so that its frames depend on it alone and not on
    // what the processor heard before.
    void Reset();

    // Analyses samples[0 .. count / 8 * 8) into frame; see the .cpp for the
    // steps. Never throws the system's exceptions.
    void ProcessBlock(const int16_t* samples, int32_t count, bool storeSamples,
                      vAllHmData_c& frame, bool computeFilters, bool computePitch);

    // The bank's input for size values from samples: each times the gain,
    // 0 past count (which may be 0 or less).
    void InputOf(const int16_t* samples, int count, int32_t* input, int size) const;
    // LogEnergy of output k's energy since ResetEnergies, times its gain.
    int32_t OutputLog(int k) const;

    void SetApplyWindow(bool apply) { mApplyWindow = apply; }
    bool ApplyWindow() const { return mApplyWindow; }
    int32_t PreAmp256() const { return mPreAmp256; }
    const int32_t* Window() const { return mWindow; }
    uint32_t TrackerCount() const { return static_cast<uint32_t>(mTrackers.size()); }
    vPitchTracker_c& Tracker(uint32_t i) { return mTrackers[i]; }

private:
    void RunReference(int steps, bool computeFilters, bool computePitch);
    void RunBlocks(int steps, bool computeFilters, bool computePitch);
    void FeedTrackers(int32_t d);

    const int16_t* mSamples = nullptr;
    int32_t mReadIndex = 0;
    bool mApplyWindow = false;
    int32_t mPreAmp256 = 256;
    int32_t mWindow[kWindowSize];
    vPitchSettings_c mPitch;
    std::vector<vPitchTracker_c> mTrackers;
    uint32_t mCurrentTracker = 0;
    std::vector<int16_t> mWindowed;
};
