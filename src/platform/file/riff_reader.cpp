#include "platform/riff_reader.h"

#include <algorithm>
#include <cerrno>
#include <sys/stat.h>

#include "platform/regular_file.h"

namespace platform {

namespace {
uint32_t LittleEndian32(const unsigned char* p) {
    return static_cast<uint32_t>(p[0]) | static_cast<uint32_t>(p[1]) << 8 |
           static_cast<uint32_t>(p[2]) << 16 | static_cast<uint32_t>(p[3]) << 24;
}
}  // namespace

bool RiffReader::Open(const std::string& path, uint64_t maxBytes) {
    Close();
    mFile = OpenRegularStream(path, maxBytes).release();
    if (!mFile) return false;
    struct stat st {};
    if (fstat(fileno(mFile), &st) != 0) {
        const int saved = errno;
        Close();
        errno = saved;
        return false;
    }
    mFileSize = static_cast<uint64_t>(st.st_size);
    return true;
}

bool RiffReader::OpenBytes(std::string_view bytes) {
    Close();
    // Without a buffer fmemopen would make its own; an empty image has no
    // pointer of its own. The stream is read-only.
    static char none = 0;
    char* data = bytes.data() != nullptr ? const_cast<char*>(bytes.data()) : &none;
    mFile = fmemopen(data, bytes.size(), "r");
    if (!mFile) return false;
    mFileSize = bytes.size();
    return true;
}

void RiffReader::Close() {
    if (mFile) std::fclose(mFile);
    mFile = nullptr;
    mFileSize = 0;
}

bool RiffReader::ReadAt(uint64_t offset, void* buffer, size_t size, size_t& got) {
    got = 0;
    if (!mFile) return false;
    if (fseeko(mFile, static_cast<off_t>(offset), SEEK_SET) != 0) return false;
    got = std::fread(buffer, 1, size, mFile);
    return !std::ferror(mFile);
}

bool RiffReader::FindForm(uint32_t formType, RiffChunk& out) {
    unsigned char header[12];
    size_t got = 0;
    if (!ReadAt(0, header, sizeof header, got) || got < sizeof header) return false;
    if (LittleEndian32(header) != FourCC("RIFF") || LittleEndian32(header + 8) != formType) return false;
    out.id = FourCC("RIFF");
    out.declaredSize = LittleEndian32(header + 4);
    out.formType = formType;
    // The form's data starts after the form type; its size counts the type.
    out.dataStart = 12;
    uint64_t declared = out.declaredSize >= 4 ? out.declaredSize - 4u : 0u;
    out.available = std::min<uint64_t>(declared, mFileSize - 12);
    return true;
}

bool RiffReader::FindChunk(const RiffChunk& parent, uint32_t id, RiffChunk& out) {
    const uint64_t end = parent.dataStart + parent.available;
    uint64_t pos = parent.dataStart;
    // Each step moves at least 8 bytes forward, so the walk always ends.
    while (pos + 8 <= end) {
        unsigned char header[8];
        size_t got = 0;
        if (!ReadAt(pos, header, sizeof header, got) || got < sizeof header) return false;
        const uint32_t size = LittleEndian32(header + 4);
        const uint64_t start = pos + 8;
        if (LittleEndian32(header) == id) {
            out.id = id;
            out.declaredSize = size;
            out.dataStart = start;
            out.available = std::min<uint64_t>(size, end - start);
            out.formType = 0;
            return true;
        }
        // Chunks are padded to an even length.
        pos = start + size + (size & 1u);
    }
    return false;
}

long long RiffReader::Read(const RiffChunk& chunk, uint64_t offset, void* buffer, size_t size) {
    if (offset >= chunk.available) return 0;
    const size_t n = static_cast<size_t>(std::min<uint64_t>(size, chunk.available - offset));
    size_t got = 0;
    if (!ReadAt(chunk.dataStart + offset, buffer, n, got)) return -1;
    return static_cast<long long>(got);
}

}  // namespace platform
