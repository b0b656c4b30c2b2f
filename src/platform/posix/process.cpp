#include "platform/process.h"

#include "platform/exception.h"

#include <climits>
#include <unistd.h>
#include <vector>

namespace platform {

std::string ProgramPath() {
    std::vector<char> buf(PATH_MAX);
    for (;;) {
        ssize_t n = ::readlink("/proc/self/exe", buf.data(), buf.size());
        if (n < 0) throw vExErrNo_c("/proc/self/exe");
        if (static_cast<size_t>(n) < buf.size()) return std::string(buf.data(), static_cast<size_t>(n));
        buf.resize(buf.size() * 2);  // the link may have been cut
    }
}

void ChangeDirectory(const std::string& path) {
    if (::chdir(path.c_str()) != 0) throw vExErrNo_c(path);
}

}  // namespace platform
