#include "analysis/recording.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <numeric>

#include "objects/registration.h"
#include "platform/exception.h"
#include "wav_bytes.h"

namespace fs = std::filesystem;

namespace {

class RecordingFiles : public ::testing::Test {
protected:
    void SetUp() override {
        dir = fs::temp_directory_path() / ("lorvano_rec_" + std::to_string(::getpid()) + "_" +
                                          ::testing::UnitTest::GetInstance()->current_test_info()->name());
        fs::remove_all(dir);
        fs::create_directories(dir);
    }
    void TearDown() override { fs::remove_all(dir); }
    std::string Path(const std::string& name) const { return (dir / name).string(); }

    // The message LoadWave refuses the file with, or "" when it loads.
    std::string LoadMessage(const std::vector<uint8_t>& bytes, vRecording_c& rec) {
        WriteFile(Path("in.wav"), bytes);
        try {
            rec.LoadWave(Path("in.wav"));
        } catch (const vTextException_c& e) {
            return e.Text();
        }
        return "";
    }
    std::string LoadMessage(const WavFormat& format, size_t sampleCount = 448) {
        vRecording_c rec;
        return LoadMessage(MakeWav(format, std::vector<uint8_t>(sampleCount * 2, 0)), rec);
    }

    fs::path dir;
};

std::vector<int16_t> Ramp(size_t n) {
    std::vector<int16_t> v(n);
    for (size_t i = 0; i < n; ++i) v[i] = static_cast<int16_t>(static_cast<int>(i * 37 % 65536) - 32768);
    return v;
}

}  // namespace

TEST(Recording, AllocateClearRewindAndAppend) {
    vRecording_c rec;
    EXPECT_EQ(rec.Size(), 0);
    EXPECT_EQ(rec.RecPos(), -1);
    EXPECT_THROW(rec.Rewind(), vException_c);

    rec.Allocate(2);
    EXPECT_EQ(rec.Size(), 2);
    EXPECT_EQ(rec.RecPos(), 0);
    EXPECT_FALSE(rec.HasData());
    EXPECT_TRUE(rec.FiltersValid() && rec.PitchCalculated() && rec.WaveValid());
    EXPECT_THROW(rec.LastFrame(), vException_c);

    vAllHmData_c frame;
    frame.fullBand = 1234;
    EXPECT_TRUE(rec.AppendFrame(frame, true, false));
    EXPECT_FALSE(rec.PitchCalculated());
    EXPECT_TRUE(rec.FiltersValid());
    EXPECT_EQ(rec.LastFrame().fullBand, 1234);
    frame.fullBand = 99;
    EXPECT_TRUE(rec.AppendFrame(frame, true, true));
    EXPECT_EQ(rec.RecPos(), 2);
    // Full: the frame is refused and only the flags change.
    EXPECT_THROW(rec.CurrentFrame(), vException_c);
    EXPECT_FALSE(rec.AppendFrame(frame, false, true));
    EXPECT_EQ(rec.RecPos(), 2);
    EXPECT_FALSE(rec.FiltersValid());
    EXPECT_EQ(rec.Frame(1).fullBand, 99);
    // LastFrame insists on recPos < size, so a full recording has none.
    EXPECT_THROW(rec.LastFrame(), vException_c);

    rec.Rewind();
    EXPECT_EQ(rec.RecPos(), 0);
    EXPECT_TRUE(rec.FiltersValid() && rec.PitchCalculated());
    EXPECT_EQ(rec.Size(), 2);

    rec.Clear();
    EXPECT_EQ(rec.Size(), 0);
    EXPECT_EQ(rec.RecPos(), -1);
    EXPECT_FALSE(rec.AppendFrame(frame, true, true));
}

TEST(Recording, WordFrameStaysInsideTheFrames) {
    vRecording_c rec(4);
    // No word section yet (wordBegin -1): index 0 would be before the first frame.
    EXPECT_THROW(rec.WordFrame(0), vException_c);
    EXPECT_NO_THROW(rec.WordFrame(1));
    EXPECT_THROW(rec.WordFrame(5), vException_c);
    vRecording_c none;
    EXPECT_THROW(none.WordFrame(0), vException_c);
}

