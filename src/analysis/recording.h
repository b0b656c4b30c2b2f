#pragma once
// A recording: a fixed-capacity array of analysis frames (vAllHmData_c) with
// the word section found by Calculate, the segment markers and the WAV file it
// came from or went to. Frames are allocated once (Allocate) and reused, so
// recording a word only copies into preallocated frames. Reads and writes
// 22050 Hz mono 16-bit PCM WAV files. Used by the user-interface thread only.

#include <cstdint>
#include <algorithm>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "analysis/hm_data.h"
#include "analysis/markers.h"

class vHMBlockProcessor_c;
namespace platform {
class RiffReader;
}

class vRecording_c : public vPropCntnr_c {
    V_RTTI_CLASS(vRecording_c, vPropCntnr_c)

public:
    static constexpr int32_t kDefaultFrameSize = 224;
    // Frames a recording made by the definition-file loader starts with.
    static constexpr int32_t kLoaderCapacity = 1000;
    // The most frames a definition file may declare (about 17 minutes).
    static constexpr int32_t kMaxDeclaredFrames = 100000;

    vRecording_c() = default;
    explicit vRecording_c(int32_t capacity);
    vRecording_c(const vRecording_c& other) : vPropCntnr_c() { *this = other; }
    vRecording_c& operator=(const vRecording_c& other);

    // n fresh frames, recPos 0, results of Calculate forgotten.
    void Allocate(int32_t n);
    // No frames at all (size 0, recPos -1).
    void Clear();
    // Back to an empty recording of the same capacity; raises without frames.
    void Rewind();

    // Copies frame into the next free slot; false when full. The two flags say
    // whether the frame's filter and pitch values are computed.
    bool AppendFrame(const vAllHmData_c& frame, bool filtersDone, bool pitchDone);
    vAllHmData_c& CurrentFrame();
    vAllHmData_c& LastFrame();
    vAllHmData_c& WordFrame(int32_t i);
    const vAllHmData_c& WordFrame(int32_t i) const;
    bool HasData() const { return mRecPos > 0; }

    // Reads a WAV file and analyses it with the attached processor. Raises
    // vTextException_c/vPrintException_c with the reason on refusal; on a
    // failure the recording keeps the frames read so far.
    void LoadWave(const std::string& path);
    // As LoadWave, from a WAV file image in memory; name stands for it in
    // messages.
    void LoadWaveBytes(std::string_view bytes, const std::string& name);
    // Writes frames 0..recPos-1 that hold samples as a WAV file, whole or not
    // at all. With remember, the path becomes the recording's WavFileName.
    void SaveWave(const std::string& path, bool remember);
    // The bytes SaveWave writes; name stands for the file in messages.
    std::vector<unsigned char> WaveBytes(const std::string& name) const;
    // Writes the samples of the word section without a header; returns the
    // number of samples written.
    int64_t SaveWordRaw(const std::string& path, bool remember);

    // Whole-recording post-processing: levels, spirant smoothing, word section,
    // sample normalisation, mean pitch, absolute markers.
    void Calculate(int32_t level, int32_t medianWidth, int32_t spirantLimit, bool normToMax,
                   int32_t pitchFrames);

    // Definition-file hooks: a loaded recording starts with kLoaderCapacity
    // frames, and after its properties are read loads its WAV file.
    void LoadStarting() override;
    void LoadFinished() override;
    // A declaration of Data[i] past the recorded frames extends them.
    bool OnDeclareIndex(const vPropDesc_c& prop, uint32_t index) override;

    // Frame i of the allocated ones (0 <= i < Size()); raises otherwise.
    vAllHmData_c& Frame(int32_t i);
    const vAllHmData_c& Frame(int32_t i) const;
    vAllHmData_c* Data() { return mData.data(); }
    const vAllHmData_c* Data() const { return mData.data(); }

    int32_t Size() const { return mSize; }
    int32_t RecPos() const { return mRecPos; }
    int32_t RecSize() const { return mRecSize; }
    int32_t MeanFullBand() const { return mMeanFullBand; }
    int32_t MaxFullBand() const { return mMaxFullBand; }
    int32_t MeanSemiTone() const { return mMeanSemiTone; }
    int32_t WordBegin() const { return mWordBegin; }
    int32_t WordEnd() const { return mWordEnd; }
    int32_t FrameSize() const { return mFrameSize; }
    // Samples per frame for WAV loading and the word detector; must be > 0.
    void SetFrameSize(int32_t samples);

    bool FiltersValid() const { return mFiltersValid; }
    bool PitchCalculated() const { return mPitchCalculated; }
    bool WaveValid() const { return mWaveValid; }
    void SetPitchCalculated(bool on) { mPitchCalculated = on; }
    void SetWaveValid(bool on) { mWaveValid = on; }
    bool Modified() const { return mModified; }

    vHMBlockProcessor_c* Processor() const { return mProcessor; }
    // The processor that analyses this recording's frames (not owned).
    void SetProcessor(vHMBlockProcessor_c* processor) { mProcessor = processor; }

    const std::string& WavFileName() const { return mWavFileName; }
    void SetWavFileName(std::string name) { mWavFileName = std::move(name); }
    const std::string& MarkerFontName() const { return mMarkerFontName; }
    void SetMarkerFontName(std::string name) { mMarkerFontName = std::move(name); }
    int32_t MarkerFontSize() const { return mMarkerFontSize; }
    void SetMarkerFontSize(int32_t size) { mMarkerFontSize = size; }

    vRecMarkerList_c& Markers() { return mMarkers; }
    const vRecMarkerList_c& Markers() const { return mMarkers; }

private:
    void ForgetResults();
    // Gives one block to the processor (all analysis on, samples stored), or
    // only stores the samples when no processor is attached.
    void AnalyseBlock(vAllHmData_c& frame, const int16_t* samples);
    // The body of LoadWave once the file is open; given names it in messages.
    void LoadWaveFrom(platform::RiffReader& file, const std::string& given);

    // Frames that exist: the smaller of Size and the frames allocated.
    int32_t Capacity() const { return static_cast<int32_t>(std::min<size_t>(static_cast<size_t>(std::max(mSize, 0)), mData.size())); }

    std::vector<vAllHmData_c> mData;
    bool mHasFrames = false;  // allocated (possibly with 0 frames) rather than cleared
    int32_t mSize = 0;
    int32_t mRecPos = -1;
    int32_t mRecSize = -1;
    int32_t mMeanFullBand = -1;
    int32_t mMaxFullBand = -1;
    int32_t mMeanSemiTone = 0;
    std::string mMarkerFontName;
    int32_t mMarkerFontSize = 10;
    vHMBlockProcessor_c* mProcessor = nullptr;
    int32_t mFrameSize = kDefaultFrameSize;
    int32_t mWordBegin = -1;
    int32_t mWordEnd = -1;
    std::string mWavFileName;
    bool mFiltersValid = false;
    bool mPitchCalculated = false;
    vRecMarkerList_c mMarkers;
    bool mWaveValid = true;
    bool mModified = false;
};
