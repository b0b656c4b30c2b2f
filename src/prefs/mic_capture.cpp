#include "prefs/mic_capture.h"

#include <SDL.h>

#include <algorithm>

#include "analysis/log_energy.h"
#include "platform/message_queue.h"
#include "platform/native_window.h"
#include "prefs/bar_meter.h"

vMeterFeed_c::vMeterFeed_c(vBarMeter_c& spectrum, vBarMeter_c& level, BufferDone done)
    : mBank(vHMProcessorSetup_c::Live()), mSpectrum(spectrum), mLevel(level), mDone(std::move(done)) {}

void vMeterFeed_c::OnCaptureBuffer(platform::AudioBuffer& buffer) {
    if (buffer.bytesRecorded == 0) return;
    mBank.ResetEnergies();
    mBank.InputOf(SamplesOf(&buffer), SampleCountOf(&buffer), mInput, kBufferLength);
    std::int32_t decimated[kBufferLength / 8];
    mBank.FilterBlock(mInput, kBufferLength / 8, decimated);
    for (int band = 0; band < kBandCount; ++band) mSpectrum.SetValue(band, LogEnergy(mBank.energy[band]));
    mLevel.SetValue(0, LogEnergy(mBank.energy[kFullBandOutput]));
    if (mDone) mDone(mBank.OutputLog(kFullBandOutput));
}

vMicrophoneCapture_c::vMicrophoneCapture_c(vBarMeter_c& spectrum, vBarMeter_c& level,
                                           vMeterFeed_c::BufferDone done)
    : mSpectrum(spectrum), mLevel(level), mDone(std::move(done)) {}

vMicrophoneCapture_c::~vMicrophoneCapture_c() { Stop(); }

bool vMicrophoneCapture_c::Start() {
    if (mFeed) return true;
    try {
        InitLogScale(600);
        auto feed = std::make_unique<vMeterFeed_c>(mSpectrum, mLevel, mDone);
        if (!mWindow) {
            auto window = std::make_unique<vWindow_c>();
            window->SetTitle("WaveHandlerWindow");
            window->RegisterWindowClass();
            window->Create(0, 0, 1, 1);
            // Only its messages are wanted: out of sight at once.
            SDL_HideWindow(platform::SdlWindowOf(window->Handle()));
            mWindow = std::move(window);
        }
        mFeed = std::move(feed);
        mCapture.Listen(*mFeed, vMeterFeed_c::kBufferLength, mWindow.get(), vTestTone_s{});
    } catch (const vException_c&) {
        // No live meters then; the rest of the page works as before.
        if (mFeed) mCapture.Forget(*mFeed);
        mFeed.reset();
        return false;
    }
    return true;
}

void vMicrophoneCapture_c::Stop() {
    if (mFeed) {
        mCapture.Forget(*mFeed);
        mFeed.reset();
    }
    if (mWindow) {
        mWindow.reset();
        // The window's end posts the quit message meant for a main loop
        // this library does not have.
        platform::RemovePending(platform::msg::kQuit);
    }
}

bool vMicrophoneCapture_c::HasPending() { return platform::PendingCount() > 0; }

void vMicrophoneCapture_c::DispatchPending() {
    platform::Message m;
    // Only what is queued: looking further would take the program's own
    // window events from the window system.
    while (platform::PendingCount() > 0 && platform::TakePending(m))
        if (m.id != platform::msg::kQuit) platform::Dispatch(m);
}

void vLevelCheck_c::Begin() {
    mPhase = Phase::Quiet;
    mLevels.clear();
    mNoise = mSpeech = 0;
}

std::int32_t vLevelCheck_c::Summary() {
    if (mLevels.empty()) return 0;
    const auto at = mLevels.begin() + static_cast<std::ptrdiff_t>(mLevels.size() * 9 / 10);
    std::nth_element(mLevels.begin(), at, mLevels.end());
    const std::int32_t level = *at;
    mLevels.clear();
    return level;
}

vLevelCheck_c::Verdict vLevelCheck_c::Result() const {
    if (mSpeech < kMinTrigger) return Verdict::Silent;
    if (mSpeech - mNoise < kMinLouder) return Verdict::NotLouder;
    return mSpeech - mNoise < kMinSpread ? Verdict::Close : Verdict::Clear;
}

bool vLevelCheck_c::Add(std::int32_t detectorLevel) {
    if (mPhase != Phase::Quiet && mPhase != Phase::Speech) return false;
    mLevels.push_back(std::max(detectorLevel, 0));  // below the scale's floor: 0
    if (mPhase == Phase::Quiet && static_cast<int>(mLevels.size()) == kQuietBuffers) {
        mNoise = Summary();
        mPhase = Phase::Speech;
        return true;
    }
    if (mPhase == Phase::Speech && static_cast<int>(mLevels.size()) == kSpeechBuffers) {
        mSpeech = Summary();
        mPhase = Phase::Done;
        return true;
    }
    return false;
}
