// The File audio backend: a microphone that plays WAV files and a speaker
// that records into a WAV file. Selected with LORVANO_AUDIO=file; configured by
//   LORVANO_AUDIO_IN      WAV files, separated by ':', heard one after another
//   LORVANO_AUDIO_GAP_MS  silence between two input files (default 500)
//   LORVANO_AUDIO_END     after the last file: "silence" (default) or "unplug"
//                         (the device disappears, as an unplugged headset)
//   LORVANO_AUDIO_PACE    "realtime" (default) or "fast": as fast as buffers are queued
//   LORVANO_AUDIO_OUT     WAV file receiving what output devices play; written
//                         whole when the device closes
// The input is converted to the device's format (channels mixed or copied,
// rate converted linearly); it advances only while capture runs. Like a
// microphone it is one stream per process: a capture device opened again on
// the same input (same list, format and files) goes on where the last one
// closed; a changed list or a rewritten file starts from the beginning.

#include <sndfile.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <condition_variable>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "platform/audio_driver.h"
#include "platform/regular_file.h"

namespace platform {
namespace {

using Clock = std::chrono::steady_clock;
constexpr std::size_t kChunkFrames = 256;  // real-time pace: one device period

std::string Env(const char* name, const char* fallback = "") {
    const char* v = std::getenv(name);
    return v ? v : fallback;
}

// One frame of 32-bit left-justified samples into the device's sample size.
void StoreSample(std::int32_t v, int bits, std::uint8_t*& out) {
    if (bits == 8) {
        *out++ = static_cast<std::uint8_t>((v >> 24) + 128);
    } else if (bits == 16) {
        const std::int16_t s = static_cast<std::int16_t>(v >> 16);
        std::memcpy(out, &s, 2);
        out += 2;
    } else {
        std::memcpy(out, &v, 4);
        out += 4;
    }
}

// Appends the file, converted to format, to pcm. False with a message on failure.
bool AppendWav(const std::string& path, const AudioFormat& format, std::vector<std::uint8_t>& pcm) {
    // A FIFO named as the input would block the capture thread for ever.
    const int fd = OpenRegularFile(path);
    if (fd < 0) {
        std::fprintf(stderr, "Lorvano: audio input \"%s\": %s\n", path.c_str(), OpenFailureText(errno).c_str());
        return false;
    }
    SF_INFO info{};
    SNDFILE* f = sf_open_fd(fd, SFM_READ, &info, SF_TRUE);
    if (!f) {  // libsndfile has closed the descriptor
        std::fprintf(stderr, "Lorvano: audio input \"%s\": %s\n", path.c_str(), sf_strerror(nullptr));
        return false;
    }
    std::vector<std::int32_t> in;
    std::vector<std::int32_t> block(4096 * static_cast<std::size_t>(info.channels));
    sf_count_t got;
    while ((got = sf_readf_int(f, block.data(), 4096)) > 0) in.insert(in.end(), block.begin(), block.begin() + got * info.channels);
    sf_close(f);

    const std::size_t srcCh = static_cast<std::size_t>(info.channels);
    const std::size_t frames = in.size() / srcCh;
    auto sample = [&](std::size_t frame, std::size_t ch) -> std::int64_t {
        if (srcCh == format.channels) return in[frame * srcCh + ch];
        if (format.channels == 1) {  // mix down
            std::int64_t sum = 0;
            for (std::size_t c = 0; c < srcCh; ++c) sum += in[frame * srcCh + c];
            return sum / static_cast<std::int64_t>(srcCh);
        }
        return in[frame * srcCh + std::min(ch, srcCh - 1)];
    };
    const double step = static_cast<double>(info.samplerate) / format.samplesPerSec;
    const std::size_t outFrames = frames == 0 ? 0 : static_cast<std::size_t>(frames / step);
    const std::size_t old = pcm.size();
    pcm.resize(old + outFrames * format.blockAlign);
    std::uint8_t* out = pcm.data() + old;
    for (std::size_t i = 0; i < outFrames; ++i) {
        const double pos = i * step;
        const std::size_t a = static_cast<std::size_t>(pos);
        const std::size_t b = std::min(a + 1, frames - 1);
        const double t = pos - a;
        for (std::size_t ch = 0; ch < format.channels; ++ch) {
            const std::int64_t v = step == 1.0 ? sample(a, ch)
                                               : static_cast<std::int64_t>(sample(a, ch) * (1 - t) + sample(b, ch) * t);
            StoreSample(static_cast<std::int32_t>(v), format.bitsPerSample, out);
        }
    }
    return true;
}

// Where the last capture device on an input stopped, so that closing and
// opening the device again does not replay what was already heard.
struct InputResume {
    std::mutex mutex;
    std::string key;
    std::size_t pos = 0;
};
InputResume& LastInput() {
    static InputResume resume;
    return resume;
}

class FileDriver final : public AudioDriver {
public:
    FileDriver(AudioDevice& device) : mDevice(device), mFormat(device.Format()) {}

