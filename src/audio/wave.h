#pragma once
// vWave_c: what capture (vWaveIn_c) and playback (vWaveOut_c) share: the open
// device, its state flags, and the way its notifications come home. The
// device reports on its own delivery thread; vWave_c turns every report into
// a message posted to the owner window (id, device number, buffer record), so
// that OnMessage sees them on the user-interface thread in device order.
//
// Owns the device. User-interface thread only, except OnAudioEvent.

#include <cstdint>
#include <memory>

#include "events/cmd_target.h"
#include "platform/audio_device.h"
#include "platform/exception.h"

class vWindow_c;

// A buffer record: the device's header and the data block it points to,
// allocated zeroed. Owned by the pool or the playback object that made it.
class vWaveBuffer_c {
public:
    explicit vWaveBuffer_c(std::uint32_t bytes);
    vWaveBuffer_c(const vWaveBuffer_c&) = delete;
    vWaveBuffer_c& operator=(const vWaveBuffer_c&) = delete;

    platform::AudioBuffer* Header() { return &mHeader; }
    std::int16_t* Samples() { return reinterpret_cast<std::int16_t*>(mData.get()); }
    std::uint32_t Bytes() const { return mHeader.bufferLength; }

private:
    std::unique_ptr<char[]> mData;
    platform::AudioBuffer mHeader;
};

// The samples of a buffer record as 16-bit values (length in bytes / 2).
inline std::int16_t* SamplesOf(platform::AudioBuffer* header) { return reinterpret_cast<std::int16_t*>(header->data); }
inline int SampleCountOf(const platform::AudioBuffer* header) { return static_cast<int>(header->bufferLength / 2); }

class vWave_c : public vCmdTarget_c, private platform::AudioEventSink {
public:
    vWave_c() = default;
    ~vWave_c() override;

    virtual void Open(int deviceId, const platform::AudioFormat& format) = 0;
    // The PCM format from its parts; every caller uses (-1, 22050, 1, 16).
    void Open(int deviceId, std::uint32_t samplesPerSec, std::uint16_t channels, std::uint16_t bitsPerSample);
    virtual void Close() = 0;
    virtual bool IsOpen() const { return mOpen; }
    virtual void Start() = 0;
    virtual void Stop() = 0;
    virtual void AddBuffer(platform::AudioBuffer* header) = 0;
    // Capture: consume the samples. Output: the buffer has been played.
    virtual void ProcessBuffer(platform::AudioBuffer* header) = 0;
    virtual void PreprocessBuffer(platform::AudioBuffer* header);
    virtual void OnOpen();
    virtual void OnClose();

    // Records the owner and joins its message and user-message chains, so
    // that the device notifications reach this object.
    void AttachToWindow(vWindow_c& window);
    vWindow_c* Owner() const { return mOwner; }

    bool HasDevice() const { return mDevice != nullptr; }
    bool Running() const { return mRunning; }
    bool Idle() const { return mIdle; }
    bool Stopping() const { return mStopping; }
    bool Closing() const { return mClosing != 0; }
    int Queued() const { return mQueued; }
    std::uint8_t BitsPerSample() const { return mBitsPerSample; }
    std::uint8_t Channels() const { return mChannels; }

protected:
    // Opens the device (nothing when one is open); raises the device's code.
    void OpenDevice(platform::AudioDirection direction, int deviceId, const platform::AudioFormat& format);
    // Drops the closed device (its notifications are still recognised).
    void ForgetDevice() { mDevice.reset(); }
    // True for notifications of the device this object opened last.
    bool IsOurs(std::uintptr_t device) const { return mDeviceNumber != 0 && device == mDeviceNumber; }
    // Removes the owner's pending messages of this id; passes ours to
    // OnMessage and posts the others' again, in their order.
    void HandlePending(platform::MessageId id);
    // A failure while handling a notification: a warning box of the owner.
    void Warn(const vException_c& e);
    platform::WindowHandle OwnerHandle() const;

    std::unique_ptr<platform::AudioDevice> mDevice;  // the device handle
    int mClosing = 0;
    std::uint8_t mBitsPerSample = 16;
    std::uint8_t mChannels = 1;
    bool mRunning = false;
    bool mIdle = true;
    bool mStopping = false;
    int mQueued = 0;
    bool mOpen = false;
    vWindow_c* mOwner = nullptr;

private:
    void OnAudioEvent(std::uint32_t message, std::uintptr_t device, platform::AudioBuffer* buffer) override;

    std::uintptr_t mDeviceNumber = 0;
    platform::WindowHandle mPostTo = platform::kNoWindow;  // fixed while a device is open
};

// Raises vException_c with the device's result code unless it is 0.
void CheckAudio(int result);
