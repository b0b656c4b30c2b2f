#pragma once
// Whole-file access. Files are written whole or not at all: the data goes to
// a temporary file in the target's folder, is flushed to disk and then renamed
// over the target. A failure at any step removes the temporary file and leaves
// the old file as it was. Any thread may call these.

#include <string>
#include <string_view>

namespace platform {

// Replaces path with data. An existing file keeps its permissions (and its
// owner, where the process may give it away); a new file gets the umask's; a
// symbolic link is followed, so the file it names is replaced. A target that exists
// but may not be written is a failure, as is a folder that may not be written.
// Returns false (errno set) on failure.
bool WriteFileAtomically(const std::string& path, std::string_view data);

// Reads the whole file into out. Returns false (errno set) on failure; a
// missing file is a failure with errno ENOENT, anything but a regular file
// one as OpenRegularFile says (platform/regular_file.h).
bool ReadWholeFile(const std::string& path, std::string& out);

// True when path names a regular file (links followed).
bool IsRegularFile(const std::string& path);

}  // namespace platform
