#pragma once
// Opening files for reading without ever blocking: only regular files are
// opened. A FIFO, device or socket named where a file is expected would
// otherwise stop the reader for ever (a FIFO's open waits for a writer), and
// a folder has nothing to read. The check is made on the open descriptor, so
// a file swapped after a look at its name cannot slip through.
// Any thread may call these.

#include <cstdint>
#include <cstdio>
#include <memory>
#include <string>
#include <vector>

namespace platform {

inline constexpr uint64_t kAnyFileSize = UINT64_MAX;

// Opens path for reading when it names a regular file (links followed) of at
// most maxBytes bytes. Returns a descriptor (the caller closes it) or -1 with
// errno set: EISDIR for a folder, ENODEV for anything else that is no regular
// file, EFBIG for a larger file, or the error of open itself.
int OpenRegularFile(const std::string& path, uint64_t maxBytes = kAnyFileSize);

struct FileCloser {
    void operator()(std::FILE* file) const { std::fclose(file); }
};
using UniqueFile = std::unique_ptr<std::FILE, FileCloser>;

// The same as a binary stdio stream, or null with errno.
UniqueFile OpenRegularStream(const std::string& path, uint64_t maxBytes = kAnyFileSize);

// Reads the whole of a file OpenRegularFile accepts into out. Returns false
// (errno set, out empty) on failure.
bool ReadRegularFile(const std::string& path, std::string& out, uint64_t maxBytes = kAnyFileSize);

// True when OpenRegularFile refused the path because it names something
// other than a regular file (a folder, FIFO, device or socket).
bool IsNotRegularFileError(int error);

// Why an open of OpenRegularFile failed, for messages: "is a folder, not a
// file", "is not a regular file", "is too large", or strerror's text.
std::string OpenFailureText(int error);

// The regular files at any depth under dir whose names end in extension
// (".wav"; letter case ignored), as dir + "/" + relative path with "/",
// sorted bytewise. Empty when dir cannot be read; unreadable subfolders are
// skipped.
std::vector<std::string> ListRegularFiles(const std::string& dir, const std::string& extension);

}  // namespace platform
