// The SDL2 audio backend: the system's devices (PulseAudio, PipeWire, ALSA,
// or SDL's disk and dummy drivers chosen with SDL_AUDIODRIVER).
//
// SDL's audio thread runs the callback, which only copies samples between
// SDL's block and the queued buffers (AudioDevice::CaptureSamples /
// RenderSamples): no locks beyond the one SDL holds around the callback, no
// allocation. SDL converts between the device's native format and ours.

#include <SDL.h>

#include <cstdio>

#include "platform/audio_driver.h"

namespace platform {
namespace {

// Small device blocks keep the way from the microphone to the user-interface
// thread short: 256 samples are 11.6 ms at 22050 Hz.
Uint16 BlockSamples(std::uint32_t rate) { return rate <= 24000 ? 256 : 512; }

SDL_AudioFormat SdlFormat(int bits) {
    switch (bits) {
        case 8: return AUDIO_U8;
        case 16: return AUDIO_S16SYS;
        default: return AUDIO_S32SYS;
    }
}

class SdlDriver final : public AudioDriver {
public:
    explicit SdlDriver(AudioDevice& device) : mDevice(device) {}

    ~SdlDriver() override {
        if (mId == 0) return;
        // After SDL_DelEventWatch returns the watch no longer runs; closing
        // the device joins SDL's audio thread.
        SDL_DelEventWatch(&SdlDriver::Watch, this);
        SDL_CloseAudioDevice(mId);
        SDL_QuitSubSystem(SDL_INIT_AUDIO);
    }

    int Open(int deviceId) {
        if (SDL_InitSubSystem(SDL_INIT_AUDIO) != 0) {
            std::fprintf(stderr, "Lorvano: no audio: %s\n", SDL_GetError());
            return audio::kNoDriver;
        }
        const bool capture = mDevice.Direction() == AudioDirection::Capture;
        const char* name = nullptr;
        if (deviceId != audio::kDefaultDevice) {
            name = deviceId >= 0 ? SDL_GetAudioDeviceName(deviceId, capture) : nullptr;
            if (!name) {
                SDL_QuitSubSystem(SDL_INIT_AUDIO);
                return audio::kBadDeviceId;
            }
        }
        const AudioFormat& f = mDevice.Format();
        SDL_AudioSpec want{};
        want.freq = static_cast<int>(f.samplesPerSec);
        want.format = SdlFormat(f.bitsPerSample);
        want.channels = static_cast<Uint8>(f.channels);
        want.samples = BlockSamples(f.samplesPerSec);
        want.callback = capture ? &SdlDriver::CaptureCallback : &SdlDriver::OutputCallback;
        want.userdata = this;
        SDL_AudioSpec have{};
        mId = SDL_OpenAudioDevice(name, capture ? 1 : 0, &want, &have, 0);
        if (mId == 0) {
            std::fprintf(stderr, "Lorvano: cannot open the audio %s device: %s\n", capture ? "capture" : "output",
                         SDL_GetError());
            SDL_QuitSubSystem(SDL_INIT_AUDIO);
            return audio::kError;
        }
        SDL_AddEventWatch(&SdlDriver::Watch, this);
        if (!capture) SDL_PauseAudioDevice(mId, 0);
        return audio::kOk;
    }

    void Lock() override { SDL_LockAudioDevice(mId); }
    void Unlock() override { SDL_UnlockAudioDevice(mId); }
    int Start() override {
        SDL_PauseAudioDevice(mId, 0);
        return audio::kOk;
    }
    void Stop() override { SDL_PauseAudioDevice(mId, 1); }

private:
    static void CaptureCallback(void* self, Uint8* stream, int len) {
        static_cast<SdlDriver*>(self)->mDevice.CaptureSamples(stream, static_cast<std::size_t>(len));
    }
    static void OutputCallback(void* self, Uint8* stream, int len) {
        static_cast<SdlDriver*>(self)->mDevice.RenderSamples(stream, static_cast<std::size_t>(len));
    }
    // Runs on the thread that pushes the event (SDL's hot-plug detection or
    // the event pump). The device lock orders it with the callback.
    static int Watch(void* userdata, SDL_Event* event) {
        auto* self = static_cast<SdlDriver*>(userdata);
        const bool capture = self->mDevice.Direction() == AudioDirection::Capture;
        if (event->type == SDL_AUDIODEVICEREMOVED && event->adevice.which == self->mId &&
            (event->adevice.iscapture != 0) == capture) {
            SDL_LockAudioDevice(self->mId);
            self->mDevice.DeviceLostLocked();
            SDL_UnlockAudioDevice(self->mId);
        }
        return 1;
    }

    AudioDevice& mDevice;
    SDL_AudioDeviceID mId = 0;
};

}  // namespace

std::unique_ptr<AudioDriver> OpenSdlDriver(AudioDevice& device, int deviceId, int& result) {
    auto driver = std::make_unique<SdlDriver>(device);
    result = driver->Open(deviceId);
    if (result != audio::kOk) return nullptr;
    return driver;
}

}  // namespace platform
