#pragma once
// The word detector: watches the full-band energy of each analysed frame,
// decides when a word starts and ends, and moves the word's frames (with a
// lead-in from before the onset and the trailing decay) from a 100-entry
// queue into a recording. When a word is over it hands the recording to a
// listener (the word exercise). Runs on the user-interface thread, one
// capture buffer at a time; nothing else touches its state while listening.

#include "settings/setting.h"
#include <cstddef>
#include <cstdint>

#include "analysis/fifo.h"
#include "analysis/hm_data.h"
#include "settings/shared_keys.h"

class vHMBlockProcessor_c;
class vRecording_c;

namespace keys {
inline constexpr vUnsignedSetting_c kDetectorWindowSize{"WordDetector/WindowSize", 224};
inline constexpr vUnsignedSetting_c kDetectorWindowNum{"WordDetector/WindowNum", 1};
inline constexpr vUnsignedSetting_c kDetectorInterLeave{"WordDetector/InterLeave", 1};
inline constexpr vBoolSetting_c kDetectorNoiseTracking{"WordDetector/NoiseTracking", false};
inline constexpr vIntSetting_c kDetectorNoiseMargin{"WordDetector/NoiseMargin", 600};
inline constexpr vIntSetting_c kDetectorTrigHoldStart{"WordDetector/TrigHoldStart", 8};
inline constexpr vIntSetting_c kDetectorTrigHoldEnd{"WordDetector/TrigHoldEnd", 40};
inline constexpr vIntSetting_c kDetectorIncrement{"WordDetector/Increment", 1};
inline constexpr vIntSetting_c kDetectorDecrement{"WordDetector/Decrement", 1};
inline constexpr vIntSetting_c kDetectorPreValidate{"WordDetector/PreValidate", 25};
inline constexpr vBoolSetting_c kDetectorWaveSupport{"Editor/Recorder/WaveSupport", true};
}  // namespace keys

struct vWordDetectorSettings_c {
    uint32_t windowSize = keys::kDetectorWindowSize.def;  // samples per block
    uint32_t windowNum = keys::kDetectorWindowNum.def;  // blocks per capture buffer
    uint32_t interLeave = keys::kDetectorInterLeave.def;  // every n-th block is analysed
    int32_t trigLevel = keys::kTriggerLevel.def;
    // "WordDetector/NoiseTracking": a frame must also rise NoiseMargin above
    // the room's noise floor to be loud; off, TrigLevel alone decides.
    bool noiseTracking = keys::kDetectorNoiseTracking.def;
    // "WordDetector/NoiseMargin": on the log scale, 600 units per doubling of
    // the peak amplitude, so about 100 units per dB: 600 is 6 dB.
    int32_t noiseMargin = keys::kDetectorNoiseMargin.def;
    int32_t trigHoldStart = keys::kDetectorTrigHoldStart.def;
    int32_t trigHoldEnd = keys::kDetectorTrigHoldEnd.def;
    int32_t increment = keys::kDetectorIncrement.def;
    int32_t decrement = keys::kDetectorDecrement.def;
    int32_t preValidate = keys::kDetectorPreValidate.def;
    bool realtimeFilters = keys::kRealtimeFilters.def;
    bool realtimePitch = keys::kRealtimePitch.def;
    bool waveSupport = keys::kDetectorWaveSupport.def;

    // The values of gSettings (defaults where keys are missing).
    static vWordDetectorSettings_c Read();
};

// What the detector tells its owner at the end of a word.
class vWordListener_i {
public:
    virtual ~vWordListener_i() = default;
    virtual void Suspend() = 0;
    virtual void WordRecorded(vRecording_c& recording) = 0;
    virtual void Resume() = 0;
};

class vWordDetector_c {
public:
    static constexpr int kQueueSize = 100;

    explicit vWordDetector_c(const vWordDetectorSettings_c& settings);

    // Listening starts: counters and queue reset, the recording rewound and
    // given the block size as its frame size.
    void StartListening(vRecording_c& recording);

    // Analyses the blocks of one capture buffer and follows the word. Returns
    // false when an exception of the system's family stopped the buffer early.
    bool ProcessBuffer(const int16_t* samples, size_t count, vHMBlockProcessor_c& processor,
                       vRecording_c& recording, vWordListener_i& listener);

    // One analysed frame through steps 2 to 6 (trigger, queue, onset and
    // offset, moving marked frames to the recording).
    void ProcessFrame(const vAllHmData_c& frame, vRecording_c& recording, vWordListener_i& listener);

    // The trigger step for a frame of full-band energy fullBand: whether the
    // frame belongs to the word. With noise tracking it also follows the
    // noise floor.
    bool TriggerStep(int32_t fullBand, const vRecording_c& recording);

    // The level a frame must exceed to be loud: TrigLevel, or with noise
    // tracking the larger of it and the noise floor plus NoiseMargin.
    int32_t Threshold() const;

    int32_t LHCnt() const { return mLHCnt; }
    bool IsWord() const { return mIsWord; }
    const vWordDetectorSettings_c& Settings() const { return mSettings; }
    const vFIFO_m<vAllHmData_c, kQueueSize>& Queue() const { return mQueue; }

    // Stream positions (frames analysed since listening started) of the first
    // and last frame that went into the recording since it was last empty;
    // -1 when none did.
    int64_t FirstFrameIndex() const { return mFirstIndex; }
    int64_t LastFrameIndex() const { return mLastIndex; }

private:
    void TrackNoiseFloor(int32_t fullBand, bool wasWord, bool endedFull);

    vWordDetectorSettings_c mSettings;
    int32_t mLHCnt = 0;
    bool mIsWord = false;
    vFIFO_m<vAllHmData_c, kQueueSize> mQueue;
    vAllHmData_c mScratch;
    int64_t mPushed = 0;
    int64_t mFirstIndex = -1;
    int64_t mLastIndex = -1;
    bool mFloorKnown = false;
    int32_t mFloor = 0;
    int32_t mWordMin = 0;  // quietest frame of the word in progress
};
