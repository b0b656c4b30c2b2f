#include "analysis/recording.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <string_view>
#include <vector>

#include "analysis/hm_block_processor.h"
#include "platform/atomic_file.h"
#include "platform/exception.h"
#include "platform/path_case.h"
#include "platform/regular_file.h"
#include "platform/riff_reader.h"

vRecording_c::vRecording_c(int32_t capacity) { Allocate(capacity); }

void vRecording_c::ForgetResults() {
    mRecSize = -1;
    mMeanFullBand = -1;
    mMaxFullBand = -1;
    mWordBegin = -1;
    mWordEnd = -1;
    mFiltersValid = true;
    mPitchCalculated = true;
    mWaveValid = true;
}

void vRecording_c::Allocate(int32_t n) {
    if (n < 0) throw vTextException_c("Cannot allocate a negative number of frames");
    std::vector<vAllHmData_c>(static_cast<size_t>(n)).swap(mData);
    mHasFrames = true;
    mSize = n;
    mRecPos = 0;
    ForgetResults();
    mModified = false;
}

void vRecording_c::Clear() {
    std::vector<vAllHmData_c>().swap(mData);
    mHasFrames = false;
    mSize = 0;
    mRecPos = -1;
    ForgetResults();
}

void vRecording_c::Rewind() {
    if (!mHasFrames) throw vException_c();
    mRecPos = 0;
    ForgetResults();
    mModified = false;
}

bool vRecording_c::AppendFrame(const vAllHmData_c& frame, bool filtersDone, bool pitchDone) {
    if (!filtersDone) mFiltersValid = false;
    if (!pitchDone) mPitchCalculated = false;
    if (mRecPos < 0 || mRecPos >= Capacity()) return false;
    mData[static_cast<size_t>(mRecPos)] = frame;
    ++mRecPos;
    return true;
}

vAllHmData_c& vRecording_c::CurrentFrame() {
    if (mRecPos < 0 || mRecPos >= Capacity()) throw vException_c();
    return mData[static_cast<size_t>(mRecPos)];
}

vAllHmData_c& vRecording_c::LastFrame() {
    if (mRecPos <= 0 || mRecPos >= Capacity()) throw vException_c();
    return mData[static_cast<size_t>(mRecPos - 1)];
}

const vAllHmData_c& vRecording_c::WordFrame(int32_t i) const {
    // A word section that was never found (wordBegin -1) must not reach
    // before the first frame either.
    const int64_t index = static_cast<int64_t>(mWordBegin) + i;
    if (index < 0 || index >= Capacity()) throw vException_c();
    return mData[static_cast<size_t>(index)];
}

vAllHmData_c& vRecording_c::WordFrame(int32_t i) {
    return const_cast<vAllHmData_c&>(static_cast<const vRecording_c&>(*this).WordFrame(i));
}

const vAllHmData_c& vRecording_c::Frame(int32_t i) const {
    if (i < 0 || i >= Capacity()) throw vException_c();
    return mData[static_cast<size_t>(i)];
}

vAllHmData_c& vRecording_c::Frame(int32_t i) {
    return const_cast<vAllHmData_c&>(static_cast<const vRecording_c&>(*this).Frame(i));
}

void vRecording_c::SetFrameSize(int32_t samples) {
    if (samples <= 0) throw vTextException_c("The frame size must be positive");
    mFrameSize = samples;
}

vRecording_c& vRecording_c::operator=(const vRecording_c& other) {
    if (this == &other) return *this;
    Clear();
    mData = other.mData;
    mHasFrames = other.mHasFrames;
    mSize = other.mSize;
    mRecPos = other.mRecPos;
    mRecSize = other.mRecSize;
    mMeanFullBand = other.mMeanFullBand;
    mMaxFullBand = other.mMaxFullBand;
    mMarkers = other.mMarkers;
    mFiltersValid = other.mFiltersValid;
    mPitchCalculated = other.mPitchCalculated;
    mWaveValid = other.mWaveValid;
    mWordBegin = other.mWordBegin;
    mWordEnd = other.mWordEnd;
    mFrameSize = other.mFrameSize;
    mProcessor = other.mProcessor;
    mModified = other.mModified;
    mMarkerFontSize = other.mMarkerFontSize;
    mMarkerFontName = other.mMarkerFontName;
    return *this;
}

void vRecording_c::LoadStarting() {
    Allocate(kLoaderCapacity);
    mPitchCalculated = false;
    mWaveValid = true;
}

void vRecording_c::LoadFinished() {
    // A definition file may give sizes that do not match the frames it
    // declared; the frames are what counts.
    mSize = Capacity();
    mRecPos = std::clamp(mRecPos, 0, mSize);
    mFiltersValid = true;
    // A recording given without a file is an empty one, not an error.
    if (mWaveValid && !mWavFileName.empty()) LoadWave(mWavFileName);
}