    ~FileDriver() override {
        {
            std::lock_guard lock(mMutex);
            mQuit = true;
        }
        mWake.notify_all();
        if (mThread.joinable()) mThread.join();
        FinishOutput();
        if (mDevice.Direction() == AudioDirection::Capture) {
            InputResume& last = LastInput();
            std::lock_guard lock(last.mutex);
            last.key = mInputKey;
            last.pos = mPos;
        }
    }

    int Open() {
        const AudioDirection dir = mDevice.Direction();
        mFast = Env("LORVANO_AUDIO_PACE", "realtime") == "fast";
        if (dir == AudioDirection::Capture) {
            if (!LoadInput()) return audio::kError;
            InputResume& last = LastInput();
            {
                std::lock_guard lock(last.mutex);
                if (last.key == mInputKey) mPos = last.pos;
            }
            mUnplugAtEnd = Env("LORVANO_AUDIO_END", "silence") == "unplug";
        } else if (!OpenOutput()) {
            return audio::kError;
        }
        mThread = std::thread([this, dir] { dir == AudioDirection::Capture ? CaptureLoop() : OutputLoop(); });
        return audio::kOk;
    }

    void Lock() override { mMutex.lock(); }
    void Unlock() override {
        mMutex.unlock();
        mWake.notify_all();
    }
    int Start() override {
        {
            std::lock_guard lock(mMutex);
            mStarted = true;
            mClockValid = false;
        }
        mWake.notify_all();
        return audio::kOk;
    }
    void Stop() override {
        std::lock_guard lock(mMutex);
        mStarted = false;
    }
    void BufferQueued() override {
        // Taking the lock orders this with the thread's check of ReadyBytes.
        { std::lock_guard lock(mMutex); }
        mWake.notify_all();
    }

private:
    bool LoadInput() {
        const std::string list = Env("LORVANO_AUDIO_IN");
        const long gapMs = std::strtol(Env("LORVANO_AUDIO_GAP_MS", "500").c_str(), nullptr, 10);
        const std::size_t gapBytes =
            static_cast<std::size_t>(std::max(0L, gapMs)) * mFormat.samplesPerSec / 1000 * mFormat.blockAlign;
        std::size_t start = 0;
        bool first = true;
        mInputKey = list + "|" + std::to_string(mFormat.samplesPerSec) + "/" + std::to_string(mFormat.channels) + "/" +
                    std::to_string(mFormat.bitsPerSample) + "/" + std::to_string(gapBytes);
        while (start < list.size()) {
            std::size_t end = list.find(':', start);
            if (end == std::string::npos) end = list.size();
            const std::string path = list.substr(start, end - start);
            start = end + 1;
            if (path.empty()) continue;
            if (!first) mInput.resize(mInput.size() + gapBytes, mFormat.bitsPerSample == 8 ? 0x80 : 0);
            first = false;
            std::error_code ec;
            const auto size = std::filesystem::file_size(path, ec);
            const auto written = std::filesystem::last_write_time(path, ec);
            mInputKey += "|" + std::to_string(size) + "@" + std::to_string(written.time_since_epoch().count());
            if (!AppendWav(path, mFormat, mInput)) return false;
        }
        return true;
    }

    bool OpenOutput() {
        mOutPath = Env("LORVANO_AUDIO_OUT");
        if (mOutPath.empty()) return true;
        mTempPath = mOutPath + ".part";
        SF_INFO info{};
        info.samplerate = static_cast<int>(mFormat.samplesPerSec);
        info.channels = mFormat.channels;
        info.format = SF_FORMAT_WAV | (mFormat.bitsPerSample == 8    ? SF_FORMAT_PCM_U8
                                       : mFormat.bitsPerSample == 16 ? SF_FORMAT_PCM_16
                                                                     : SF_FORMAT_PCM_32);
        mOut = sf_open(mTempPath.c_str(), SFM_WRITE, &info);
        if (!mOut) {
            std::fprintf(stderr, "Lorvano: audio output \"%s\": %s\n", mTempPath.c_str(), sf_strerror(nullptr));
            return false;
        }
        return true;
    }