TEST(Recording, CopyIsDeepAndLeavesTheFileNameBehind) {
    vRecording_c rec(3);
    vAllHmData_c frame;
    const int16_t samples[4] = {1, -2, 3, -4};
    frame.SetSamples(samples, 4);
    frame.fullBand = 7;
    rec.AppendFrame(frame, true, true);
    rec.SetWavFileName("a.wav");
    rec.SetMarkerFontName("Sans");
    rec.SetMarkerFontSize(14);
    auto marker = std::make_unique<vSegmentMarker_c>();
    marker->SetPos(5, true);
    marker->label = "a";
    rec.Markers().Add(std::move(marker));

    vRecording_c copy;
    copy.SetWavFileName("keep.wav");
    copy = rec;
    EXPECT_EQ(copy.Size(), 3);
    EXPECT_EQ(copy.RecPos(), 1);
    EXPECT_EQ(copy.WavFileName(), "keep.wav");
    EXPECT_EQ(copy.MarkerFontName(), "Sans");
    EXPECT_EQ(copy.MarkerFontSize(), 14);
    ASSERT_EQ(copy.Markers().Count(), 1u);
    EXPECT_EQ(copy.Markers()[0].GetPos(true), 5);
    ASSERT_NE(copy.Frame(0).Samples(), nullptr);
    EXPECT_NE(copy.Frame(0).Samples(), rec.Frame(0).Samples());
    EXPECT_EQ(copy.Frame(0).Samples()[3], -4);
    // Changing the original does not reach the copy.
    rec.Markers()[0].SetPos(9, true);
    EXPECT_EQ(copy.Markers()[0].GetPos(true), 5);
}

TEST_F(RecordingFiles, RefusalsComeInTheirOrder) {
    EXPECT_EQ(LoadMessage(WavFormat{}), "");
    {
        vRecording_c rec;
        try {
            rec.LoadWave(Path("missing.wav"));
            FAIL();
        } catch (const vTextException_c& e) {
            EXPECT_EQ(e.Text(), "Cannot open wave file " + Path("missing.wav") + "!");
        }
    }
    WavFormat s;
    s.formatTag = 3;
    s.channels = 2;
    EXPECT_EQ(LoadMessage(s), "File is not a valid wave file!");
    // Channels are checked before the rate.
    s = {};
    s.channels = 2;
    s.rate = 44100;
    EXPECT_EQ(LoadMessage(s), "File is not a mono wave file!");
    s = {};
    s.rate = 44100;
    s.bytesPerSecond = 88200;
    EXPECT_EQ(LoadMessage(s), "File is not a 22050Hz wave file!");
    // 8-bit mono at 22050 Hz: the byte rate gives it away first.
    s = {};
    s.bytesPerSecond = 22050;
    s.blockAlign = 1;
    s.bits = 8;
    EXPECT_EQ(LoadMessage(s), "File is not a 16-bit wave file!");
    s = {};
    s.blockAlign = 4;
    EXPECT_EQ(LoadMessage(s), "File is not a valid 16-bit wave file!");
    s = {};
    s.bits = 24;
    EXPECT_EQ(LoadMessage(s), "File is not a valid 16-bit wave file!");
}

TEST_F(RecordingFiles, DamagedHeaders) {
    const std::string invalid = Path("in.wav") + " is not a valid wave file.";
    vRecording_c rec;
    EXPECT_EQ(LoadMessage({}, rec), invalid);
    EXPECT_EQ(LoadMessage({'R', 'I', 'F', 'F', 4, 0, 0, 0, 'A', 'V', 'I', ' '}, rec), invalid);
    // Truncated inside the RIFF header and inside the fmt chunk.
    auto good = MakeWav(WavFormat{}, std::vector<uint8_t>(100, 0));
    EXPECT_EQ(LoadMessage(std::vector<uint8_t>(good.begin(), good.begin() + 10), rec), invalid);
    EXPECT_EQ(LoadMessage(std::vector<uint8_t>(good.begin(), good.begin() + 30), rec),
              "Cannot load soruce file format info.");
    // No data chunk at all.
    WavFormat s;
    s.withData = false;
    EXPECT_EQ(LoadMessage(s), invalid);
    // A 2-byte fmt chunk cannot hold a format record.
    s = {};
    s.fmtSize = 2;
    s.fmtBytes = 2;
    EXPECT_EQ(LoadMessage(s), "Cannot load soruce file format info.");
    // A fmt chunk claiming 4 GiB swallows the rest of the file: no data chunk after it.
    s = {};
    s.fmtSize = 0xFFFFFFF0u;
    EXPECT_EQ(LoadMessage(s), invalid);
    // A RIFF size larger than the file is only trusted as far as the file goes.
    s = {};
    s.riffSizeAuto = false;
    s.riffSize = 0xFFFFFFFFu;
    EXPECT_EQ(LoadMessage(s), "");
    // The 18-byte form with an extension word, and a chunk to skip before data.
    s = {};
    s.fmtSize = 18;
    s.fmtBytes = 18;
    s.extraChunkBeforeData = {'L', 'I', 'S', 'T', 3, 0, 0, 0, 'a', 'b', 'c', 0};
    EXPECT_EQ(LoadMessage(s), "");
}

