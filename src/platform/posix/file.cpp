#include "platform/atomic_file.h"
#include "platform/regular_file.h"
#include "platform/remove_tree.h"
#include "platform/user_data.h"

#include <atomic>
#include <cerrno>
#include <climits>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <random>
#include <string_view>
#include <dirent.h>
#include <fcntl.h>
#include <signal.h>
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

constexpr std::string_view kTempEnd = ".lorvano-tmp";

std::string FolderOf(const std::string& path) {
    const std::string::size_type slash = path.rfind('/');
    return slash == std::string::npos ? std::string() : path.substr(0, slash + 1);
}

// Creates a new file in dir, 0600 from the start: O_EXCL with the mode given
// at open, so it is never readable by others, not even for an instant.
int CreateTemp(const std::string& dir, const std::string& base, std::string& name) {
    static std::atomic<unsigned> counter{0};
    static const unsigned seed = std::random_device{}();
    for (int attempt = 0; attempt < 100; ++attempt) {
        char suffix[48];
        std::snprintf(suffix, sizeof suffix, ".%ld-%x%x", static_cast<long>(::getpid()), seed, counter++);
        name = dir + "." + base + suffix + std::string(kTempEnd);
        int fd = ::open(name.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC | O_NOFOLLOW, 0600);
        if (fd >= 0 || errno != EEXIST) return fd;
    }
    return -1;
}

// The process that made a temporary file, from its name, or 0.
pid_t MakerOf(std::string_view name) {
    if (name.size() <= kTempEnd.size() || name[0] != '.' ||
        name.substr(name.size() - kTempEnd.size()) != kTempEnd)
        return 0;
    name.remove_suffix(kTempEnd.size());
    const std::string_view::size_type dot = name.rfind('.');
    if (dot == std::string_view::npos) return 0;
    long pid = 0;
    std::string_view digits = name.substr(dot + 1);
    for (; !digits.empty() && digits[0] >= '0' && digits[0] <= '9'; digits.remove_prefix(1)) {
        pid = pid * 10 + (digits[0] - '0');
        if (pid > INT_MAX) return 0;
    }
    return digits.empty() || digits[0] != '-' ? 0 : static_cast<pid_t>(pid);
}

// The permissions a new file gets from the umask, read without changing it
// (umask() itself would change it for every thread). Owner-only when the
// system does not say.
mode_t NewFileMode() {
    char status[1024];
    ssize_t n = -1;
    const int fd = ::open("/proc/self/status", O_RDONLY | O_CLOEXEC);
    if (fd >= 0) {
        n = ::read(fd, status, sizeof status - 1);
        ::close(fd);
    }
    if (n > 0) {
        status[n] = '\0';
        if (const char* at = std::strstr(status, "\nUmask:"))
            return static_cast<mode_t>(0666 & ~std::strtoul(at + 7, nullptr, 8));
    }
    return 0600;
}

// Makes the rename itself durable; a folder that cannot be synced is no failure.
void SyncFolder(const std::string& dir) {
    int fd = ::open(dir.empty() ? "." : dir.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0) return;
    ::fsync(fd);
    ::close(fd);
}

}  // namespace

void RemoveStaleTemporaries(const std::string& folder) {
    const int saved = errno;
    DIR* dir = ::opendir(folder.empty() ? "." : folder.c_str());
    if (dir) {
        while (const dirent* entry = ::readdir(dir)) {
            const pid_t maker = MakerOf(entry->d_name);
            if (maker <= 0 || maker == ::getpid()) continue;
            if (::kill(maker, 0) == 0 || errno != ESRCH) continue;  // still running, or another user's
            ::unlinkat(::dirfd(dir), entry->d_name, 0);
        }
        ::closedir(dir);
    }
    errno = saved;
}

std::string CreatePrivateScratchFile(const std::string& folder, const std::string& base) {
    std::string dir = folder;
    if (!dir.empty() && dir.back() != '/') dir += '/';
    std::string name;
    const int fd = CreateTemp(dir, base, name);
    if (fd < 0) return {};
    ::close(fd);
    return name;
}

bool WriteFileAtomically(const std::string& path, std::string_view data, FileMode mode) {
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

    mode_t finalMode = 0600;
    if (mode == FileMode::Keep) {
        // The user's own copy of a shipped file is the user's, and writable.
        finalMode = !exists ? NewFileMode() : replacingLink ? (st.st_mode & 0777) | 0600 : st.st_mode & 07777;
    }

    const std::string dir = FolderOf(target);
    RemoveStaleTemporaries(dir);
    std::string temp;
    int fd = CreateTemp(dir, target.substr(dir.size()), temp);
    if (fd < 0) return false;

    bool ok = WriteAll(fd, data);
    if (ok && exists && !replacingLink && (st.st_uid != ::geteuid() || st.st_gid != ::getegid()) &&
        ::fchown(fd, st.st_uid, st.st_gid) != 0) {
        // Not allowed to give it away: the file stays ours, its data is whole.
    }
    ok = ok && ::fsync(fd) == 0;
    if (ok && ::rename(temp.c_str(), target.c_str()) != 0) ok = false;
    if (!ok) {
        const int saved = errno;
        ::unlink(temp.c_str());
        ::close(fd);
        errno = saved;
        return false;
    }
    // Only now, under its final name, may the file be readable by others. A
    // failure here leaves the new data private, which loses nothing.
    if (finalMode != 0600) ::fchmod(fd, finalMode);
    ::close(fd);
    SyncFolder(dir);
    return true;
}

namespace {

// Empties the folder open as fd (which this closes), entry by entry, relative
// to fd and with O_NOFOLLOW, so that no path is resolved twice.
bool EmptyFolder(int fd) {
    DIR* dir = ::fdopendir(fd);
    if (!dir) {
        const int saved = errno;
        ::close(fd);
        errno = saved;
        return false;
    }
    int error = 0;  // the first failure's
    while (const dirent* entry = ::readdir(dir)) {
        const std::string_view name = entry->d_name;
        if (name == "." || name == "..") continue;
        if (::unlinkat(::dirfd(dir), entry->d_name, 0) == 0) continue;
        if (errno == EISDIR || errno == EPERM) {
            const int sub = ::openat(::dirfd(dir), entry->d_name, O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
            if (sub >= 0 && EmptyFolder(sub) && ::unlinkat(::dirfd(dir), entry->d_name, AT_REMOVEDIR) == 0) continue;
        }
        if (error == 0) error = errno;
    }
    ::closedir(dir);
    errno = error;
    return error == 0;
}

}  // namespace

bool RemoveFolderTree(const std::string& parent, const std::string& name) {
    const int top = ::open(parent.empty() ? "." : parent.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (top < 0) return false;
    const int fd = ::openat(top, name.c_str(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
    bool ok = fd >= 0;
    if (!ok) {
        // A link to a folder fails with ENOTDIR under O_DIRECTORY: say which it is.
        struct stat st;
        if (errno == ENOTDIR && ::fstatat(top, name.c_str(), &st, AT_SYMLINK_NOFOLLOW) == 0 && S_ISLNK(st.st_mode))
            errno = ELOOP;
    } else {
        ok = EmptyFolder(fd) && ::unlinkat(top, name.c_str(), AT_REMOVEDIR) == 0;
    }
    const int saved = errno;
    ::close(top);
    errno = saved;
    return ok;
}

bool ReadWholeFile(const std::string& path, std::string& out) { return ReadRegularFile(path, out); }

bool IsRegularFile(const std::string& path) {
    struct stat st;
    return ::stat(path.c_str(), &st) == 0 && S_ISREG(st.st_mode);
}

}  // namespace platform
