#include "platform/regular_file.h"

#include <cerrno>
#include <algorithm>
#include <cstring>
#include <filesystem>
#include <strings.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace platform {

int OpenRegularFile(const std::string& path, uint64_t maxBytes) {
    // O_NONBLOCK: opening a FIFO without a writer returns at once instead of
    // waiting; the descriptor is refused below anyway.
    const int fd = ::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
    if (fd < 0) return -1;
    struct stat st {};
    int refusal = 0;
    if (::fstat(fd, &st) != 0)
        refusal = errno;
    else if (S_ISDIR(st.st_mode))
        refusal = EISDIR;
    else if (!S_ISREG(st.st_mode))
        refusal = ENODEV;
    else if (static_cast<uint64_t>(st.st_size) > maxBytes)
        refusal = EFBIG;
    else if (::fcntl(fd, F_SETFL, ::fcntl(fd, F_GETFL) & ~O_NONBLOCK) != 0)
        refusal = errno;
    if (refusal != 0) {
        ::close(fd);
        errno = refusal;
        return -1;
    }
    return fd;
}

UniqueFile OpenRegularStream(const std::string& path, uint64_t maxBytes) {
    const int fd = OpenRegularFile(path, maxBytes);
    if (fd < 0) return nullptr;
    UniqueFile file(::fdopen(fd, "rb"));
    if (!file) {
        const int saved = errno;
        ::close(fd);
        errno = saved;
    }
    return file;
}

bool ReadRegularFile(const std::string& path, std::string& out, uint64_t maxBytes) {
    out.clear();
    const int fd = OpenRegularFile(path, maxBytes);
    if (fd < 0) return false;
    char chunk[65536];
    for (;;) {
        const ssize_t n = ::read(fd, chunk, sizeof chunk);
        if (n < 0 && errno == EINTR) continue;
        // A file that grew past the limit while it was read is refused too.
        if (n < 0 || out.size() + static_cast<uint64_t>(n) > maxBytes) {
            const int saved = n < 0 ? errno : EFBIG;
            ::close(fd);
            out.clear();
            errno = saved;
            return false;
        }
        if (n == 0) break;
        out.append(chunk, static_cast<size_t>(n));
    }
    ::close(fd);
    return true;
}

bool IsNotRegularFileError(int error) { return error == EISDIR || error == ENODEV; }

std::string OpenFailureText(int error) {
    switch (error) {
    case EISDIR: return "is a folder, not a file";
    case ENODEV: return "is not a regular file";
    case EFBIG: return "is too large";
    default: return std::strerror(error);
    }
}

std::vector<std::string> ListRegularFiles(const std::string& dir, const std::string& extension) {
    namespace fs = std::filesystem;
    std::vector<std::string> files;
    std::error_code error;
    fs::recursive_directory_iterator it(dir, fs::directory_options::skip_permission_denied, error), end;
    for (; !error && it != end; it.increment(error)) {
        std::error_code kind;
        if (!it->is_regular_file(kind)) continue;
        const std::string name = it->path().filename().string();
        if (name.size() <= extension.size() ||
            ::strcasecmp(name.c_str() + name.size() - extension.size(), extension.c_str()) != 0)
            continue;
        std::string relative = it->path().lexically_relative(dir).generic_string();
        files.push_back(dir + "/" + relative);
    }
    std::sort(files.begin(), files.end());
    return files;
}

}  // namespace platform
