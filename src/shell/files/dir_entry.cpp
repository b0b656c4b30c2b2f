#include "shell/files/dir_entry.h"

#include <cerrno>
#include <filesystem>
#include <fstream>
#include <sys/stat.h>

#include "objects/stream_path.h"
#include "platform/exception.h"

namespace {

std::string Join(const std::string& directory, const std::string& name) {
    // An empty folder means the current one; "" + "/" would name the root.
    if (directory.empty()) return name;
    if (IsPathSeparator(directory.back())) return directory + name;
    return directory + "/" + name;
}

std::string ForwardSlashes(std::string text) {
    for (char& c : text)
        if (c == '\\') c = '/';
    return text;
}

}  // namespace

std::string CurrentDirectory() {
    std::error_code ec;
    std::filesystem::path cwd = std::filesystem::current_path(ec);
    if (ec) throw vPrintException_c(0, "Error %i", ec.value());
    return cwd.string();
}

std::string AbsolutePath(std::string_view path) {
    if (!path.empty() && IsPathSeparator(path.front())) return NormalizePath(path);
    std::string full = CurrentDirectory();
    if (!path.empty()) {
        full += '/';
        full += path;
    }
    return NormalizePath(full);
}

std::string RelativeTo(const std::string& absolutePath, const std::string& absoluteBase) {
    std::string base = absoluteBase;
    if (base.empty() || base.back() != '/') base += '/';
    std::string path = absolutePath;
    if (path.size() > 1 && path.back() == '/') path.pop_back();
    if (path + "/" == base) return ".";

    // Longest common leading part that ends at a separator.
    std::size_t common = 0;
    for (std::size_t i = 0; i < path.size() && i < base.size() && path[i] == base[i]; ++i)
        if (path[i] == '/') common = i + 1;

    std::string out;
    for (std::size_t i = common; i < base.size(); ++i)
        if (base[i] == '/') out += "../";
    out += path.substr(common);
    out = NormalizePath(out);
    if (out.size() > 1 && out.back() == '/') out.pop_back();
    return out;
}

vDirEntry_c::vDirEntry_c(std::string path) : mPath(std::move(path)) { Refresh(); }

vDirEntry_c::vDirEntry_c(const std::string& directory, const std::string& name) : mPath(Join(directory, name)) {
    Refresh();
}

vDirEntry_c::vDirEntry_c(const vDirEntry_c& other) : mPath(other.mPath) { Refresh(); }

vDirEntry_c& vDirEntry_c::operator=(const vDirEntry_c& other) {
    if (this != &other) {
        mPath = other.mPath;
        Refresh();
    }
    return *this;
}

void vDirEntry_c::MarkMissing() {
    mExists = false;
    mIsDirectory = false;
    mSize = 0;
}

void vDirEntry_c::RefreshFrom(const std::string& path) {
    struct stat st {};
    const std::string native = NormalizePath(path);
    if (::stat(native.c_str(), &st) != 0) {
        const int err = errno;
        // A path below a plain file is as missing as one that names nothing.
        if (err != ENOENT && err != ENOTDIR) throw vPrintException_c(0, "Error %i", err);
        MarkMissing();
    } else {
        mExists = true;
        mIsDirectory = S_ISDIR(st.st_mode);
        mSize = static_cast<int64_t>(st.st_size);
    }
}

void vDirEntry_c::Refresh() {
    RefreshFrom(mPath);
    LocateParts();
}

void vDirEntry_c::LocateParts() {
    const std::size_t sep = mPath.find_last_of("/\\");
    mName = sep == std::string::npos ? 0 : sep + 1;
    const std::size_t dot = mPath.rfind('.');
    mExtension = (dot != std::string::npos && dot >= mName) ? dot + 1 : std::string::npos;
}

std::string_view vDirEntry_c::Extension() const {
    if (!HasExtension()) return {};
    return std::string_view(mPath).substr(mExtension);
}

std::string vDirEntry_c::FullPath() const { return AbsolutePath(mPath); }

std::string vDirEntry_c::RelativePath() const { return RelativeTo(FullPath(), CurrentDirectory()); }

std::string vDirEntry_c::DirectoryPart() const { return ForwardSlashes(mPath.substr(0, mName)); }

bool vDirEntry_c::IsOutsideCurrentDirectory() const { return RelativePath().starts_with(".."); }

void vDirEntry_c::CreateEntry(vEntryKind kind) {
    Refresh();
    if (Exists()) return;
    const std::string native = NormalizePath(mPath);
    if (kind == vEntryKind::Directory) {
        std::error_code ec;
        if (!std::filesystem::create_directory(native, ec) || ec)
            throw vPrintException_c(0, "Cannot create directory: %s", mPath.c_str());
    } else {
        std::ofstream file(native, std::ios::binary);
        if (!file) throw vPrintException_c(0, "Cannot create file: %s", mPath.c_str());
    }
    Refresh();
}