bool vRecording_c::OnDeclareIndex(const vPropDesc_c& prop, uint32_t index) {
    if (std::string_view(prop.name) != "Data" || index >= static_cast<uint32_t>(kMaxDeclaredFrames)) return false;
    const int32_t needed = static_cast<int32_t>(index) + 1;
    if (needed > Capacity()) {
        mData.resize(static_cast<size_t>(needed));
        mSize = needed;
        mHasFrames = true;
    }
    mRecPos = std::max(mRecPos, needed);
    return true;
}

void vRecording_c::AnalyseBlock(vAllHmData_c& frame, const int16_t* samples) {
    if (mProcessor) {
        mProcessor->ProcessBlock(samples, mFrameSize, true, frame, true, true);
    } else {
        // Without a processor the samples are kept and Calculate analyses
        // them once one is attached.
        frame.SetSamples(samples, mFrameSize);
        mFiltersValid = false;
        mPitchCalculated = false;
    }
}

namespace {

uint16_t Le16(const unsigned char* p) { return static_cast<uint16_t>(p[0] | p[1] << 8); }
uint32_t Le32(const unsigned char* p) {
    return static_cast<uint32_t>(p[0]) | static_cast<uint32_t>(p[1]) << 8 |
           static_cast<uint32_t>(p[2]) << 16 | static_cast<uint32_t>(p[3]) << 24;
}

void DecodeSamples(const unsigned char* bytes, size_t count, int16_t* out) {
    for (size_t i = 0; i < count; ++i) out[i] = static_cast<int16_t>(Le16(bytes + 2 * i));
}

}  // namespace

void vRecording_c::LoadWave(const std::string& given) {
    const std::string path = platform::MatchExistingCase(given);
    platform::RiffReader file;
    if (!file.Open(path)) {
        if (platform::IsNotRegularFileError(errno))
            throw vPrintException_c(0, "Cannot open wave file %s: it %s.", given.c_str(),
                                    platform::OpenFailureText(errno).c_str());
        throw vPrintException_c(0, "Cannot open wave file %s!", given.c_str());
    }
    LoadWaveFrom(file, given);
}

void vRecording_c::LoadWaveBytes(std::string_view bytes, const std::string& name) {
    platform::RiffReader file;
    if (!file.OpenBytes(bytes)) throw vPrintException_c(0, "Cannot open wave file %s!", name.c_str());
    LoadWaveFrom(file, name);
}

void vRecording_c::LoadWaveFrom(platform::RiffReader& file, const std::string& given) {
    platform::RiffChunk riff, fmt, data;
    if (!file.FindForm(platform::FourCC("WAVE"), riff) || !file.FindChunk(riff, platform::FourCC("fmt "), fmt))
        throw vPrintException_c(0, "%s is not a valid wave file.", given.c_str());

    // The PCM part of the format record; a shorter chunk cannot describe the data.
    unsigned char format[16];
    if (file.Read(fmt, 0, format, sizeof format) != static_cast<long long>(sizeof format))
        throw vTextException_c("Cannot load soruce file format info.");
    if (Le16(format) != 1) throw vTextException_c("File is not a valid wave file!");
    if (Le16(format + 2) != 1) throw vTextException_c("File is not a mono wave file!");
    if (Le32(format + 4) != 22050) throw vTextException_c("File is not a 22050Hz wave file!");
    if (Le32(format + 8) != 44100) throw vTextException_c("File is not a 16-bit wave file!");
    if (Le16(format + 12) != 2) throw vTextException_c("File is not a valid 16-bit wave file!");
    if (Le16(format + 14) != 16) throw vTextException_c("File is not a valid 16-bit wave file!");

    if (!file.FindChunk(riff, platform::FourCC("data"), data))
        throw vPrintException_c(0, "%s is not a valid wave file.", given.c_str());

    // Only the bytes the file really holds count: a declared length beyond the
    // end of the file (up to 4 GiB) must not allocate frames for nothing.
    const uint64_t length = data.available;
    const uint64_t blockBytes = static_cast<uint64_t>(mFrameSize) * 2;
    const uint64_t frames = length / blockBytes + 1;
    // A recording holds no more frames than a definition file may declare;
    // a longer (or sparse, hostile) file is refused before anything is read.
    if (frames > static_cast<uint64_t>(kMaxDeclaredFrames)) {
        const long long seconds = static_cast<long long>(kMaxDeclaredFrames) * mFrameSize / 22050;
        throw vPrintException_c(0, "Wave file %s is too long: a recording holds at most %lld seconds (%lld min) of sound.",
                                given.c_str(), seconds, seconds / 60);
    }
    Allocate(static_cast<int32_t>(frames));

    std::vector<unsigned char> bytes(static_cast<size_t>(blockBytes));
    std::vector<int16_t> block(static_cast<size_t>(mFrameSize));
    if (mProcessor) mProcessor->Reset();
    uint64_t offset = 0;
    for (uint64_t f = 0; f + 1 < frames; ++f) {
        if (file.Read(data, offset, bytes.data(), bytes.size()) != static_cast<long long>(bytes.size()))
            throw vTextException_c("Cannot load wav file.");
        offset += blockBytes;
        DecodeSamples(bytes.data(), block.size(), block.data());
        AnalyseBlock(mData[static_cast<size_t>(mRecPos)], block.data());
        ++mRecPos;
    }
    // The remainder goes into a zero-padded block just past the recorded frames.
    const size_t rest = static_cast<size_t>(length % blockBytes);
    std::fill(bytes.begin(), bytes.end(), 0);
    if (file.Read(data, offset, bytes.data(), rest) != static_cast<long long>(rest))
        throw vTextException_c("Cannot load wav file.");
    DecodeSamples(bytes.data(), block.size(), block.data());
    const bool analysed = mProcessor != nullptr;
    AnalyseBlock(mData[static_cast<size_t>(frames - 1)], block.data());

    mFiltersValid = analysed;
    mPitchCalculated = analysed;
    mWaveValid = true;
    mModified = false;
}