TEST_F(RecordingFiles, FramesAndThePaddedLastOne) {
    // Exactly two frames of data: recPos 2 and an all-zero frame past them.
    {
        vRecording_c rec;
        ASSERT_EQ(LoadMessage(MakeWav(WavFormat{}, SampleBytes(Ramp(448))), rec), "");
        EXPECT_EQ(rec.Size(), 3);
        EXPECT_EQ(rec.RecPos(), 2);
        ASSERT_EQ(rec.Frame(2).SampleCount(), 224);
        for (int i = 0; i < 224; ++i) EXPECT_EQ(rec.Frame(2).Samples()[i], 0);
        EXPECT_EQ(rec.Frame(1).Samples()[223], Ramp(448)[447]);
        EXPECT_TRUE(rec.WaveValid());
        // Without a processor the frames await Calculate.
        EXPECT_FALSE(rec.FiltersValid());
    }
    // A remainder of 5 samples lands, zero-padded, in the frame past the end.
    {
        vRecording_c rec;
        auto samples = Ramp(224 + 5);
        ASSERT_EQ(LoadMessage(MakeWav(WavFormat{}, SampleBytes(samples)), rec), "");
        EXPECT_EQ(rec.Size(), 2);
        EXPECT_EQ(rec.RecPos(), 1);
        EXPECT_EQ(rec.Frame(1).Samples()[4], samples[228]);
        EXPECT_EQ(rec.Frame(1).Samples()[5], 0);
    }
    // Zero-length data: one padded frame, nothing recorded.
    {
        vRecording_c rec;
        ASSERT_EQ(LoadMessage(MakeWav(WavFormat{}, {}), rec), "");
        EXPECT_EQ(rec.Size(), 1);
        EXPECT_EQ(rec.RecPos(), 0);
        EXPECT_FALSE(rec.HasData());
    }
    // An odd byte count: the last sample has only its low byte.
    {
        vRecording_c rec;
        std::vector<uint8_t> bytes(7, 0);
        bytes[6] = 0x7F;
        ASSERT_EQ(LoadMessage(MakeWav(WavFormat{}, bytes), rec), "");
        EXPECT_EQ(rec.RecPos(), 0);
        EXPECT_EQ(rec.Frame(0).Samples()[3], 0x7F);
        EXPECT_EQ(rec.Frame(0).Samples()[4], 0);
    }
}

TEST_F(RecordingFiles, DeclaredSizesBeyondTheFile) {
    // A data chunk declaring 4 GiB holds only what the file has.
    WavFormat s;
    s.dataSizeAuto = false;
    s.dataSize = 0xFFFFFFFFu;
    vRecording_c rec;
    ASSERT_EQ(LoadMessage(MakeWav(s, SampleBytes(Ramp(500))), rec), "");
    EXPECT_EQ(rec.RecPos(), 2);
    EXPECT_EQ(rec.Size(), 3);
    // Truncated in the middle of the data.
    auto bytes = MakeWav(WavFormat{}, SampleBytes(Ramp(2000)));
    bytes.resize(bytes.size() - 3000);
    ASSERT_EQ(LoadMessage(bytes, rec), "");
    EXPECT_EQ(rec.RecPos(), static_cast<int32_t>((2000 * 2 - 3000) / 448));
}

