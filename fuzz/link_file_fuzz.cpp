// Link files from arbitrary bytes. The input is cut at 0xff bytes into up to
// four files l0..l3 of a scratch folder (the current directory while the
// target runs), so chains and loops between them are explored; then l0 is
// resolved as a link-aware entry and read by path. Targets outside the
// folder are only examined, never written, and inputs naming the system's
// pseudo-file trees are skipped. Also checks that a link text
// written for a target reads back as that target.
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <memory>
#include <string>
#include <string_view>
#include <fcntl.h>
#include <unistd.h>

#include "platform/exception.h"
#include "shell/files/dir_entry_link.h"

namespace {

// The scratch folder goes when the program ends.
struct vScratch_c {
    std::string path;
    int fd = -1;
    ~vScratch_c() {
        if (fd >= 0) ::close(fd);
        std::error_code ec;
        std::filesystem::remove_all(path, ec);
    }
};

const vScratch_c& Scratch() {
    static vScratch_c scratch = [] {
        vScratch_c s;
        s.path = (std::filesystem::temp_directory_path() / "lorvano-fuzz-link-XXXXXX").string();
        if (mkdtemp(s.path.data()) == nullptr) std::abort();
        s.fd = ::open(s.path.c_str(), O_RDONLY | O_DIRECTORY);
        if (s.fd < 0) std::abort();
        return s;
    }();
    return scratch;
}

// The scratch folder is the current directory for one input only: the fuzzer
// reads its corpus and writes new inputs by the paths it was given.
struct vInScratch_c {
    int home = ::open(".", O_RDONLY | O_DIRECTORY);
    vInScratch_c() {
        if (home < 0 || ::fchdir(Scratch().fd) != 0) std::abort();
    }
    ~vInScratch_c() {
        if (::fchdir(home) != 0) std::abort();
        ::close(home);
    }
};

void CheckRoundTrip(std::string_view text) {
    const std::string target(text.substr(0, text.find_first_of(std::string_view("\r\n\xff", 3))));
    if (target.empty() || target.size() > vDirEntryLink_c::kMaxLinkLine) return;
    std::string bytes = vDirEntryLink_c::LinkFileText(target);
    std::unique_ptr<std::FILE, int (*)(std::FILE*)> f(fmemopen(bytes.data(), bytes.size(), "r"), &std::fclose);
    std::string first, second;
    if (!ReadLine(f.get(), first) || !ReadLine(f.get(), second) || first != "[vLink]" || second != target)
        std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const vInScratch_c inScratch;
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    // Some pseudo-files block when read (as root, /proc/kmsg waits for kernel
    // messages); the chains of interest are between l0..l3.
    for (std::string_view word : {"proc", "sys", "dev"})
        if (text.find(word) != std::string_view::npos) return 0;
    std::size_t start = 0;
    for (int i = 0; i < 4; ++i) {
        const std::string name = "l" + std::to_string(i);
        if (start > text.size()) {
            std::remove(name.c_str());
            continue;
        }
        std::size_t end = i == 3 ? text.size() : text.find('\xff', start);
        if (end == std::string_view::npos) end = text.size();
        std::ofstream(name, std::ios::binary | std::ios::trunc) << text.substr(start, end - start);
        start = end + 1;
    }

    try {
        vDirEntryLink_c entry("l0");
        if (entry.IsLink() && entry.LinkTarget().empty() && entry.Exists()) std::abort();
        if (!entry.IsLink() && !entry.Exists()) std::abort();  // l0 itself is there
        (void)entry.FullPath();
        vDirEntryLink_c copy(entry);
        if (copy.IsLink() != entry.IsLink() || copy.Exists() != entry.Exists()) std::abort();
        (void)vDirEntryLink_c::ReadLinkTarget("l0");
    } catch (const vException_c&) {
        // "String too long", "Error %i" for odd target names: reported, not a crash.
    }
    CheckRoundTrip(text);
    return 0;
}