namespace {

void PutLe16(std::vector<unsigned char>& out, uint32_t v) {
    out.push_back(static_cast<unsigned char>(v));
    out.push_back(static_cast<unsigned char>(v >> 8));
}
void PutLe32(std::vector<unsigned char>& out, uint32_t v) {
    PutLe16(out, v & 0xFFFFu);
    PutLe16(out, v >> 16);
}
void PutId(std::vector<unsigned char>& out, const char* id) { out.insert(out.end(), id, id + 4); }

// Appends count samples little-endian.
void PutSamples(std::vector<unsigned char>& out, const int16_t* samples, int32_t count) {
    for (int32_t i = 0; i < count; ++i) PutLe16(out, static_cast<uint16_t>(samples[i]));
}

void WriteWhole(const std::string& given, const std::vector<unsigned char>& bytes) {
    const std::string path = platform::MatchExistingCase(given);
    const std::string_view data(reinterpret_cast<const char*>(bytes.data()), bytes.size());
    if (!platform::WriteFileAtomically(path, data)) throw vTextException_c("Cannot open File");
}

}  // namespace

void vRecording_c::SaveWave(const std::string& path, bool remember) {
    WriteWhole(path, WaveBytes(path));
    if (remember) mWavFileName = path;
}

std::vector<unsigned char> vRecording_c::WaveBytes(const std::string& name) const {
    uint64_t dataBytes = 0;
    for (int32_t i = 0; i < std::min(mRecPos, Capacity()); ++i)
        if (mData[static_cast<size_t>(i)].Samples()) dataBytes += 2u * static_cast<uint64_t>(mData[static_cast<size_t>(i)].SampleCount());
    if (dataBytes + 38 > UINT32_MAX) throw vPrintException_c(0, "Cannot write %s", name.c_str());

    std::vector<unsigned char> out;
    out.reserve(static_cast<size_t>(dataBytes) + 46);
    PutId(out, "RIFF");
    PutLe32(out, static_cast<uint32_t>(dataBytes + 38));
    PutId(out, "WAVE");
    PutId(out, "fmt ");
    PutLe32(out, 18);
    PutLe16(out, 1);      // PCM
    PutLe16(out, 1);      // mono
    PutLe32(out, 22050);  // samples per second
    PutLe32(out, 44100);  // bytes per second
    PutLe16(out, 2);      // block alignment
    PutLe16(out, 16);     // bits per sample
    PutLe16(out, 0);      // extra format bytes
    PutId(out, "data");
    PutLe32(out, static_cast<uint32_t>(dataBytes));
    for (int32_t i = 0; i < std::min(mRecPos, Capacity()); ++i) {
        const vAllHmData_c& frame = mData[static_cast<size_t>(i)];
        if (frame.Samples()) PutSamples(out, frame.Samples(), frame.SampleCount());
    }
    return out;
}

int64_t vRecording_c::SaveWordRaw(const std::string& path, bool remember) {
    std::vector<unsigned char> out;
    int64_t samples = 0;
    for (int32_t i = 0; i < mRecSize; ++i) {
        const vAllHmData_c& frame = WordFrame(i);
        if (!frame.Samples()) continue;
        PutSamples(out, frame.Samples(), frame.SampleCount());
        samples += frame.SampleCount();
    }
    WriteWhole(path, out);
    if (remember) mWavFileName = path;
    return samples;
}

V_REGISTER_CLASS(vRecording_c,
    V_PROP("Size", mSize),
    V_PROP("RecSize", mRecSize),
    V_PROP("RecPos", mRecPos),
    V_PROP_ARRAY("Data", mData, "RecPos"),
    V_PROP("WavFileName", mWavFileName),
    V_PROP("Markers", mMarkers),
    V_PROP("PitchCalculated", mPitchCalculated),
    V_PROP("WaveValid", mWaveValid),
    V_PROP("MarkerFontName", mMarkerFontName),
    V_PROP("MarkerFontSize", mMarkerFontSize));
