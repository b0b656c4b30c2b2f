#include "audio/wave_out.h"

#include "audio/sound_file.h"
#include "events/window.h"
#include "platform/message_queue.h"

namespace audio = platform::audio;

namespace {
// A device that keeps answering "still playing" is given up after this many tries.
constexpr int kCloseAttempts = 1000;
}  // namespace

vWaveOut_c::~vWaveOut_c() = default;

void vWaveOut_c::Open(int deviceId, const platform::AudioFormat& format) {
    OpenDevice(platform::AudioDirection::Output, deviceId, format);
}

void vWaveOut_c::Start() {
    if (!mDevice) throw vException_c(-1);
    if (mRunning) return;
    CheckAudio(mDevice->Start());
    mRunning = true;
}

void vWaveOut_c::Stop() {
    if (!mDevice) throw vException_c(-1);
    if (!mRunning) return;
    CheckAudio(mDevice->Stop());
    mRunning = false;
}

void vWaveOut_c::AddBuffer(platform::AudioBuffer* header) {
    if (!header || !mDevice) throw vException_c(-1);
    CheckAudio(mDevice->Prepare(header));
    CheckAudio(mDevice->Add(header));
    ++mQueued;
}

void vWaveOut_c::Close() {
    if (!mDevice) return;
    mClosing = 1;
    // BufferDone may close the device itself while the returned buffers are
    // handled; the loop ends as soon as the device is gone.
    for (int attempt = 0; mDevice; ++attempt) {
        const int result = mDevice->Close();
        if (result == audio::kOk) {
            ForgetDevice();
            return;
        }
        if (result != audio::kStillPlaying) throw vException_c(result);
        CheckAudio(mDevice->Reset());
        CheckAudio(mDevice->Stop());
        mRunning = false;
        HandlePending(audio::kOutDone);
        if (attempt >= kCloseAttempts) {
            ForgetDevice();
            return;
        }
    }
}

vCmdTarget_c::Result vWaveOut_c::OnMessage(platform::MessageId id, std::uintptr_t p1, std::intptr_t p2) {
    try {
        return Handle(id, p1, p2);
    } catch (const vException_c& e) {
        Warn(e);
        return 2;
    }
}

vCmdTarget_c::Result vWaveOut_c::Handle(platform::MessageId id, std::uintptr_t p1, std::intptr_t p2) {
    switch (id) {
        case audio::kOutOpened:
            if (!IsOurs(p1)) break;
            mIdle = false;
            mOpen = true;
            OnOpen();
            return 2;
        case audio::kOutClosed:
            if (!IsOurs(p1)) break;
            mIdle = true;
            mOpen = false;
            // A device that went away by itself still holds the sound: take it back.
            if (mDevice) Close();
            OnClose();
            return 1;
        case audio::kOutDone:
            if (!IsOurs(p1)) break;
            if (mDevice) {
                CheckAudio(mDevice->Unprepare(reinterpret_cast<platform::AudioBuffer*>(p2)));
                --mQueued;
            }
            mIdle = mQueued == 0;
            BufferDone(reinterpret_cast<platform::AudioBuffer*>(p2));
            return 2;
        case platform::msg::kClose:
            // Until the closed notification is in, so that it still finds the window.
            if (!mDevice && !mOpen) break;
            platform::Post(OwnerHandle(), id, p1, p2);
            return 2;
        default:
            break;
    }
    return vWave_c::OnMessage(id, p1, p2);
}

vCmdTarget_c::Result vWaveOut_c::OnDestroy() {
    // The window is going now: the sound stops with it, and the device gives
    // its buffer back while the buffer still exists.
    try {
        Close();
    } catch (const vException_c& e) {
        Warn(e);
    }
    return vWave_c::OnDestroy();
}

vPlayback_c::vPlayback_c(vWindow_c& window) {
    AttachToWindow(window);
    JoinChain(Chain::Destroy, window);
}

vPlayback_c::~vPlayback_c() {
    try {
        Close();
    } catch (const vException_c&) {
    }
    mSound.reset();
    mFileName.reset();
}

void vPlayback_c::PlayFile(const char* fileName, int deviceId) {
    if (mDevice) throw vException_c(audio::kStillPlaying);
    mFinished = false;
    mFileName = std::make_unique<std::string>(fileName ? fileName : "");
    vSound_s sound = LoadSoundFile(fileName);
    Open(deviceId, sound.format);
    mSound = std::move(sound.buffer);
    try {
        AddBuffer(mSound->Header());
        Start();
    } catch (const vException_c&) {
        // Close hands the buffer back through BufferDone, which frees it.
        Close();
        mSound.reset();
        throw;
    }
}

void vPlayback_c::BufferDone(platform::AudioBuffer* header) {
    if (!mSound || header != mSound->Header()) return;
    mSound.reset();
    mFinished = true;
    Close();
}

void vTrPlayback_c::OnClose() { mExercise.OnPlaybackFinished(); }