TEST_F(RecordingFiles, SaveWaveWritesTheEighteenByteFormAndRoundTrips) {
    vRecording_c rec;
    auto samples = Ramp(3 * 224 + 100);
    ASSERT_EQ(LoadMessage(MakeWav(WavFormat{}, SampleBytes(samples)), rec), "");
    ASSERT_EQ(rec.RecPos(), 3);
    rec.SaveWave(Path("out.wav"), true);
    EXPECT_EQ(rec.WavFileName(), Path("out.wav"));

    auto bytes = ReadFile(Path("out.wav"));
    ASSERT_EQ(bytes.size(), 46u + 3 * 448);
    auto le32 = [&](size_t o) { return bytes[o] | bytes[o + 1] << 8 | bytes[o + 2] << 16 | uint32_t(bytes[o + 3]) << 24; };
    auto le16 = [&](size_t o) { return bytes[o] | bytes[o + 1] << 8; };
    EXPECT_EQ(std::string(bytes.begin(), bytes.begin() + 4), "RIFF");
    // The RIFF length is the file size minus 8.
    EXPECT_EQ(le32(4), bytes.size() - 8);
    EXPECT_EQ(std::string(bytes.begin() + 8, bytes.begin() + 16), "WAVEfmt ");
    EXPECT_EQ(le32(16), 18u);
    EXPECT_EQ(le16(20), 1);
    EXPECT_EQ(le16(22), 1);
    EXPECT_EQ(le32(24), 22050u);
    EXPECT_EQ(le32(28), 44100u);
    EXPECT_EQ(le16(32), 2);
    EXPECT_EQ(le16(34), 16);
    EXPECT_EQ(le16(36), 0);
    EXPECT_EQ(std::string(bytes.begin() + 38, bytes.begin() + 42), "data");
    EXPECT_EQ(le32(42), 3u * 448);

    // Reading it back, from the file or from its image in memory, gives the
    // full frames; the remainder was dropped.
    vRecording_c back, image;
    back.LoadWave(Path("out.wav"));
    image.LoadWaveBytes({reinterpret_cast<const char*>(bytes.data()), bytes.size()}, "out.wav");
    EXPECT_EQ(back.RecPos(), 3);
    EXPECT_EQ(image.RecPos(), 3);
    for (int f = 0; f < 3; ++f)
        for (int i = 0; i < 224; ++i) {
            ASSERT_EQ(back.Frame(f).Samples()[i], samples[static_cast<size_t>(f * 224 + i)]);
            ASSERT_EQ(image.Frame(f).Samples()[i], samples[static_cast<size_t>(f * 224 + i)]);
        }
    EXPECT_EQ(rec.WaveBytes("out.wav"), bytes);
    EXPECT_THROW(image.LoadWaveBytes({}, "empty.wav"), vException_c);
}

TEST_F(RecordingFiles, FramesWithoutSamplesAreSkipped) {
    vRecording_c rec(3);
    vAllHmData_c withSamples, without;
    const int16_t s[2] = {5, -5};
    withSamples.SetSamples(s, 2);
    rec.AppendFrame(withSamples, true, true);
    rec.AppendFrame(without, true, true);
    rec.AppendFrame(withSamples, true, true);
    rec.SaveWave(Path("x.wav"), false);
    EXPECT_TRUE(rec.WavFileName().empty());
    auto bytes = ReadFile(Path("x.wav"));
    ASSERT_EQ(bytes.size(), 46u + 8);
    EXPECT_EQ(bytes[46], 5);
    EXPECT_EQ(bytes[48], 0xFB);
}

TEST_F(RecordingFiles, FailedSaveLeavesTheOldFile) {
    WriteFile(Path("keep.wav"), {1, 2, 3});
    vRecording_c rec(1);
    try {
        rec.SaveWave(Path("nofolder/out.wav"), true);
        FAIL();
    } catch (const vTextException_c& e) {
        EXPECT_EQ(e.Text(), "Cannot open File");
    }
    EXPECT_TRUE(rec.WavFileName().empty());
    // A folder in the way of the target: nothing is replaced.
    fs::create_directories(dir / "taken.wav");
    EXPECT_THROW(rec.SaveWave(Path("taken.wav"), false), vTextException_c);
    EXPECT_TRUE(fs::is_directory(dir / "taken.wav"));
    // No temporary files are left behind.
    int entries = 0;
    for (auto& e : fs::directory_iterator(dir)) entries += e.path().filename().string().rfind("keep.wav", 0) == 0 ? 0 : 1;
    EXPECT_EQ(entries, 1);
}

