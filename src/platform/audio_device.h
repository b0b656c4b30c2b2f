#pragma once
// Audio capture and output devices.
//
// The model is that of a classic wave device: the caller opens a device for a
// PCM format, owns the buffers, and queues them at the device; the device
// fills (capture) or plays (output) them in queue order and hands each back
// with a "done" notification. Notifications ("opened", "buffer filled" /
// "buffer done", "closed") go to an AudioEventSink in the order the device
// produced them, always from the device's own delivery thread, never from the
// real-time audio thread (which neither locks nor allocates).
//
// Backends: SDL2 (default) and File (tests, demonstrations), chosen by the
// environment variable LORVANO_AUDIO ("sdl" or "file"); see README.md.
//
// Threads: OpenAudioDevice and every AudioDevice operation on one thread (the
// user-interface thread); the sink is called on the delivery thread.
// A buffer belongs to the device from Add until its done notification has
// been taken back with Unprepare; the caller must not touch it meanwhile.

#include <atomic>
#include <cstddef>
#include <cstdint>
#include <memory>

namespace platform {

// Result codes of the device operations (the classic wave-device numbers).
namespace audio {
inline constexpr int kOk = 0;
inline constexpr int kError = 1;          // the backend failed (reason written to stderr)
inline constexpr int kBadDeviceId = 2;    // no such device
inline constexpr int kInvalidHandle = 5;  // the device is closed
inline constexpr int kNoDriver = 6;       // the device has disappeared or audio is unavailable
inline constexpr int kNoMemory = 7;       // too many buffers queued
inline constexpr int kInvalidParam = 11;  // null or empty buffer
inline constexpr int kBadFormat = 32;     // the device cannot use the format
inline constexpr int kStillPlaying = 33;  // buffer still at the device / buffers still queued
inline constexpr int kUnprepared = 34;    // buffer not prepared

// Notification message ids.
inline constexpr std::uint32_t kOutOpened = 955;
inline constexpr std::uint32_t kOutClosed = 956;
inline constexpr std::uint32_t kOutDone = 957;
inline constexpr std::uint32_t kInOpened = 958;
inline constexpr std::uint32_t kInClosed = 959;
inline constexpr std::uint32_t kInData = 960;

// Most buffers one device holds queued at a time.
inline constexpr int kMaxQueuedBuffers = 4096;

// Device id for the system's default device.
inline constexpr int kDefaultDevice = -1;
inline constexpr std::uint16_t kFormatPcm = 1;
}  // namespace audio

enum class AudioDirection { Capture, Output };

// A wave format; only PCM (tag 1) is playable.
struct AudioFormat {
    std::uint16_t formatTag = audio::kFormatPcm;
    std::uint16_t channels = 1;
    std::uint32_t samplesPerSec = 22050;
    std::uint32_t avgBytesPerSec = 44100;
    std::uint16_t blockAlign = 2;
    std::uint16_t bitsPerSample = 16;
    std::uint16_t extraSize = 0;
};

// The PCM format with block alignment and byte rate derived from the rest.
AudioFormat PcmFormat(std::uint32_t samplesPerSec, std::uint16_t channels, std::uint16_t bitsPerSample);

enum class AudioBufferFlag : std::uint32_t {
    Done = 0x01,      // the device has handed the buffer back
    Prepared = 0x02,  // Prepare has been called
    Queued = 0x10,    // added and not yet taken back with Unprepare
};

// The buffer record: a header describing a caller-owned data block.
struct AudioBuffer {
    char* data = nullptr;
    std::uint32_t bufferLength = 0;   // bytes
    std::uint32_t bytesRecorded = 0;  // capture: bytes filled so far
    std::uintptr_t user = 0;          // free for the owner
    std::atomic<std::uint32_t> flags{0};
    std::uint32_t loops = 0;
    AudioBuffer* next = nullptr;      // free for the owner (pools link through it)
    std::uintptr_t reserved = 0;

