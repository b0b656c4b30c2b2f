#pragma once
// Read-only navigation of RIFF files (WAV): find the top-level form chunk and
// the chunks inside it, read their bytes. Every size in the file is distrusted:
// chunks are clipped to the end of their parent and of the file, so a damaged
// or hostile header can never make a search run past the data or forever.
// One reader belongs to one thread at a time.

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <string>
#include <string_view>

namespace platform {

// Four-character code as stored in the file ("RIFF", "WAVE", "fmt ").
constexpr uint32_t FourCC(const char (&id)[5]) {
    return static_cast<uint32_t>(static_cast<unsigned char>(id[0])) |
           static_cast<uint32_t>(static_cast<unsigned char>(id[1])) << 8 |
           static_cast<uint32_t>(static_cast<unsigned char>(id[2])) << 16 |
           static_cast<uint32_t>(static_cast<unsigned char>(id[3])) << 24;
}

struct RiffChunk {
    uint32_t id = 0;
    uint32_t declaredSize = 0;  // the size field as written
    uint64_t dataStart = 0;     // file offset of the chunk's first data byte
    uint64_t available = 0;     // data bytes that really exist (clipped size)
    uint32_t formType = 0;      // "RIFF"/"LIST" chunks only
};

class RiffReader {
public:
    RiffReader() = default;
    RiffReader(const RiffReader&) = delete;
    RiffReader& operator=(const RiffReader&) = delete;
    ~RiffReader() { Close(); }

    // False (errno set, see OpenRegularFile) when the file cannot be opened
    // for reading, is no regular file or is larger than maxBytes.
    bool Open(const std::string& path, uint64_t maxBytes = UINT64_MAX);
    // Reads a file image held in memory instead; the bytes must outlive the
    // reader. False (errno set) when no stream can be made for them.
    bool OpenBytes(std::string_view bytes);
    void Close();

    // The top-level "RIFF" chunk of the given form type.
    bool FindForm(uint32_t formType, RiffChunk& out);
    // The first chunk with the given id directly inside parent.
    bool FindChunk(const RiffChunk& parent, uint32_t id, RiffChunk& out);

    // Reads up to size bytes from the chunk's data at offset, never beyond
    // the chunk's available bytes. Returns the count read or -1 on a read error.
    long long Read(const RiffChunk& chunk, uint64_t offset, void* buffer, size_t size);

private:
    bool ReadAt(uint64_t offset, void* buffer, size_t size, size_t& got);

    std::FILE* mFile = nullptr;
    uint64_t mFileSize = 0;
};

}  // namespace platform
