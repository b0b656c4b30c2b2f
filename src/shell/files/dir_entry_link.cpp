#include "shell/files/dir_entry_link.h"

#include <algorithm>
#include <memory>
#include <strings.h>
#include <sys/stat.h>
#include <vector>

#include "objects/stream_path.h"
#include "platform/atomic_file.h"
#include "platform/exception.h"

namespace {

constexpr const char* kLinkHeader = "[vLink]";

struct FileCloser {
    void operator()(std::FILE* f) const { std::fclose(f); }
};
using FilePtr = std::unique_ptr<std::FILE, FileCloser>;

// Only plain files can be link files; opening a pipe or device that a link
// names could block the program.
FilePtr OpenForReading(const std::string& path) {
    const std::string native = NormalizePath(path);
    struct stat st {};
    if (::stat(native.c_str(), &st) != 0 || !S_ISREG(st.st_mode)) return nullptr;
    return FilePtr(std::fopen(native.c_str(), "rb"));
}

bool IsLinkHeader(const std::string& line) { return strcasecmp(line.c_str(), kLinkHeader) == 0 && line.find('\0') == std::string::npos; }

// The target of the link file at path, or nothing when path is not a link
// file (cannot be opened or read, another first line, an overlong line).
std::optional<std::string> LinkOf(const std::string& path) {
    FilePtr file = OpenForReading(path);
    if (!file) return std::nullopt;
    std::string line;
    try {
        if (!ReadLine(file.get(), line) || !IsLinkHeader(line)) return std::nullopt;
        if (!ReadLine(file.get(), line)) line.clear();
    } catch (const vException_c&) {
        return std::nullopt;  // "String too long": not a link
    }
    return line;
}

}  // namespace

bool ReadLine(std::FILE* file, std::string& line) {
    line.clear();
    int ch = std::getc(file);
    if (ch == EOF) return false;
    while (ch != EOF && ch != '\r' && ch != '\n') {
        line += static_cast<char>(ch);
        if (line.size() > vDirEntryLink_c::kMaxLinkLine) throw vPrintException_c(0, "String too long");
        ch = std::getc(file);
    }
    if (ch != EOF) {
        const int partner = ch == '\r' ? '\n' : '\r';
        const int next = std::getc(file);
        if (next != partner && next != EOF) std::ungetc(next, file);
    }
    return true;
}

vDirEntryLink_c::vDirEntryLink_c(std::string path) : vDirEntry_c(std::move(path)) { ResolveLink(); }

vDirEntryLink_c::vDirEntryLink_c(const std::string& directory, const std::string& name)
    : vDirEntry_c(directory, name) {
    ResolveLink();
}

vDirEntryLink_c::vDirEntryLink_c(const vDirEntryLink_c& other) : vDirEntry_c(other) { ResolveLink(); }

vDirEntryLink_c& vDirEntryLink_c::operator=(const vDirEntryLink_c& other) {
    if (this != &other) {
        vDirEntry_c::operator=(other);
        ResolveLink();
    }
    return *this;
}

void vDirEntryLink_c::ResolveLink() {
    mTarget.reset();
    std::string current = Path();
    std::vector<std::string> seen{AbsolutePath(current)};
    std::string target;
    int links = 0;
    bool broken = false;
    while (std::optional<std::string> next = LinkOf(current)) {
        ++links;
        target = std::move(*next);
        // An empty target, or one that is not text, names nothing.
        if (target.empty() || target.find('\0') != std::string::npos || links > kMaxLinkChain) {
            broken = true;
            break;
        }
        std::string absolute = AbsolutePath(target);
        if (std::find(seen.begin(), seen.end(), absolute) != seen.end()) {
            broken = true;  // the chain comes back to a link already followed
            break;
        }
        seen.push_back(std::move(absolute));
        current = target;
    }
    if (links == 0) return;  // a plain entry: Refresh has described it

    try {
        if (broken) MarkMissing();
        else RefreshFrom(target);
        mTarget = std::move(target);
    } catch (const vException_c&) {
        Refresh();  // the target cannot be examined: keep the entry as it is
    }
}

const std::string& vDirEntryLink_c::LinkTarget() const {
    static const std::string none;
    return mTarget ? *mTarget : none;
}

void vDirEntryLink_c::SetLinkTarget(std::string target) {
    RefreshFrom(target);
    mTarget = std::move(target);
}

std::string vDirEntryLink_c::FullPath() const { return mTarget ? AbsolutePath(*mTarget) : vDirEntry_c::FullPath(); }

std::string vDirEntryLink_c::LinkFileText(const std::string& target) {
    return std::string(kLinkHeader) + "\r\n" + target + "\r\n";
}

std::string vDirEntryLink_c::ReadLinkTarget(const std::string& path) {
    FilePtr file = OpenForReading(path);
    if (!file) throw vPrintException_c(0, "Cannot open link file: %s", path.c_str());
    std::string line;
    if (!ReadLine(file.get(), line)) return {};
    if (!IsLinkHeader(line)) return line;
    if (!ReadLine(file.get(), line)) line.clear();
    return line;
}

void vDirEntryLink_c::CreateEntry(vEntryKind kind) {
    if (!mTarget) {
        vDirEntry_c::CreateEntry(kind);
        return;
    }
    vDirEntry_c target(*mTarget);
    target.CreateEntry(kind);
    if (!platform::WriteFileAtomically(NormalizePath(Path()), LinkFileText(*mTarget)))
        throw vPrintException_c(0, "Cannot create link file: %s", Path().c_str());
    RefreshFrom(*mTarget);
}

bool vSortFile_c::operator<(const vSortFile_c& other) const {
    const bool back = strcasecmp(std::string(Name()).c_str(), "back.crd") == 0;
    const bool otherBack = strcasecmp(std::string(other.Name()).c_str(), "back.crd") == 0;
    if (back != otherBack) return back;
    return strcasecmp(Path().c_str(), other.Path().c_str()) < 0;
}
