#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <functional>
#include <string>

#include "audio/sound_file.h"
#include "audio/wave_out.h"
#include "audio_fixture.h"

namespace {

using audio_test::ReadWav;
using audio_test::Ramp;
namespace fs = std::filesystem;

class Exercise : public vPlaybackListener_i {
public:
    void OnPlaybackFinished() override { ++finished; }
    int finished = 0;
};

// Sees what the playback object passes on in the window's message chain.
class Spy : public vCmdTarget_c {
public:
    Result OnMessage(platform::MessageId id, std::uintptr_t p1, std::intptr_t p2) override {
        if (id == platform::msg::kClose) {
            ++closes;
            soundOverAtClose = probe && probe();
        }
        return vCmdTarget_c::OnMessage(id, p1, p2);
    }
    int closes = 0;
    std::function<bool()> probe;  // evaluated when the close message arrives
    bool soundOverAtClose = false;
};

class Playback : public audio_test::AudioFixture {
protected:
    // Makes a file with sox from a 16-bit ramp of the given frames.
    fs::path Sox(const std::string& name, const std::string& options, int frames = 5000, int rate = 22050,
                 int channels = 1) {
        const fs::path src = dir / ("src_" + name);
        audio_test::WriteWav(src, Ramp(static_cast<std::size_t>(frames * channels), 0, 3), rate, channels);
        const fs::path out = dir / name;
        const std::string cmd = "sox -q " + src.string() + " " + options + " " + out.string() + " 2>&1";
        EXPECT_EQ(std::system(cmd.c_str()), 0) << cmd;
        return out;
    }
    // Frames of a file as libsndfile decodes them.
    sf_count_t Frames(const fs::path& p) { return ReadWav(p).info.frames; }

