#include "platform/atomic_file.h"
#include "platform/regular_file.h"
#include "platform/user_data.h"

#include <atomic>
#include <cerrno>
#include <climits>
#include <cstdio>
#include <cstdlib>
#include <random>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace platform {
namespace {

// Writes everything, retrying short writes and interrupted calls.
bool WriteAll(int fd, std::string_view data) {
    while (!data.empty()) {
        ssize_t n = ::write(fd, data.data(), data.size());
        if (n < 0) {
            if (errno == EINTR) continue;
            return false;
        }
        data.remove_prefix(static_cast<size_t>(n));
    }
    return true;
}

// The file a path finally names, so that a link keeps pointing at the new
// data. A link of a user's mirror of shipped data is the exception: writing
// replaces the link by the user's own file (replacingLink is then set).
std::string ResolveTarget(const std::string& path, bool& replacingLink) {
    replacingLink = false;
    struct stat st;
    if (::lstat(path.c_str(), &st) == 0 && S_ISLNK(st.st_mode)) {
        char resolved[PATH_MAX];
        if (::realpath(path.c_str(), resolved)) {
            replacingLink = IsMirroredFile(resolved);
            if (!replacingLink) return resolved;
        }
    }
    return path;
}

// Creates a new file beside the target. open() with O_EXCL rather than
// mkstemp, so that a new file gets the umask's permissions without the
// process-wide umask being read (and changed) from a thread.
int CreateTemp(const std::string& dir, const std::string& base, std::string& name) {
    static std::atomic<unsigned> counter{0};
    static const unsigned seed = std::random_device{}();
    for (int attempt = 0; attempt < 100; ++attempt) {
        char suffix[40];
        std::snprintf(suffix, sizeof suffix, ".%x%x%x", seed, static_cast<unsigned>(::getpid()), counter++);
        name = dir + "." + base + suffix;
        int fd = ::open(name.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
        if (fd >= 0 || errno != EEXIST) return fd;
    }
    return -1;
}

// Makes the rename itself durable; a folder that cannot be synced is no failure.
void SyncFolder(const std::string& dir) {
    int fd = ::open(dir.empty() ? "." : dir.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0) return;
    ::fsync(fd);
    ::close(fd);
}

}  // namespace

bool WriteFileAtomically(const std::string& path, std::string_view data) {
    bool replacingLink = false;
    const std::string target = ResolveTarget(path, replacingLink);
    struct stat st;
    const bool exists = ::stat(target.c_str(), &st) == 0;
    if (exists) {
        if (!S_ISREG(st.st_mode)) {
            errno = EISDIR;
            return false;
        }
        // A read-only file stays read-only, even though its folder would let
        // the rename replace it.
        if (!replacingLink && ::access(target.c_str(), W_OK) != 0) return false;
    } else if (errno != ENOENT) {
        return false;
    }

    const std::string::size_type slash = target.rfind('/');
    const std::string dir = slash == std::string::npos ? std::string() : target.substr(0, slash + 1);
    const std::string base = slash == std::string::npos ? target : target.substr(slash + 1);
    std::string temp;
    int fd = CreateTemp(dir, base, temp);
    if (fd < 0) return false;

    bool ok = WriteAll(fd, data);
    if (ok && exists && replacingLink) {
        // The user's own copy of a shipped file: the user's, and writable.
        ok = ::fchmod(fd, (st.st_mode & 0777) | 0600) == 0;
    } else if (ok && exists) {
        // The new file takes the old one's place with its permissions and,
        // where allowed, its owner.
        ok = ::fchmod(fd, st.st_mode & 07777) == 0;
        if (ok && (st.st_uid != ::geteuid() || st.st_gid != ::getegid()) && ::fchown(fd, st.st_uid, st.st_gid) != 0) {
            // Not allowed to give it away: the file stays ours, its data is whole.
        }
    }
    ok = ok && ::fsync(fd) == 0;
    int saved = errno;
    if (::close(fd) != 0 && ok) {
        ok = false;
        saved = errno;
    }
    if (ok && ::rename(temp.c_str(), target.c_str()) != 0) {
        ok = false;
        saved = errno;
    }
    if (!ok) {
        ::unlink(temp.c_str());
        errno = saved;
        return false;
    }
    SyncFolder(dir);
    return true;
}

bool ReadWholeFile(const std::string& path, std::string& out) { return ReadRegularFile(path, out); }

bool IsRegularFile(const std::string& path) {
    struct stat st;
    return ::stat(path.c_str(), &st) == 0 && S_ISREG(st.st_mode);
}

}  // namespace platform
