#include "platform/user_dirs.h"

#include <cerrno>
#include <cstdlib>
#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>

namespace platform {

std::string UserDataDir() {
    const char* xdg = std::getenv("XDG_DATA_HOME");
    // The base directory rules ignore relative values.
    if (xdg && xdg[0] == '/') return std::string(xdg) + "/lorvano/";
    std::string home;
    if (const char* h = std::getenv("HOME"); h && *h) {
        home = h;
    } else if (const passwd* pw = ::getpwuid(::getuid()); pw && pw->pw_dir) {
        home = pw->pw_dir;
    }
    return home + "/.local/share/lorvano/";
}

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

}  // namespace platform