    void PlayAndWait(vTrPlayback_c& player, const fs::path& file, Exercise& ex) {
        player.PlayFile(file.c_str());
        ASSERT_TRUE(PumpUntil([&] { return ex.finished == 1; })) << file;
    }
    fs::path Played() { return dir / "played.wav"; }
};

TEST_F(Playback, PcmPlaysAtItsOwnFormat) {
    const auto file = dir / "stereo.wav";
    const auto samples = Ramp(2 * 3000, 1, 7);
    audio_test::WriteWav(file, samples, 11025, 2);
    Exercise ex;
    vTrPlayback_c player(window, ex);
    player.PlayFile(file.c_str());
    EXPECT_TRUE(player.HasDevice());
    ASSERT_TRUE(PumpUntil([&] { return ex.finished == 1; }));
    EXPECT_TRUE(player.Finished());
    EXPECT_FALSE(player.IsOpen());
    EXPECT_FALSE(player.HasDevice());
    ASSERT_NE(player.FileName(), nullptr);
    EXPECT_EQ(*player.FileName(), file.string());
    const auto played = ReadWav(Played());
    EXPECT_EQ(played.info.samplerate, 11025);
    EXPECT_EQ(played.info.channels, 2);
    EXPECT_EQ(played.samples, samples);
    DrainMessages();
    EXPECT_EQ(ex.finished, 1);
    EXPECT_TRUE(boxes.empty());
}

TEST_F(Playback, CompressedFilesAreDecodedToSixteenBitPcm) {
    struct Case {
        const char* name;
        const char* sox;
        int channels;
    } cases[] = {
        {"ima.wav", "-e ima-adpcm", 1},      {"ms.wav", "-e ms-adpcm", 2},
        {"ulaw.wav", "-e u-law", 1},         {"alaw.wav", "-e a-law", 1},
        {"gsm.wav", "-e gsm-full-rate", 1},  {"float.wav", "-e floating-point -b 32", 2},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const auto file = Sox(c.name, c.sox, 4000, c.name[0] == 'g' ? 8000 : 22050, c.channels);
        const auto decoded = ReadWav(file);
        ASSERT_GT(decoded.info.frames, 0);
        Exercise ex;
        vTrPlayback_c player(window, ex);
        PlayAndWait(player, file, ex);
        const auto played = ReadWav(Played());
        EXPECT_EQ(played.info.format, SF_FORMAT_WAV | SF_FORMAT_PCM_16);
        EXPECT_EQ(played.info.samplerate, decoded.info.samplerate);
        EXPECT_EQ(played.info.channels, c.channels);
        EXPECT_EQ(played.info.frames, decoded.info.frames);
        EXPECT_EQ(played.samples, decoded.samples);
        fs::remove(Played());
    }
    EXPECT_TRUE(boxes.empty());
}

// Writes a RIFF file from its parts.
void WriteBytes(const fs::path& p, const std::string& bytes) { std::ofstream(p, std::ios::binary) << bytes; }
std::string Le32(std::uint32_t v) { return std::string{char(v), char(v >> 8), char(v >> 16), char(v >> 24)}; }
std::string Fmt(int tag = 1, int channels = 1, int rate = 22050, int bits = 16) {
    const int align = channels * bits / 8;
    std::string f = "fmt " + Le32(16);
    f += std::string{char(tag), char(tag >> 8), char(channels), 0};
    f += Le32(rate) + Le32(rate * align);
    f += std::string{char(align), 0, char(bits), 0};
    return f;
}
std::string Riff(const std::string& body) { return "RIFF" + Le32(4 + body.size()) + "WAVE" + body; }

TEST_F(Playback, BadFilesRaiseZeroAndOpenNothing) {
    const std::string pcm(400, '\x01');
    struct Case {
        const char* name;
        std::string bytes;
    } cases[] = {
        {"data_longer.wav", Riff(Fmt() + "data" + Le32(4000) + pcm)},
        {"fmt_longer.wav", Riff("fmt " + Le32(1000) + std::string(16, '\0'))},
        {"empty_data.wav", Riff(Fmt() + "data" + Le32(0))},
        {"two_gib.wav", Riff(Fmt() + "data" + Le32(0x80000000u) + pcm)},
        {"no_data.wav", Riff(Fmt())},
        {"no_fmt.wav", Riff("data" + Le32(400) + pcm)},
        {"short_fmt.wav", Riff("fmt " + Le32(8) + std::string(8, '\0') + "data" + Le32(400) + pcm)},
        {"not_wave.wav", "RIFF" + Le32(100) + "AVI " + Fmt()},
        {"truncated.wav", "RIF"},
        {"empty.wav", ""},
        {"bad_codec.wav", Riff(Fmt(0x1234) + "data" + Le32(400) + pcm)},  // no decoder knows it
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        WriteBytes(dir / c.name, c.bytes);
        Exercise ex;
        vTrPlayback_c player(window, ex);
        try {
            player.PlayFile((dir / c.name).c_str());
            ADD_FAILURE() << "played";
        } catch (const vException_c& e) {
            EXPECT_EQ(e.Code(), 0);
        }
        EXPECT_FALSE(player.HasDevice());
        DrainMessages();
        EXPECT_EQ(ex.finished, 0);
    }
    Exercise ex;
    vTrPlayback_c player(window, ex);
    for (const fs::path& p : {dir / "missing.wav", dir}) {
        try {
            player.PlayFile(p.c_str());
            ADD_FAILURE() << "played " << p;
        } catch (const vException_c& e) {
            EXPECT_EQ(e.Code(), 0);
        }
    }
    EXPECT_THROW(player.PlayFile(nullptr), vException_c);
    EXPECT_FALSE(fs::exists(Played()));
}

TEST_F(Playback, AFormatTheDeviceRefusesRaisesItsCode) {
    // 24-bit PCM with format tag 1 (sox would write the extensible form, which is decoded).
    const auto file = dir / "24bit.wav";
    WriteBytes(file, Riff(Fmt(1, 1, 22050, 24) + "data" + Le32(300) + std::string(300, '\x10')));
    Exercise ex;
    vTrPlayback_c player(window, ex);
    try {
        player.PlayFile(file.c_str());
        FAIL() << "24-bit PCM played";
    } catch (const vException_c& e) {
        EXPECT_EQ(e.Code(), platform::audio::kBadFormat);
    }
    EXPECT_FALSE(player.HasDevice());
    DrainMessages();
    EXPECT_EQ(ex.finished, 0);
    EXPECT_FALSE(fs::exists(Played()));
}

TEST_F(Playback, WindowCloseWaitsForTheSound) {
    setenv("LORVANO_AUDIO_PACE", "realtime", 1);
    const auto file = dir / "word.wav";
    audio_test::WriteWav(file, Ramp(2205));  // 100 ms
    Spy spy;
    spy.JoinChain(Chain::Message, window);
    Exercise ex;
    vTrPlayback_c player(window, ex);  // asked before the spy
    spy.probe = [&] { return player.Finished() && !player.HasDevice(); };
    player.PlayFile(file.c_str());
    player.Stop();  // hold the sound so that the close surely comes while it plays
    platform::Post(window.Handle(), platform::msg::kClose);
    DrainMessages(500);  // the close message comes round again and again
    EXPECT_EQ(spy.closes, 0);
    EXPECT_TRUE(player.HasDevice());
    player.Start();
    ASSERT_TRUE(PumpUntil([&] { return spy.closes == 1 && ex.finished == 1; }));
    EXPECT_TRUE(spy.soundOverAtClose);
    EXPECT_TRUE(player.Finished());
    EXPECT_EQ(ReadWav(Played()).info.frames, 2205);
    spy.LeaveChain(Chain::Message);
}

TEST_F(Playback, CloseCutsTheSoundShort) {
    setenv("LORVANO_AUDIO_PACE", "realtime", 1);
    const auto file = dir / "long.wav";
    audio_test::WriteWav(file, Ramp(22050 * 5));
    Exercise ex;
    vTrPlayback_c player(window, ex);
    player.PlayFile(file.c_str());
    // A second sound while one plays is refused.
    try {
        player.PlayFile(file.c_str());
        FAIL() << "second sound";
    } catch (const vException_c& e) {
        EXPECT_EQ(e.Code(), platform::audio::kStillPlaying);
    }
    player.Close();
    EXPECT_FALSE(player.HasDevice());
    EXPECT_TRUE(player.Finished());
    ASSERT_TRUE(PumpUntil([&] { return ex.finished == 1; }));
    DrainMessages();
    EXPECT_EQ(ex.finished, 1);
    EXPECT_LT(ReadWav(Played()).info.frames, 22050 * 5);
    EXPECT_TRUE(boxes.empty());
}

TEST_F(Playback, StartAndStopNeedADevice) {
    Exercise ex;
    vTrPlayback_c player(window, ex);
    for (auto op : {&vWaveOut_c::Start, &vWaveOut_c::Stop}) {
        try {
            (player.*op)();
            ADD_FAILURE() << "no device";
        } catch (const vException_c& e) {
            EXPECT_EQ(e.Code(), -1);
        }
    }
    EXPECT_NO_THROW(player.Close());
}

}  // namespace

namespace {

TEST_F(Playback, DestroyingTheWindowStopsTheSound) {
    setenv("LORVANO_AUDIO_PACE", "realtime", 1);
    const auto file = dir / "long.wav";
    audio_test::WriteWav(file, Ramp(22050 * 5));
    Exercise ex;
    vTrPlayback_c player(window, ex);
    player.PlayFile(file.c_str());
    window.Destroy();
    EXPECT_FALSE(player.HasDevice());
    EXPECT_TRUE(player.Finished());
    EXPECT_TRUE(boxes.empty());
}

}  // namespace
