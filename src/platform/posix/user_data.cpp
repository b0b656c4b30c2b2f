#include "platform/user_data.h"

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <dirent.h>
#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>

#include <memory>
#include <vector>

namespace platform {

namespace {

std::string Home() {
    if (const char* home = std::getenv("HOME"); home && *home) return home;
    if (const passwd* entry = ::getpwuid(::getuid()); entry && entry->pw_dir) return entry->pw_dir;
    return ".";
}

std::string FromEnvironment(const char* variable, const char* fallbackBelowHome) {
    // Relative values are invalid by the base-directory rules and ignored.
    if (const char* value = std::getenv(variable); value && value[0] == '/') return value;
    return Home() + fallbackBelowHome;
}

struct DirCloser {
    void operator()(DIR* d) const { ::closedir(d); }
};

std::vector<std::string> Names(const std::string& folder) {
    std::vector<std::string> names;
    std::unique_ptr<DIR, DirCloser> d(::opendir(folder.c_str()));
    if (!d) return names;
    while (const dirent* e = ::readdir(d.get()))
        if (std::strcmp(e->d_name, ".") != 0 && std::strcmp(e->d_name, "..") != 0) names.emplace_back(e->d_name);
    return names;
}

std::string LinkTarget(const std::string& path) {
    std::string target(4096, '\0');
    const ssize_t n = ::readlink(path.c_str(), target.data(), target.size());
    if (n < 0 || static_cast<size_t>(n) >= target.size()) return {};
    target.resize(static_cast<size_t>(n));
    return target;
}

// Points path at target, replacing an old link in one step.
bool PlaceLink(const std::string& target, const std::string& path) {
    const std::string temporary = path + ".lorvano-link";
    ::unlink(temporary.c_str());
    return ::symlink(target.c_str(), temporary.c_str()) == 0 && ::rename(temporary.c_str(), path.c_str()) == 0;
}

void Mirror(const std::string& shipped, const std::string& user, std::string& error) {
    for (const std::string& name : Names(shipped)) {
        const std::string from = shipped + "/" + name;
        const std::string to = user + "/" + name;
        struct stat source {};
        struct stat mine {};
        if (::stat(from.c_str(), &source) != 0) continue;
        const bool have = ::lstat(to.c_str(), &mine) == 0;
        if (S_ISDIR(source.st_mode)) {
            if (!have && ::mkdir(to.c_str(), 0700) != 0) {
                error = to + ": " + std::strerror(errno);
                continue;
            }
            if (!have || S_ISDIR(mine.st_mode)) Mirror(from, to, error);
        } else if (!have || (S_ISLNK(mine.st_mode) && LinkTarget(to) != from)) {
            if (!PlaceLink(from, to)) error = to + ": " + std::strerror(errno);
        }
    }
    // Links into the shipped folder whose file has gone go too.
    for (const std::string& name : Names(user)) {
        const std::string path = user + "/" + name;
        struct stat mine {};
        if (::lstat(path.c_str(), &mine) != 0 || !S_ISLNK(mine.st_mode)) continue;
        const std::string target = LinkTarget(path);
        struct stat gone {};
        if (target.rfind(shipped + "/", 0) == 0 && ::stat(target.c_str(), &gone) != 0) ::unlink(path.c_str());
    }
}

// Shipped folders mirrored in this run; set at start-up, before any thread.
std::vector<std::string>& Mirrored() {
    static std::vector<std::string> folders;
    return folders;
}

}  // namespace

bool IsMirroredFile(const std::string& path) {
    for (const std::string& folder : Mirrored())
        if (path.rfind(folder + "/", 0) == 0) return true;
    return false;
}

std::string UserDataHome() { return FromEnvironment("XDG_DATA_HOME", "/.local/share"); }
std::string UserConfigHome() { return FromEnvironment("XDG_CONFIG_HOME", "/.config"); }

std::string UserDataDir() { return UserDataHome() + "/lorvano/"; }

bool MakeFolders(const std::string& path, mode_t mode) {
    if (path.empty()) {
        errno = ENOENT;
        return false;
    }
    for (std::string::size_type pos = 1;; ++pos) {
        pos = path.find('/', pos);
        const std::string part = path.substr(0, pos);
        if (::mkdir(part.c_str(), mode) != 0) {
            const int saved = errno;
            struct stat st;
            if (saved != EEXIST || ::stat(part.c_str(), &st) != 0 || !S_ISDIR(st.st_mode)) {
                errno = saved == EEXIST ? ENOTDIR : saved;
                return false;
            }
        }
        if (pos == std::string::npos || pos + 1 >= path.size()) return true;
    }
}

bool IsWritableFolder(const std::string& path) { return ::access(path.c_str(), W_OK | X_OK) == 0; }

bool MirrorFolder(const std::string& shipped, const std::string& user, std::string& error) {
    error.clear();
    if (!MakeFolders(user, 0700)) {
        error = user + ": " + std::strerror(errno);
        return false;
    }
    if (!IsMirroredFile(shipped + "/")) Mirrored().push_back(shipped);
    Mirror(shipped, user, error);
    return error.empty();
}

}  // namespace platform
