#include "audio/wave_in.h"

#include <cmath>

#include "settings/shared_keys.h"

namespace audio = platform::audio;

vWaveIn_c::vWaveIn_c()
    : mOverloadDelay(static_cast<int>(kOverloadDelay.Read())),
      mPreAmp100(static_cast<int>(keys::kPreAmp.Read() * 100)) {}

vWaveIn_c::~vWaveIn_c() {
    try {
        Close();
    } catch (const vException_c&) {
        // Nothing left to tell: the object is going away.
    }
}

void vWaveIn_c::Open(int deviceId, const platform::AudioFormat& format) {
    OpenDevice(platform::AudioDirection::Capture, deviceId, format);
}

void vWaveIn_c::Start() {
    if (!mDevice) throw vException_c(-1);
    if (!mRunning) {
        CheckAudio(mDevice->Start());
        mRunning = true;
    }
    mClosing = 0;
    mStopping = false;
    mOverloadCountdown = 0;
    OnOverloadEnd();
}

void vWaveIn_c::AddBuffer(platform::AudioBuffer* header) {
    if (!header || !mDevice) throw vException_c(-1);
    CheckAudio(mDevice->Prepare(header));
    const int result = mDevice->Add(header);
    if (result == audio::kStillPlaying) return;  // still queued from before a Stop: counted already
    CheckAudio(result);
    ++mQueued;
}

void vWaveIn_c::Stop() {
    if (!mDevice) return;
    mStopping = true;
    if (mRunning) {
        CheckAudio(mDevice->Stop());
        mRunning = false;
    }
    mOverloadCountdown = 0;
    OnOverloadEnd();
}

void vWaveIn_c::Close() {
    if (!mDevice) return;
    mClosing = 1;
    Stop();
    CheckAudio(mDevice->Reset());
    // Every buffer is now back in the queue as message 960: release them unprocessed.
    HandlePending(audio::kInData);
    CheckAudio(mDevice->Close());
    ForgetDevice();
}

vCmdTarget_c::Result vWaveIn_c::OnMessage(platform::MessageId id, std::uintptr_t p1, std::intptr_t p2) {
    switch (id) {
        case audio::kInOpened:
            if (!IsOurs(p1)) break;
            mIdle = false;
            mDeliveredCount = 0;
            mDeliveredTotal = 0;
            mOpen = true;
            OnOpen();
            return 2;
        case audio::kInClosed:
            if (!IsOurs(p1)) break;
            mIdle = true;
            mOpen = false;
            if (mDevice && mRunning) {
                // The device went away by itself (unplugged): capture is over
                // until it is closed; its buffers come back with Close.
                mRunning = false;
                mStopping = true;
                mOverloadCountdown = 0;
                OnOverloadEnd();
            }
            OnClose();
            return 1;
        case audio::kInData:
            if (!IsOurs(p1)) break;
            HandleFilled(reinterpret_cast<platform::AudioBuffer*>(p2));
            return 2;
        case platform::msg::kClose:
            try {
                Close();
            } catch (const vException_c& e) {
                Warn(e);
            }
            break;
        default:
            break;
    }
    return vWave_c::OnMessage(id, p1, p2);
}

void vWaveIn_c::HandleFilled(platform::AudioBuffer* header) {
    try {
        if (mDevice) {
            CheckAudio(mDevice->Unprepare(header));
            --mQueued;
        }
        mIdle = mQueued == 0;
        if (mClosing) return;
        try {
            PreprocessBuffer(header);
            mProcessing = true;
            ProcessBuffer(header);
            mProcessing = false;
            ++mDeliveredCount;
            ++mDeliveredTotal;
        } catch (const vException_c& e) {
            // The buffer goes back to the device all the same, or the pool
            // would shrink with every failure until capture starves.
            mProcessing = false;
            Warn(e);
        }
        if (!mStopping) AddBuffer(header);
    } catch (const vException_c& e) {
        Warn(e);
    }
}

void vWaveIn_c::PreprocessBuffer(platform::AudioBuffer* header) {
    const std::int16_t* s = SamplesOf(header);
    const int n = SampleCountOf(header);
    for (int i = 0; i < n; ++i) {
        if (s[i] < -kOverloadLevel || s[i] > kOverloadLevel) {
            if (mOverloadCountdown == 0) OnOverloadBegin();
            OnOverload();
            mOverloadCountdown = mOverloadDelay;
            break;
        }
    }
    if (mOverloadCountdown != 0 && --mOverloadCountdown == 0) OnOverloadEnd();
}

void vWaveIn_c::OnOverload() {}
void vWaveIn_c::OnOverloadBegin() {}
void vWaveIn_c::OnOverloadEnd() {}

void vOscWaveIn_c::PreprocessBuffer(platform::AudioBuffer* header) {
    if (mToneOn) {
        std::int16_t* s = SamplesOf(header);
        const int n = SampleCountOf(header);
        for (int i = 0; i < n; ++i) {
            mPhase += mFrequency / 22050;
            while (mPhase > 1) mPhase -= 1;
            // Amplitudes above 1 clip at full scale instead of wrapping.
            const double v = std::sin(mPhase * 6.2831) * mAmplitude * 32767;
            s[i] = static_cast<std::int16_t>(v > 32767 ? 32767 : v < -32768 ? -32768 : v);
        }
    }
    vWaveIn_c::PreprocessBuffer(header);
}
