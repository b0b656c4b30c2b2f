#include "platform/path_case.h"

#include <dirent.h>
#include <strings.h>
#include <sys/stat.h>

namespace platform {

std::string ToForwardSlashes(std::string path) {
    for (char& c : path)
        if (c == '\\') c = '/';
    return path;
}

namespace {
bool Exists(const std::string& path) {
    struct stat st {};
    return ::lstat(path.c_str(), &st) == 0;
}

// The entry of dir whose name equals name ignoring case, or name itself.
std::string FindInFolder(const std::string& dir, const std::string& name) {
    DIR* d = ::opendir(dir.empty() ? "." : dir.c_str());
    if (!d) return name;
    std::string found = name;
    while (dirent* e = ::readdir(d)) {
        if (::strcasecmp(e->d_name, name.c_str()) == 0) {
            found = e->d_name;
            break;
        }
    }
    ::closedir(d);
    return found;
}
}  // namespace

std::string MatchExistingCase(const std::string& given) {
    std::string path = ToForwardSlashes(given);
    if (path.empty() || Exists(path)) return path;
    std::string out;
    size_t pos = 0;
    if (path[0] == '/') {
        out = "/";
        pos = 1;
    }
    bool matching = true;  // once a component is missing, the rest cannot exist
    while (pos <= path.size()) {
        size_t slash = path.find('/', pos);
        std::string part = path.substr(pos, slash == std::string::npos ? std::string::npos : slash - pos);
        if (!part.empty()) {
            std::string dir = out;
            if (matching && part != "." && part != "..") {
                std::string candidate = dir + part;
                if (!Exists(candidate)) {
                    part = FindInFolder(dir, part);
                    matching = Exists(dir + part);
                }
            }
            out += part;
        }
        if (slash == std::string::npos) break;
        out += '/';
        pos = slash + 1;
    }
    return out;
}

}  // namespace platform
