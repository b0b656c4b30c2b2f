#include "platform/instance_lock.h"

#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

#include <cerrno>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "platform/user_data.h"

namespace platform {

namespace {

// FNV-1a: the same name for the same key in every build.
std::string FileName(const std::string& key) {
    std::uint64_t hash = 14695981039346656037ull;
    for (unsigned char c : key) hash = (hash ^ c) * 1099511628211ull;
    char name[40];
    std::snprintf(name, sizeof name, "lorvano-%016llx.lock", static_cast<unsigned long long>(hash));
    return name;
}

std::string LockFolder() {
    if (const char* runtime = std::getenv("XDG_RUNTIME_DIR"); runtime && runtime[0] == '/') return runtime;
    return UserDataDir();
}

}  // namespace

InstanceLock::InstanceLock(const std::string& key) {
    const std::string folder = LockFolder();
    mPath = folder + (folder.back() == '/' ? "" : "/") + FileName(key);
    if (!MakeFolders(folder, 0700)) {
        mError = std::strerror(errno);
        return;
    }
    mFd = ::open(mPath.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0600);
    if (mFd < 0) {
        mError = std::strerror(errno);
        return;
    }
    if (::flock(mFd, LOCK_EX | LOCK_NB) == 0) {
        mState = State::Held;
        return;
    }
    if (errno == EWOULDBLOCK) {
        mState = State::Taken;
    } else {
        mError = std::strerror(errno);
    }
    ::close(mFd);
    mFd = -1;
}

InstanceLock::~InstanceLock() {
    // Closing releases the lock; the file stays for the next copy.
    if (mFd >= 0) ::close(mFd);
}

}  // namespace platform
