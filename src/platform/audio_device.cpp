#include "platform/audio_device.h"

#include <algorithm>
#include <condition_variable>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <mutex>
#include <semaphore>
#include <string_view>
#include <thread>

#include "platform/audio_driver.h"
#include "platform/spsc_fifo.h"

namespace platform {

namespace {
// Upper bound of buffers queued at one device; the notification queue is
// larger so that it can never overflow (every queued buffer comes back once,
// plus opened and closed).
constexpr std::size_t kMaxQueued = audio::kMaxQueuedBuffers;

std::atomic<std::uintptr_t> gNextDeviceNumber{1};

constexpr std::uint32_t Bit(AudioBufferFlag f) { return static_cast<std::uint32_t>(f); }
enum : int { kOpened, kClosed, kData };
}  // namespace

struct AudioNotice {
    std::uint32_t message;
    AudioBuffer* buffer;
};

// The path from the audio thread to the sink. The audio thread pushes into
// the lock-free queue and releases the semaphore (no lock, no allocation);
// the delivery thread passes the notices on to the sink in order, and counts
// them so that the caller can wait until everything pushed has arrived.
struct AudioDevice::Delivery {
    SpscFifo<AudioNotice> notices{2 * kMaxQueued + 4};
    std::counting_semaphore<> wake{0};
    std::atomic<std::uint64_t> pushed{0};
    std::mutex mutex;
    std::condition_variable delivered;
    std::uint64_t passed = 0;  // guarded by mutex
    std::atomic<bool> quit{false};
    std::thread thread;
};

AudioFormat PcmFormat(std::uint32_t samplesPerSec, std::uint16_t channels, std::uint16_t bitsPerSample) {
    AudioFormat f;
    f.formatTag = audio::kFormatPcm;
    f.channels = channels;
    f.samplesPerSec = samplesPerSec;
    f.bitsPerSample = bitsPerSample;
    f.blockAlign = static_cast<std::uint16_t>(channels * bitsPerSample / 8);
    f.avgBytesPerSec = samplesPerSec * f.blockAlign;
    f.extraSize = 0;
    return f;
}

bool IsPlayableFormat(const AudioFormat& f) {
    return f.formatTag == audio::kFormatPcm && f.channels >= 1 && f.channels <= 8 &&
           (f.bitsPerSample == 8 || f.bitsPerSample == 16 || f.bitsPerSample == 32) &&
           f.blockAlign == f.channels * f.bitsPerSample / 8 && f.samplesPerSec >= 1000 &&
           f.samplesPerSec <= 192000;
}

AudioDevice::AudioDevice(AudioDirection direction, const AudioFormat& format, AudioEventSink& sink)
    : mDirection(direction),
      mFormat(format),
      mSink(sink),
      mNumber(gNextDeviceNumber.fetch_add(1)),
      mQueue(std::make_unique<SpscFifo<AudioBuffer*>>(kMaxQueued)),
      mDelivery(std::make_unique<Delivery>()) {
    // Output devices play from the start, like a wave-out device.
    mRunning.store(direction == AudioDirection::Output);
    mDelivery->thread = std::thread([this] { DeliveryLoop(); });
}

AudioDevice::~AudioDevice() {
    mDriver.reset();
    mDelivery->quit.store(true);
    mDelivery->wake.release();
    mDelivery->thread.join();
}

void AudioDevice::Attach(std::unique_ptr<AudioDriver> driver) {
    mDriver = std::move(driver);
    DriverLock lock(*mDriver);
    Notify(Message(kOpened), nullptr);
}

std::uint32_t AudioDevice::Message(int which) const {
    const bool in = mDirection == AudioDirection::Capture;
    switch (which) {
        case kOpened: return in ? audio::kInOpened : audio::kOutOpened;
        case kClosed: return in ? audio::kInClosed : audio::kOutClosed;
        default: return in ? audio::kInData : audio::kOutDone;
    }
}

void AudioDevice::DeliveryLoop() {
    Delivery& d = *mDelivery;
    for (;;) {
        d.wake.acquire();
        AudioNotice n;
        while (d.notices.Pop(n)) {
            mSink.OnAudioEvent(n.message, mNumber, n.buffer);
            std::lock_guard lock(d.mutex);
            ++d.passed;
            d.delivered.notify_all();
        }
        if (d.quit.load()) return;
    }
}

void AudioDevice::Notify(std::uint32_t message, AudioBuffer* buffer) {
    // Cannot fail: at most kMaxQueued buffers plus opened and closed are ever in flight.
    mDelivery->notices.Push(AudioNotice{message, buffer});
    mDelivery->pushed.fetch_add(1, std::memory_order_release);
    mDelivery->wake.release();
}

void AudioDevice::WaitDelivered() {
    Delivery& d = *mDelivery;
    const std::uint64_t target = d.pushed.load(std::memory_order_acquire);
    std::unique_lock lock(d.mutex);
    d.delivered.wait(lock, [&] { return d.passed >= target; });
}

void AudioDevice::HandBack(AudioBuffer* buffer) {
    buffer->flags.fetch_or(Bit(AudioBufferFlag::Done), std::memory_order_release);
    mOutstanding.fetch_sub(1, std::memory_order_relaxed);
    Notify(Message(kData), buffer);
}

int AudioDevice::Prepare(AudioBuffer* buffer) {
    if (mClosed) return audio::kInvalidHandle;
    if (!buffer || !buffer->data || buffer->bufferLength == 0) return audio::kInvalidParam;
    buffer->flags.fetch_or(Bit(AudioBufferFlag::Prepared));
    return audio::kOk;
}

int AudioDevice::Unprepare(AudioBuffer* buffer) {
    if (!buffer) return audio::kInvalidParam;
    const std::uint32_t f = buffer->flags.load(std::memory_order_acquire);
    if ((f & Bit(AudioBufferFlag::Queued)) && !(f & Bit(AudioBufferFlag::Done))) return audio::kStillPlaying;
    buffer->flags.fetch_and(~(Bit(AudioBufferFlag::Prepared) | Bit(AudioBufferFlag::Queued)));
    return audio::kOk;
}

int AudioDevice::Add(AudioBuffer* buffer) {
    if (mClosed) return audio::kInvalidHandle;
    if (!buffer || !buffer->data || buffer->bufferLength == 0) return audio::kInvalidParam;
    const std::uint32_t f = buffer->flags.load(std::memory_order_acquire);
    if (!(f & Bit(AudioBufferFlag::Prepared))) return audio::kUnprepared;
    if (f & Bit(AudioBufferFlag::Queued)) return audio::kStillPlaying;
    if (Lost()) return audio::kNoDriver;
    if (mOutstanding.load() >= static_cast<int>(kMaxQueued)) return audio::kNoMemory;
    if (mDirection == AudioDirection::Capture) buffer->bytesRecorded = 0;
    buffer->flags.store((f | Bit(AudioBufferFlag::Queued)) & ~Bit(AudioBufferFlag::Done), std::memory_order_release);
    mOutstanding.fetch_add(1);
    mQueue->Push(buffer);  // room guaranteed by the count above
    mDriver->BufferQueued();
    return audio::kOk;
}

int AudioDevice::Start() {
    if (mClosed) return audio::kInvalidHandle;
    if (Lost()) return audio::kNoDriver;
    {
        DriverLock lock(*mDriver);
        mRunning.store(true);
    }
    return mDirection == AudioDirection::Capture ? mDriver->Start() : audio::kOk;
}

int AudioDevice::Stop() {
    if (mClosed) return audio::kInvalidHandle;
    {
        DriverLock lock(*mDriver);
        mRunning.store(false);
        // A partly filled buffer would carry a gap; it is filled afresh after Start.
        if (mCurrent && mDirection == AudioDirection::Capture) mCurrent->bytesRecorded = 0;
    }
    if (mDirection == AudioDirection::Capture) mDriver->Stop();
    return audio::kOk;
}

int AudioDevice::Reset() {
    if (mClosed) return audio::kInvalidHandle;
    {
        DriverLock lock(*mDriver);
        if (mDirection == AudioDirection::Capture) mRunning.store(false);
        // The caller takes the consumer's role here; the lock keeps the audio thread out.
        if (mCurrent) HandBack(mCurrent);
        mCurrent = nullptr;
        mOffset = 0;
        AudioBuffer* b;
        while (mQueue->Pop(b)) HandBack(b);
    }
    if (mDirection == AudioDirection::Capture) mDriver->Stop();
    WaitDelivered();
    return audio::kOk;
}

int AudioDevice::Close() {
    if (mClosed) return audio::kInvalidHandle;
    if (mOutstanding.load() > 0) return audio::kStillPlaying;
    mDriver.reset();
    mClosed = true;
    if (!mLost.exchange(true)) Notify(Message(kClosed), nullptr);
    WaitDelivered();
    return audio::kOk;
}

void AudioDevice::DeviceLostLocked() {
    if (mLost.exchange(true)) return;
    mRunning.store(false);
    Notify(Message(kClosed), nullptr);
}

std::size_t AudioDevice::ReadyBytes() {
    if (!mRunning.load(std::memory_order_relaxed) || Lost()) return 0;
    if (!mCurrent && !mQueue->Pop(mCurrent)) return 0;
    if (mDirection == AudioDirection::Capture) return mCurrent->bufferLength - mCurrent->bytesRecorded;
    return mCurrent->bufferLength - mOffset;
}

void AudioDevice::CaptureSamples(const std::uint8_t* data, std::size_t bytes) {
    while (bytes > 0) {
        const std::size_t room = ReadyBytes();
        if (room == 0) return;  // stopped, or the caller is late with buffers: an overrun
        const std::size_t n = std::min(room, bytes);
        std::memcpy(mCurrent->data + mCurrent->bytesRecorded, data, n);
        mCurrent->bytesRecorded += static_cast<std::uint32_t>(n);
        data += n;
        bytes -= n;
        if (mCurrent->bytesRecorded == mCurrent->bufferLength) {
            HandBack(mCurrent);
            mCurrent = nullptr;
        }
    }
}

std::size_t AudioDevice::RenderSamples(std::uint8_t* out, std::size_t bytes) {
    std::size_t played = 0;
    while (played < bytes) {
        const std::size_t room = ReadyBytes();
        if (room == 0) break;
        const std::size_t n = std::min(room, bytes - played);
        std::memcpy(out + played, mCurrent->data + mOffset, n);
        mOffset += static_cast<std::uint32_t>(n);
        played += n;
        if (mOffset == mCurrent->bufferLength) {
            HandBack(mCurrent);
            mCurrent = nullptr;
            mOffset = 0;
        }
    }
    std::memset(out + played, mFormat.bitsPerSample == 8 ? 0x80 : 0, bytes - played);
    return played;
}

int OpenAudioDevice(AudioDirection direction, int deviceId, const AudioFormat& format, AudioEventSink& sink,
                    std::unique_ptr<AudioDevice>& out) {
    if (!IsPlayableFormat(format)) return audio::kBadFormat;
    const char* env = std::getenv("LORVANO_AUDIO");
    const std::string_view backend = env ? env : "sdl";
    if (backend != "sdl" && backend != "file") {
        std::fprintf(stderr, "Lorvano: LORVANO_AUDIO=%s is neither \"sdl\" nor \"file\"; using SDL.\n", env);
    }
    auto device = std::make_unique<AudioDevice>(direction, format, sink);
    int result = audio::kOk;
    auto driver = backend == "file" ? OpenFileDriver(*device, deviceId, result) : OpenSdlDriver(*device, deviceId, result);
    if (!driver) return result;
    device->Attach(std::move(driver));
    out = std::move(device);
    return audio::kOk;
}

}  // namespace platform
