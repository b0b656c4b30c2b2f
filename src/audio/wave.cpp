#include "audio/wave.h"

#include "events/window.h"
#include "platform/message_queue.h"

vWaveBuffer_c::vWaveBuffer_c(std::uint32_t bytes) : mData(new char[bytes]()) {
    mHeader.data = mData.get();
    mHeader.bufferLength = bytes;
}

void CheckAudio(int result) {
    if (result != platform::audio::kOk) throw vException_c(result);
}

vWave_c::~vWave_c() = default;

void vWave_c::Open(int deviceId, std::uint32_t samplesPerSec, std::uint16_t channels, std::uint16_t bitsPerSample) {
    Open(deviceId, platform::PcmFormat(samplesPerSec, channels, bitsPerSample));
}

void vWave_c::PreprocessBuffer(platform::AudioBuffer*) {}
void vWave_c::OnOpen() {}
void vWave_c::OnClose() {}

void vWave_c::AttachToWindow(vWindow_c& window) {
    mOwner = &window;
    JoinChain(Chain::Message, window);
    JoinChain(Chain::UserMessage, window);
}

platform::WindowHandle vWave_c::OwnerHandle() const { return mOwner ? mOwner->Handle() : platform::kNoWindow; }

void vWave_c::OpenDevice(platform::AudioDirection direction, int deviceId, const platform::AudioFormat& format) {
    if (mDevice) return;
    // Without a window the notifications would have nowhere to go.
    if (OwnerHandle() == platform::kNoWindow) throw vException_c(-1);
    mBitsPerSample = static_cast<std::uint8_t>(format.bitsPerSample);
    mChannels = static_cast<std::uint8_t>(format.channels);
    mPostTo = OwnerHandle();
    CheckAudio(platform::OpenAudioDevice(direction, deviceId, format, *this, mDevice));
    mDeviceNumber = mDevice->Number();
}

void vWave_c::OnAudioEvent(std::uint32_t message, std::uintptr_t device, platform::AudioBuffer* buffer) {
    platform::Post(mPostTo, message, device, reinterpret_cast<std::intptr_t>(buffer));
}

void vWave_c::HandlePending(platform::MessageId id) {
    for (const platform::Message& m : platform::RemovePending(mPostTo, id)) {
        if (IsOurs(m.p1))
            OnMessage(m.id, m.p1, m.p2);
        else
            platform::Post(m);
    }
}

void vWave_c::Warn(const vException_c& e) {
    if (mOwner) mOwner->ShowException(e, 1);
}