    bool Has(AudioBufferFlag f) const { return (flags.load(std::memory_order_acquire) & static_cast<std::uint32_t>(f)) != 0; }
};

// Receives a device's notifications: message is one of the ids above, device
// the device's Number(), buffer the record for the data notifications (null
// otherwise). Called on the device's delivery thread only, one at a time.
class AudioEventSink {
public:
    virtual void OnAudioEvent(std::uint32_t message, std::uintptr_t device, AudioBuffer* buffer) = 0;

protected:
    ~AudioEventSink() = default;
};

class AudioDriver;
struct AudioNotice;
template <typename T>
class SpscFifo;

// One open device. Every operation returns a result code (0 = success).
class AudioDevice {
public:
    // Backends only; use OpenAudioDevice.
    AudioDevice(AudioDirection direction, const AudioFormat& format, AudioEventSink& sink);
    ~AudioDevice();  // stops the device without notifications; the caller reclaims its buffers
    AudioDevice(const AudioDevice&) = delete;
    AudioDevice& operator=(const AudioDevice&) = delete;

    AudioDirection Direction() const { return mDirection; }
    const AudioFormat& Format() const { return mFormat; }
    // Unique for the life of the process; the device parameter of notifications.
    std::uintptr_t Number() const { return mNumber; }

    int Prepare(AudioBuffer* buffer);
    // 33 while the buffer is still at the device (added, not yet handed back).
    int Unprepare(AudioBuffer* buffer);
    // Queues a prepared buffer. 33 if it is still queued from before.
    int Add(AudioBuffer* buffer);
    // Capture: begin filling buffers. Output: resume after Stop.
    int Start();
    // Capture: stop filling (the partly filled buffer stays queued and is filled
    // afresh after Start). Output: pause.
    int Stop();
    // Stops and hands back every queued buffer, in queue order. When Reset
    // returns, all of their notifications have reached the sink.
    int Reset();
    // 33 while buffers are queued. Otherwise the device closes; the closed
    // notification reaches the sink before Close returns.
    int Close();

    // Backend side. Called on the audio thread with the device lock held.
    void CaptureSamples(const std::uint8_t* data, std::size_t bytes);
    // Fills out; returns how many bytes came from queued buffers (the rest is silence).
    std::size_t RenderSamples(std::uint8_t* out, std::size_t bytes);
    // Bytes the device could take (capture) or give (output) at once without
    // waiting for the caller: the rest of the current or next queued buffer; 0 if none or not running.
    std::size_t ReadyBytes();
    // The device has disappeared: posts closed once; further Start/Add fail with 6.
    void DeviceLostLocked();
    bool Lost() const { return mLost.load(std::memory_order_acquire); }

    // Attaches the backend; posts the opened notification.
    void Attach(std::unique_ptr<AudioDriver> driver);

private:
    void HandBack(AudioBuffer* buffer);  // device lock held
    void Notify(std::uint32_t message, AudioBuffer* buffer);  // device lock held
    void WaitDelivered();
    void DeliveryLoop();
    std::uint32_t Message(int which) const;

    struct Delivery;
    const AudioDirection mDirection;
    const AudioFormat mFormat;
    AudioEventSink& mSink;
    const std::uintptr_t mNumber;
    std::unique_ptr<AudioDriver> mDriver;
    std::unique_ptr<SpscFifo<AudioBuffer*>> mQueue;   // caller -> audio thread
    std::unique_ptr<Delivery> mDelivery;               // audio thread -> sink
    // Audio thread's side (or the caller's under the device lock).
    AudioBuffer* mCurrent = nullptr;
    std::uint32_t mOffset = 0;  // output: bytes of mCurrent already played
    std::atomic<bool> mRunning{false};
    std::atomic<bool> mLost{false};
    std::atomic<int> mOutstanding{0};  // added and not yet handed back
    bool mClosed = false;
};

// Opens a device of the selected backend. deviceId: kDefaultDevice or an index.
// On success out holds the device and the opened notification is on its way.
int OpenAudioDevice(AudioDirection direction, int deviceId, const AudioFormat& format, AudioEventSink& sink,
                    std::unique_ptr<AudioDevice>& out);

}  // namespace platform
