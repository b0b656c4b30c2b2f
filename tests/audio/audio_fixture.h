#pragma once
// Shared set-up of the capture and playback tests: a settings file, a window
// on the offscreen video driver, the File audio backend in fast pace, WAV
// helpers and a message pump with a generous deadline.

#include <gtest/gtest.h>
#include <sndfile.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <string>
#include <thread>
#include <vector>

#include "events/window.h"
#include "platform/message_box.h"
#include "platform/message_queue.h"
#include "settings/settings.h"

namespace audio_test {

inline std::vector<std::int16_t> Ramp(std::size_t n, int start = 0, int step = 1) {
    std::vector<std::int16_t> v(n);
    for (std::size_t i = 0; i < n; ++i) v[i] = static_cast<std::int16_t>((start + static_cast<int>(i) * step) % 20000);
    return v;
}

inline void WriteWav(const std::filesystem::path& path, const std::vector<std::int16_t>& samples, int rate = 22050,
                     int channels = 1) {
    SF_INFO info{};
    info.samplerate = rate;
    info.channels = channels;
    info.format = SF_FORMAT_WAV | SF_FORMAT_PCM_16;
    SNDFILE* f = sf_open(path.c_str(), SFM_WRITE, &info);
    ASSERT_NE(f, nullptr) << path;
    sf_write_short(f, samples.data(), static_cast<sf_count_t>(samples.size()));
    sf_close(f);
}

struct WavContents {
    SF_INFO info{};
    std::vector<std::int16_t> samples;
};
inline WavContents ReadWav(const std::filesystem::path& path) {
    WavContents c;
    SNDFILE* f = sf_open(path.c_str(), SFM_READ, &c.info);
    if (!f) return c;
    c.samples.resize(static_cast<std::size_t>(c.info.frames * c.info.channels));
    sf_readf_short(f, c.samples.data(), c.info.frames);
    sf_close(f);
    return c;
}

class AudioFixture : public ::testing::Test {
protected:
    void SetUp() override {
        dir = std::filesystem::temp_directory_path() /
              ("lorvano_audio_" + std::to_string(::getpid()) + "_" +
               ::testing::UnitTest::GetInstance()->current_test_info()->name());
        std::filesystem::create_directories(dir);
        WriteSettings("");
        gSettings.SetFileName((dir / "trainer.ini").c_str());
        setenv("LORVANO_AUDIO", "file", 1);
        setenv("LORVANO_AUDIO_PACE", "fast", 1);
        setenv("LORVANO_AUDIO_GAP_MS", "0", 1);
        unsetenv("LORVANO_AUDIO_IN");
        unsetenv("LORVANO_AUDIO_END");
        setenv("LORVANO_AUDIO_OUT", (dir / "played.wav").c_str(), 1);
        platform::SetMessageBoxHook([this](const platform::MessageBoxRecord& box) {
            boxes.push_back(box);
            return platform::BoxAnswer::Ok;
        });
        window.Create();
    }
    void TearDown() override {
        DrainMessages();
        platform::SetMessageBoxHook({});
        gSettings.SetFileName(nullptr);
        std::error_code ec;
        std::filesystem::remove_all(dir, ec);
    }

    // The [Preprocessor] section of the settings file.
    void WriteSettings(const std::string& preprocessorLines) {
        std::ofstream((dir / "trainer.ini").string()) << "[Preprocessor]\n" << preprocessorLines;
    }
    void SetInput(const std::vector<std::int16_t>& samples) {
        WriteWav(dir / "in.wav", samples);
        setenv("LORVANO_AUDIO_IN", (dir / "in.wav").c_str(), 1);
    }

    // Dispatches messages until done() holds; false after the deadline.
    bool PumpUntil(const std::function<bool()>& done, int seconds = 20) {
        const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(seconds);
        while (!done()) {
            platform::Message m;
            if (platform::TakePending(m)) {
                if (m.id != platform::msg::kQuit) platform::Dispatch(m);
            } else if (std::chrono::steady_clock::now() > deadline) {
                return false;
            } else {
                std::this_thread::sleep_for(std::chrono::microseconds(200));
            }
        }
        return true;
    }
    // Dispatches whatever is queued now (quit messages dropped), at most limit messages.
    void DrainMessages(int limit = 1000000) {
        platform::Message m;
        while (limit-- > 0 && platform::TakePending(m))
            if (m.id != platform::msg::kQuit) platform::Dispatch(m);
    }

    std::filesystem::path dir;
    vWindow_c window;
    std::vector<platform::MessageBoxRecord> boxes;
};

}  // namespace audio_test