TEST_F(RecordingFiles, NamesDifferingInCaseAreOneFile) {
    vRecording_c rec(2);
    vAllHmData_c frame;
    const int16_t s[224] = {42};
    frame.SetSamples(s, 224);
    rec.AppendFrame(frame, true, true);
    rec.SaveWave(Path("Say.wav"), false);
    rec.SaveWave(Path("say.wav"), false);
    EXPECT_TRUE(fs::exists(dir / "Say.wav"));
    EXPECT_FALSE(fs::exists(dir / "say.wav"));
    vRecording_c back;
    back.LoadWave(Path("SAY.WAV"));
    EXPECT_EQ(back.RecPos(), 1);
    EXPECT_EQ(back.Frame(0).Samples()[0], 42);
}

TEST_F(RecordingFiles, SaveWordRawWritesTheWordSection) {
    vRecording_c rec;
    auto samples = Ramp(4 * 224);
    ASSERT_EQ(LoadMessage(MakeWav(WavFormat{}, SampleBytes(samples)), rec), "");
    // No word section (recSize -1) writes an empty file.
    EXPECT_EQ(rec.SaveWordRaw(Path("w.raw"), false), 0);
    EXPECT_TRUE(fs::exists(dir / "w.raw"));
    EXPECT_EQ(fs::file_size(dir / "w.raw"), 0u);
}

TEST(Recording, LoaderHooks) {
    vRecording_c rec;
    rec.LoadStarting();
    EXPECT_EQ(rec.Size(), vRecording_c::kLoaderCapacity);
    EXPECT_EQ(rec.RecPos(), 0);
    EXPECT_FALSE(rec.PitchCalculated());
    EXPECT_TRUE(rec.WaveValid());
    // Without a file name there is nothing to load.
    EXPECT_NO_THROW(rec.LoadFinished());
    EXPECT_TRUE(rec.FiltersValid());
    rec.SetWavFileName("/nonexistent/x.wav");
    EXPECT_THROW(rec.LoadFinished(), vTextException_c);
    rec.SetWaveValid(false);
    EXPECT_NO_THROW(rec.LoadFinished());
}

TEST_F(RecordingFiles, LoadedAsADefinitionObject) {
    WriteFile(Path("word.wav"), MakeWav(WavFormat{}, SampleBytes(Ramp(3 * 224))));
    std::unique_ptr<vPropCntnr_c> object(gTypeRegistry.CreateByName("vRecording_c"));
    auto* rec = dynamic_cast<vRecording_c*>(object.get());
    ASSERT_NE(rec, nullptr);
    const ConversionContext ctx;
    auto find = [&](const char* path, const char* cls = "") {
        vPropCntnrIterator_c it(rec);
        return it.FindPath(path, cls, true);
    };
    rec->LoadStarting();
    EXPECT_EQ(rec->Size(), 1000);
    find("WavFileName")->SetFromText(("\"" + Path("word.wav") + "\"").c_str(), ctx);
    find("MarkerFontSize")->SetFromText("12", ctx);
    // Markers: any marker class; anything else is refused.
    auto markers = find("Markers")->NewValueIterator();
    ASSERT_TRUE(markers->FindPath("", "vSegmentMarker_c", true));
    EXPECT_THROW(markers->FindPath("", "vRecording_c", true), vException_c);
    markers->FindPath("[0].Pos", "", true)->SetFromText("2", ctx);
    rec->LoadFinished();
    EXPECT_EQ(rec->MarkerFontSize(), 12);
    EXPECT_EQ(rec->RecPos(), 3);
    EXPECT_EQ(rec->Frame(2).Samples()[0], Ramp(3 * 224)[448]);
    ASSERT_EQ(rec->Markers().Count(), 1u);
    EXPECT_EQ(rec->Markers()[0].GetPos(false), 2);

    // Frames given in the file itself, without a WAV file.
    vRecording_c frames;
    frames.LoadStarting();
    vPropCntnrIterator_c it(&frames);
    it.FindPath("WaveValid", "", false)->SetFromText("false", ctx);
    vPropCntnrIterator_c at(&frames);
    auto full = at.FindPath("Data[4].FullBand", "", true);
    ASSERT_TRUE(full);
    full->SetFromText("4321", ctx);
    frames.LoadFinished();
    EXPECT_EQ(frames.RecPos(), 5);
    EXPECT_EQ(frames.Frame(4).fullBand, 4321);
    EXPECT_FALSE(frames.WaveValid());
}
