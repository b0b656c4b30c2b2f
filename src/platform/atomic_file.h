#pragma once
// Whole-file access. Files are written whole or not at all: the data goes to
// a temporary file in the target's folder, is flushed to disk and then renamed
// over the target, and the folder is flushed too. A failure at any step
// removes the temporary file and leaves the old file as it was; a process
// killed at any point leaves the old file or the new one.
//
// Temporary files are created readable and writable by their owner only
// (0600) and named ".<target's name>.<process id>-<number>.lorvano-tmp". One
// left behind by a killed process is removed by the next write in its folder.
// Any thread may call these.

#include <string>
#include <string_view>

namespace platform {

enum class FileMode {
    Keep,       // an existing file keeps its permissions, a new one gets the umask's
    OwnerOnly,  // 0600, whatever the file had before
};

// Replaces path with data. An existing file keeps its owner where the process
// may give it away; permissions follow mode. The permissions are set after
// the rename, so that no temporary is ever readable by others: a kill right
// after the rename leaves the new data at 0600. A symbolic link is followed,
// so the file it names is replaced. A target that exists but may not be
// written is a failure, as is a folder that may not be written. Returns
// false (errno set) on failure.
bool WriteFileAtomically(const std::string& path, std::string_view data, FileMode mode = FileMode::Keep);

// Removes the temporary files in folder ("" is the current one) that
// processes no longer running left behind. Failures are ignored: a file that
// stays is removed another time.
void RemoveStaleTemporaries(const std::string& folder);

// A new empty file in folder, readable and writable by its owner only and
// named like the temporary files above (so that one a killed process left is
// removed by the next write in that folder). Returns its path, or empty with
// errno set.
std::string CreatePrivateScratchFile(const std::string& folder, const std::string& base);

// Reads the whole file into out. Returns false (errno set) on failure; a
// missing file is a failure with errno ENOENT, anything but a regular file
// one as OpenRegularFile says (platform/regular_file.h).
bool ReadWholeFile(const std::string& path, std::string& out);

// True when path names a regular file (links followed).
bool IsRegularFile(const std::string& path);

}  // namespace platform
