#include "platform/audio_device.h"

#include <gtest/gtest.h>
#include <sndfile.h>

#include <algorithm>
#include <chrono>
#include <condition_variable>
#include <cstdlib>
#include <filesystem>
#include <mutex>
#include <string>
#include <vector>

namespace {

using platform::AudioBuffer;
using platform::AudioDevice;
using platform::AudioDirection;
namespace audio = platform::audio;

struct Event {
    std::uint32_t message;
    std::uintptr_t device;
    AudioBuffer* buffer;
};

// Collects notifications from the delivery thread.
class Recorder : public platform::AudioEventSink {
public:
    void OnAudioEvent(std::uint32_t message, std::uintptr_t device, AudioBuffer* buffer) override {
        std::lock_guard lock(mMutex);
        mEvents.push_back({message, device, buffer});
        mChanged.notify_all();
    }
    // Waits (generously) until n events have arrived; returns a copy of all.
    std::vector<Event> WaitFor(std::size_t n) {
        std::unique_lock lock(mMutex);
        mChanged.wait_for(lock, std::chrono::seconds(20), [&] { return mEvents.size() >= n; });
        return mEvents;
    }
    std::vector<Event> Events() {
        std::lock_guard lock(mMutex);
        return mEvents;
    }

private:
    std::mutex mMutex;
    std::condition_variable mChanged;
    std::vector<Event> mEvents;
};

struct Buffer {
    explicit Buffer(std::size_t samples) : data(samples) {
        header.data = reinterpret_cast<char*>(data.data());
        header.bufferLength = static_cast<std::uint32_t>(samples * 2);
    }
    std::vector<std::int16_t> data;
    AudioBuffer header;
};

std::filesystem::path TempDir() {
    auto dir = std::filesystem::temp_directory_path() /
               ("lorvano_audio_device_" + std::to_string(::getpid()));
    std::filesystem::create_directories(dir);
    return dir;
}

void WriteWav(const std::filesystem::path& path, const std::vector<std::int16_t>& samples, int rate = 22050,
              int channels = 1) {
    SF_INFO info{};
    info.samplerate = rate;
    info.channels = channels;
    info.format = SF_FORMAT_WAV | SF_FORMAT_PCM_16;
    SNDFILE* f = sf_open(path.c_str(), SFM_WRITE, &info);
    ASSERT_NE(f, nullptr);
    sf_write_short(f, samples.data(), static_cast<sf_count_t>(samples.size()));
    sf_close(f);
}

std::vector<std::int16_t> Ramp(std::size_t n, int start = 1) {
    std::vector<std::int16_t> v(n);
    for (std::size_t i = 0; i < n; ++i) v[i] = static_cast<std::int16_t>(start + static_cast<int>(i));
    return v;
}

class FileBackend : public ::testing::Test {
protected:
    void SetUp() override {
        dir = TempDir();
        setenv("LORVANO_AUDIO", "file", 1);
        setenv("LORVANO_AUDIO_PACE", "fast", 1);
        unsetenv("LORVANO_AUDIO_IN");
        unsetenv("LORVANO_AUDIO_OUT");
        unsetenv("LORVANO_AUDIO_END");
        setenv("LORVANO_AUDIO_GAP_MS", "0", 1);
    }
    void TearDown() override {
        std::error_code ec;
        std::filesystem::remove_all(dir, ec);
        unsetenv("LORVANO_AUDIO");
    }
    int Open(AudioDirection dir_, std::unique_ptr<AudioDevice>& device,
             platform::AudioFormat format = platform::PcmFormat(22050, 1, 16)) {
        return platform::OpenAudioDevice(dir_, audio::kDefaultDevice, format, sink, device);
    }
    std::filesystem::path dir;
    Recorder sink;
};

TEST_F(FileBackend, CaptureDeliversBuffersInOrderWithTheFileSamples) {
    WriteWav(dir / "in.wav", Ramp(800));
    setenv("LORVANO_AUDIO_IN", (dir / "in.wav").c_str(), 1);
    std::unique_ptr<AudioDevice> dev;
    ASSERT_EQ(Open(AudioDirection::Capture, dev), audio::kOk);
    std::vector<std::unique_ptr<Buffer>> pool;
    for (int i = 0; i < 3; ++i) {
        pool.push_back(std::make_unique<Buffer>(224));
        ASSERT_EQ(dev->Prepare(&pool.back()->header), audio::kOk);
        ASSERT_EQ(dev->Add(&pool.back()->header), audio::kOk);
    }
    EXPECT_EQ(dev->Add(&pool[0]->header), audio::kStillPlaying);
    EXPECT_EQ(dev->Unprepare(&pool[0]->header), audio::kStillPlaying);
    ASSERT_EQ(dev->Start(), audio::kOk);
    auto events = sink.WaitFor(4);
    ASSERT_EQ(events.size(), 4u);
    EXPECT_EQ(events[0].message, audio::kInOpened);
    for (int i = 0; i < 3; ++i) {
        EXPECT_EQ(events[1 + i].message, audio::kInData);
        EXPECT_EQ(events[1 + i].device, dev->Number());
        ASSERT_EQ(events[1 + i].buffer, &pool[i]->header);
        EXPECT_EQ(pool[i]->header.bytesRecorded, 448u);
        EXPECT_TRUE(pool[i]->header.Has(platform::AudioBufferFlag::Done));
        EXPECT_EQ(pool[i]->data.front(), 1 + 224 * i);
        EXPECT_EQ(pool[i]->data.back(), 224 * (i + 1));
    }
    // Re-queued: continues where the input was, then silence after the file's end.
    ASSERT_EQ(dev->Unprepare(&pool[0]->header), audio::kOk);
    ASSERT_EQ(dev->Prepare(&pool[0]->header), audio::kOk);
    ASSERT_EQ(dev->Add(&pool[0]->header), audio::kOk);
    events = sink.WaitFor(5);
    ASSERT_EQ(events.size(), 5u);
    EXPECT_EQ(pool[0]->data[0], 673);
    EXPECT_EQ(pool[0]->data[800 - 673], 800);
    EXPECT_EQ(pool[0]->data[800 - 672], 0);
    for (auto& b : pool) dev->Unprepare(&b->header);
    EXPECT_EQ(dev->Close(), audio::kOk);
    events = sink.Events();
    ASSERT_EQ(events.size(), 6u);
    EXPECT_EQ(events.back().message, audio::kInClosed);
}

TEST_F(FileBackend, ResetHandsBackEveryQueuedBufferBeforeCloseMayClose) {
    std::unique_ptr<AudioDevice> dev;
    ASSERT_EQ(Open(AudioDirection::Capture, dev), audio::kOk);
    Buffer a(100), b(100);
    for (Buffer* x : {&a, &b}) {
        ASSERT_EQ(dev->Prepare(&x->header), audio::kOk);
        ASSERT_EQ(dev->Add(&x->header), audio::kOk);
    }
    EXPECT_EQ(dev->Close(), audio::kStillPlaying);
    ASSERT_EQ(dev->Reset(), audio::kOk);
    // Reset returns only once the notifications have been delivered.
    auto events = sink.Events();
    ASSERT_EQ(events.size(), 3u);
    EXPECT_EQ(events[1].buffer, &a.header);
    EXPECT_EQ(events[2].buffer, &b.header);
    EXPECT_EQ(a.header.bytesRecorded, 0u);
    EXPECT_EQ(dev->Unprepare(&a.header), audio::kOk);
    EXPECT_EQ(dev->Unprepare(&b.header), audio::kOk);
    EXPECT_EQ(dev->Close(), audio::kOk);
    EXPECT_EQ(sink.Events().back().message, audio::kInClosed);
    EXPECT_EQ(dev->Start(), audio::kInvalidHandle);
    EXPECT_EQ(dev->Add(&a.header), audio::kInvalidHandle);
}

TEST_F(FileBackend, StoppedCaptureKeepsItsBuffersAndInput) {
    WriteWav(dir / "in.wav", Ramp(300));
    setenv("LORVANO_AUDIO_IN", (dir / "in.wav").c_str(), 1);
    std::unique_ptr<AudioDevice> dev;
    ASSERT_EQ(Open(AudioDirection::Capture, dev), audio::kOk);
    Buffer a(100);
    ASSERT_EQ(dev->Prepare(&a.header), audio::kOk);
    ASSERT_EQ(dev->Add(&a.header), audio::kOk);
    // Not started: the buffer stays queued, the device reports nothing.
    ASSERT_EQ(dev->Stop(), audio::kOk);
    ASSERT_EQ(dev->Reset(), audio::kOk);
    auto events = sink.Events();
    ASSERT_EQ(events.size(), 2u);
    EXPECT_EQ(a.header.bytesRecorded, 0u);  // nothing was heard while stopped
    ASSERT_EQ(dev->Unprepare(&a.header), audio::kOk);
    ASSERT_EQ(dev->Prepare(&a.header), audio::kOk);
    ASSERT_EQ(dev->Add(&a.header), audio::kOk);
    ASSERT_EQ(dev->Start(), audio::kOk);
    events = sink.WaitFor(3);
    ASSERT_EQ(events.size(), 3u);
    EXPECT_EQ(a.data[0], 1);  // the input did not advance while stopped
    dev->Unprepare(&a.header);
    EXPECT_EQ(dev->Close(), audio::kOk);
}

TEST_F(FileBackend, InputListHasSilencesBetweenFiles) {
    WriteWav(dir / "a.wav", Ramp(10, 1));
    WriteWav(dir / "b.wav", Ramp(10, 101));
    setenv("LORVANO_AUDIO_IN", ((dir / "a.wav").string() + ":" + (dir / "b.wav").string()).c_str(), 1);
    setenv("LORVANO_AUDIO_GAP_MS", "1", 1);  // 22 samples at 22050 Hz
    std::unique_ptr<AudioDevice> dev;
    ASSERT_EQ(Open(AudioDirection::Capture, dev), audio::kOk);
    Buffer a(50);
    ASSERT_EQ(dev->Prepare(&a.header), audio::kOk);
    ASSERT_EQ(dev->Add(&a.header), audio::kOk);
    ASSERT_EQ(dev->Start(), audio::kOk);
    ASSERT_EQ(sink.WaitFor(2).size(), 2u);
    EXPECT_EQ(a.data[9], 10);
    for (int i = 10; i < 32; ++i) EXPECT_EQ(a.data[i], 0) << i;
    EXPECT_EQ(a.data[32], 101);
    EXPECT_EQ(a.data[41], 110);
    dev->Unprepare(&a.header);
    EXPECT_EQ(dev->Close(), audio::kOk);
}

TEST_F(FileBackend, UnpluggedMicrophonePostsClosedAndRefusesToStart) {
    WriteWav(dir / "in.wav", Ramp(100));
    setenv("LORVANO_AUDIO_IN", (dir / "in.wav").c_str(), 1);
    setenv("LORVANO_AUDIO_END", "unplug", 1);
    std::unique_ptr<AudioDevice> dev;
    ASSERT_EQ(Open(AudioDirection::Capture, dev), audio::kOk);
    Buffer a(100), b(100);
    for (Buffer* x : {&a, &b}) {
        ASSERT_EQ(dev->Prepare(&x->header), audio::kOk);
        ASSERT_EQ(dev->Add(&x->header), audio::kOk);
    }
    ASSERT_EQ(dev->Start(), audio::kOk);
    auto events = sink.WaitFor(3);
    ASSERT_EQ(events.size(), 3u);
    EXPECT_EQ(events[1].buffer, &a.header);
    EXPECT_EQ(events[2].message, audio::kInClosed);
    EXPECT_TRUE(dev->Lost());
    EXPECT_EQ(dev->Start(), audio::kNoDriver);
    // The second buffer is still the caller's to take back.
    ASSERT_EQ(dev->Reset(), audio::kOk);
    dev->Unprepare(&a.header);
    dev->Unprepare(&b.header);
    EXPECT_EQ(dev->Close(), audio::kOk);
    events = sink.Events();
    ASSERT_EQ(events.size(), 4u);  // no second closed notification
    EXPECT_EQ(events[3].buffer, &b.header);
}

TEST_F(FileBackend, RefusesWhatItCannotDo) {
    std::unique_ptr<AudioDevice> dev;
    EXPECT_EQ(Open(AudioDirection::Output, dev, platform::PcmFormat(22050, 1, 24)), audio::kBadFormat);
    auto adpcm = platform::PcmFormat(22050, 1, 16);
    adpcm.formatTag = 2;
    EXPECT_EQ(Open(AudioDirection::Output, dev, adpcm), audio::kBadFormat);
    auto inconsistent = platform::PcmFormat(22050, 2, 16);
    inconsistent.blockAlign = 2;
    EXPECT_EQ(Open(AudioDirection::Capture, dev, inconsistent), audio::kBadFormat);
    EXPECT_EQ(platform::OpenAudioDevice(AudioDirection::Capture, 5, platform::PcmFormat(22050, 1, 16), sink, dev),
              audio::kBadDeviceId);
    setenv("LORVANO_AUDIO_IN", (dir / "missing.wav").c_str(), 1);
    EXPECT_EQ(Open(AudioDirection::Capture, dev), audio::kError);
    setenv("LORVANO_AUDIO_OUT", (dir / "no" / "such" / "dir.wav").c_str(), 1);
    EXPECT_EQ(Open(AudioDirection::Output, dev), audio::kError);
    EXPECT_EQ(dev, nullptr);
    EXPECT_TRUE(sink.Events().empty());
    Buffer unprepared(10);
    unsetenv("LORVANO_AUDIO_IN");
    ASSERT_EQ(Open(AudioDirection::Capture, dev), audio::kOk);
    EXPECT_EQ(dev->Add(&unprepared.header), audio::kUnprepared);
    EXPECT_EQ(dev->Add(nullptr), audio::kInvalidParam);
    AudioBuffer empty;
    EXPECT_EQ(dev->Prepare(&empty), audio::kInvalidParam);
    EXPECT_EQ(dev->Close(), audio::kOk);
}

TEST_F(FileBackend, OutputPlaysIntoTheFileWhenClosed) {
    const auto out = dir / "out.wav";
    setenv("LORVANO_AUDIO_OUT", out.c_str(), 1);
    std::unique_ptr<AudioDevice> dev;
    ASSERT_EQ(Open(AudioDirection::Output, dev, platform::PcmFormat(11025, 2, 16)), audio::kOk);
    Buffer a(2000);
    const auto ramp = Ramp(2000, -1000);
    std::copy(ramp.begin(), ramp.end(), a.data.begin());
    ASSERT_EQ(dev->Prepare(&a.header), audio::kOk);
    ASSERT_EQ(dev->Add(&a.header), audio::kOk);
    auto events = sink.WaitFor(2);
    ASSERT_EQ(events.size(), 2u);
    EXPECT_EQ(events[0].message, audio::kOutOpened);
    EXPECT_EQ(events[1].message, audio::kOutDone);
    EXPECT_FALSE(std::filesystem::exists(out));  // written whole at close
    ASSERT_EQ(dev->Unprepare(&a.header), audio::kOk);
    ASSERT_EQ(dev->Close(), audio::kOk);
    EXPECT_EQ(sink.Events().back().message, audio::kOutClosed);
    SF_INFO info{};
    SNDFILE* f = sf_open(out.c_str(), SFM_READ, &info);
    ASSERT_NE(f, nullptr);
    EXPECT_EQ(info.samplerate, 11025);
    EXPECT_EQ(info.channels, 2);
    ASSERT_EQ(info.frames, 1000);
    std::vector<std::int16_t> back(2000);
    sf_read_short(f, back.data(), 2000);
    sf_close(f);
    EXPECT_EQ(back, a.data);
}

TEST_F(FileBackend, PausedOutputHoldsItsBuffer) {
    std::unique_ptr<AudioDevice> dev;
    ASSERT_EQ(Open(AudioDirection::Output, dev), audio::kOk);
    ASSERT_EQ(dev->Stop(), audio::kOk);
    Buffer a(100);
    ASSERT_EQ(dev->Prepare(&a.header), audio::kOk);
    ASSERT_EQ(dev->Add(&a.header), audio::kOk);
    EXPECT_EQ(dev->Close(), audio::kStillPlaying);
    ASSERT_EQ(dev->Start(), audio::kOk);
    ASSERT_EQ(sink.WaitFor(2).size(), 2u);
    dev->Unprepare(&a.header);
    EXPECT_EQ(dev->Close(), audio::kOk);
}

// SDL's dummy driver (set for every test run) stands in for a sound card.
TEST(SdlBackend, OpensCapturesAndPlaysOnTheDummyDriver) {
    unsetenv("LORVANO_AUDIO");
    setenv("SDL_AUDIODRIVER", "dummy", 1);
    Recorder sink;
    std::unique_ptr<AudioDevice> in;
    ASSERT_EQ(platform::OpenAudioDevice(AudioDirection::Capture, audio::kDefaultDevice,
                                        platform::PcmFormat(22050, 1, 16), sink, in),
              audio::kOk);
    Buffer a(224), b(224);
    for (Buffer* x : {&a, &b}) {
        std::fill(x->data.begin(), x->data.end(), 77);
        ASSERT_EQ(in->Prepare(&x->header), audio::kOk);
        ASSERT_EQ(in->Add(&x->header), audio::kOk);
    }
    ASSERT_EQ(in->Start(), audio::kOk);
    auto events = sink.WaitFor(3);
    ASSERT_EQ(events.size(), 3u);
    EXPECT_EQ(events[1].buffer, &a.header);
    EXPECT_EQ(events[2].buffer, &b.header);
    EXPECT_EQ(a.data[0], 0);  // the dummy microphone hears silence
    ASSERT_EQ(in->Stop(), audio::kOk);
    ASSERT_EQ(in->Reset(), audio::kOk);
    in->Unprepare(&a.header);
    in->Unprepare(&b.header);
    ASSERT_EQ(in->Close(), audio::kOk);

    Recorder outSink;
    std::unique_ptr<AudioDevice> out;
    ASSERT_EQ(platform::OpenAudioDevice(AudioDirection::Output, audio::kDefaultDevice,
                                        platform::PcmFormat(44100, 2, 16), outSink, out),
              audio::kOk);
    Buffer tone(4410);
    ASSERT_EQ(out->Prepare(&tone.header), audio::kOk);
    ASSERT_EQ(out->Add(&tone.header), audio::kOk);
    events = outSink.WaitFor(2);
    ASSERT_EQ(events.size(), 2u);
    EXPECT_EQ(events[1].message, audio::kOutDone);
    out->Unprepare(&tone.header);
    ASSERT_EQ(out->Close(), audio::kOk);
    EXPECT_EQ(outSink.Events().back().message, audio::kOutClosed);
}

}  // namespace
