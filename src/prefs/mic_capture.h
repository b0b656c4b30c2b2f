#pragma once
// The microphone page's live analysis: the filter bank over each captured
// buffer (vMeterFeed_c), listening through the library's own copy of the
// program's capture, driven by a hidden window of its own
// (vMicrophoneCapture_c). The capture device reports on its own thread; its
// reports wait in the library's message queue until the sheet's main loop
// calls DispatchPending, so every meter update happens on the sheet's thread.
//
// vLevelCheck_c measures room noise and speech for the word detector's
// trigger level. All of it: user-interface thread only.

#include <algorithm>
#include <cstdint>
#include <functional>
#include <memory>
#include <vector>

#include "analysis/hm_block_processor.h"
#include "events/window.h"
#include "listening/capture.h"

class vBarMeter_c;

// Runs the filter bank over each captured buffer and shows the 20 bands and
// the full band on the two meters (energies below 256 leave a bar as it is).
class vMeterFeed_c : public vTrCaptureListener_i {
public:
    static constexpr int kBufferLength = 224;
    // Called after each buffer with the full band on the word detector's scale.
    using BufferDone = std::function<void(std::int32_t detectorLevel)>;

    // Reads the filter bank's files (throws when the coefficients are
    // missing or malformed).
    vMeterFeed_c(vBarMeter_c& spectrum, vBarMeter_c& level, BufferDone done);
    void OnCaptureBuffer(platform::AudioBuffer& buffer) override;

private:
    vHMBlockProcessor_c mBank;
    std::int32_t mInput[kBufferLength];
    vBarMeter_c& mSpectrum;
    vBarMeter_c& mLevel;
    BufferDone mDone;
};

class vMicrophoneCapture_c {
public:
    vMicrophoneCapture_c(vBarMeter_c& spectrum, vBarMeter_c& level, vMeterFeed_c::BufferDone done);
    ~vMicrophoneCapture_c();  // Stop, then the window goes
    vMicrophoneCapture_c(const vMicrophoneCapture_c&) = delete;
    vMicrophoneCapture_c& operator=(const vMicrophoneCapture_c&) = delete;

    // Sets up the log scale, the analysis and the hidden window and starts
    // capture. Without a capture device, coefficient file or window system
    // the meters simply stay still: false, and nothing runs.
    bool Start();
    // Stops and closes the capture; nothing when it is not running.
    void Stop();
    bool Running() const { return mFeed != nullptr; }

    // Whether the library's message queue holds anything.
    static bool HasPending();
    // Hands every queued message of the library to its window.
    static void DispatchPending();

private:
    vBarMeter_c& mSpectrum;
    vBarMeter_c& mLevel;
    vMeterFeed_c::BufferDone mDone;
    std::unique_ptr<vWindow_c> mWindow;
    vTrCapture_c mCapture;
    std::unique_ptr<vMeterFeed_c> mFeed;
};

// Two seconds of room noise, then up to four seconds in which the user
// speaks; each phase is summed up by the level that 90 % of its buffers stay
// below, so a short word counts while a single click does not.
class vLevelCheck_c {
public:
    enum class Phase { Idle, Quiet, Speech, Done };
    static constexpr int kQuietBuffers = 2 * 22050 / vMeterFeed_c::kBufferLength;
    static constexpr int kSpeechBuffers = 4 * 22050 / vMeterFeed_c::kBufferLength;
    // Speech closer than this to the noise (two doublings of energy) cannot be
    // told from it reliably.
    static constexpr std::int32_t kMinSpread = 1200;
    // Speech less than this above the noise (half a doubling, within the
    // levels' own wobble) is no louder than it.
    static constexpr std::int32_t kMinLouder = kMinSpread / 4;
    // The lowest trigger offered: below it the faintest hiss would start a word.
    static constexpr std::int32_t kMinTrigger = kMinSpread;

    // What a finished check found: speech clearly above the noise, hardly
    // above it, not above it, or nothing heard at all (speech below the
    // lowest trigger). A trigger is offered only for the first two.
    enum class Verdict { Clear, Close, NotLouder, Silent };

    void Begin();
    // One buffer's level; true when the phase changed.
    bool Add(std::int32_t detectorLevel);
    Phase CurrentPhase() const { return mPhase; }
    std::int32_t Noise() const { return mNoise; }
    std::int32_t Speech() const { return mSpeech; }
    Verdict Result() const;
    // Midway between noise and speech, and not below kMinTrigger.
    std::int32_t SuggestedTrigger() const { return std::max(mNoise + (mSpeech - mNoise) / 2, kMinTrigger); }

private:
    std::int32_t Summary();

    Phase mPhase = Phase::Idle;
    std::vector<std::int32_t> mLevels;
    std::int32_t mNoise = 0;
    std::int32_t mSpeech = 0;
};