    void FinishOutput() {
        if (!mOut) return;
        const bool ok = !mWriteFailed && sf_close(mOut) == 0;
        mOut = nullptr;
        std::error_code ec;
        if (ok) std::filesystem::rename(mTempPath, mOutPath, ec);
        if (!ok || ec) {
            std::fprintf(stderr, "Lorvano: audio output \"%s\" could not be written.\n", mOutPath.c_str());
            std::filesystem::remove(mTempPath, ec);
        }
    }

    // Sleeps until the next period is due (real-time pace). Lock held; false when quitting.
    bool WaitPeriod(std::unique_lock<std::mutex>& lock) {
        if (!mClockValid) {
            mEpoch = Clock::now();
            mFramesDone = 0;
            mClockValid = true;
        }
        const auto due = mEpoch + std::chrono::microseconds(mFramesDone * 1000000 / mFormat.samplesPerSec);
        mWake.wait_until(lock, due, [&] { return mQuit; });
        return !mQuit;
    }

    // Bytes to move next, or 0 once the device is closing. At fast pace that is
    // whatever the consumer has queued; in real time one chunk per period,
    // counted from when `running` says the device moves.
    template <class Running>
    std::size_t NextChunk(std::unique_lock<std::mutex>& lock, Running running) {
        if (mFast) {
            mWake.wait(lock, [&] { return mQuit || mDevice.ReadyBytes() > 0; });
            return mQuit ? 0 : mDevice.ReadyBytes();
        }
        mWake.wait(lock, [&] { return mQuit || running(); });
        if (!WaitPeriod(lock)) return 0;
        mFramesDone += kChunkFrames;
        return kChunkFrames * mFormat.blockAlign;
    }

    void CaptureLoop() {
        std::unique_lock lock(mMutex);
        std::vector<std::uint8_t> chunk;
        while (!mQuit) {
            // A microphone runs while started, whether or not buffers are queued.
            const std::size_t want = NextChunk(lock, [&] { return mStarted; });
            if (want == 0) return;
            if (mPos >= mInput.size() && mUnplugAtEnd) {
                mDevice.DeviceLostLocked();
                mWake.wait(lock, [&] { return mQuit; });
                return;
            }
            chunk.assign(want, mFormat.bitsPerSample == 8 ? 0x80 : 0);
            const std::size_t n = std::min(want, mInput.size() - std::min(mPos, mInput.size()));
            if (n > 0) std::memcpy(chunk.data(), mInput.data() + mPos, n);
            mPos += n;
            mDevice.CaptureSamples(chunk.data(), chunk.size());
        }
    }

    void OutputLoop() {
        std::unique_lock lock(mMutex);
        std::vector<std::uint8_t> chunk;
        while (!mQuit) {
            const std::size_t want = NextChunk(lock, [&] { return mDevice.ReadyBytes() > 0; });
            if (want == 0) return;
            chunk.resize(want);
            const std::size_t played = mDevice.RenderSamples(chunk.data(), chunk.size());
            if (mOut && played > 0 &&
                sf_write_raw(mOut, chunk.data(), static_cast<sf_count_t>(played)) != static_cast<sf_count_t>(played))
                mWriteFailed = true;
            if (!mFast && played == 0) mClockValid = false;  // idle: the next sound starts a new period clock
        }
    }

    AudioDevice& mDevice;
    const AudioFormat mFormat;
    std::mutex mMutex;
    std::condition_variable mWake;
    std::thread mThread;
    bool mQuit = false;
    bool mFast = false;
    bool mUnplugAtEnd = false;
    bool mStarted = false;  // capture
    // Pace (guarded by mMutex).
    bool mClockValid = false;
    Clock::time_point mEpoch;
    std::uint64_t mFramesDone = 0;
    // Capture input.
    std::vector<std::uint8_t> mInput;
    std::size_t mPos = 0;
    std::string mInputKey;  // the list, format and files mInput was made from
    // Output file.
    std::string mOutPath, mTempPath;
    SNDFILE* mOut = nullptr;
    bool mWriteFailed = false;
};

}  // namespace

std::unique_ptr<AudioDriver> OpenFileDriver(AudioDevice& device, int deviceId, int& result) {
    if (deviceId != audio::kDefaultDevice && deviceId != 0) {
        result = audio::kBadDeviceId;
        return nullptr;
    }
    auto driver = std::make_unique<FileDriver>(device);
    result = driver->Open();
    if (result != audio::kOk) return nullptr;
    return driver;
}

}  // namespace platform
