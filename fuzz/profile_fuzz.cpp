// INI reader and writer on arbitrary file contents: no crash, and a write
// changes the one value written and nothing else that could be read before.
#include "platform/profile.h"

#include "scratch_folder.h"

#include <cctype>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <map>
#include <string>
#include <unistd.h>
#include <utility>
#include <vector>

namespace {

const std::string& ScratchFile() {
    static const vScratchFolder_c dir("lorvano-profile-fuzz", {});
    static const std::string path = dir.Path() + "/fuzz.ini";
    return path;
}

std::vector<std::string> Names(const char* section) {
    std::vector<char> buf(1 << 16);
    size_t n = platform::ReadProfileString(section, nullptr, "", buf.data(), buf.size(), ScratchFile());
    std::vector<std::string> names;
    for (size_t i = 0; i < n;) {
        std::string name(buf.data() + i);
        i += name.size() + 1;
        names.push_back(std::move(name));
    }
    return names;
}

std::string Value(const std::string& section, const std::string& key) {
    std::vector<char> buf(1 << 16);
    size_t n = platform::ReadProfileString(section.c_str(), key.c_str(), "\x01missing", buf.data(), buf.size(),
                                           ScratchFile());
    return std::string(buf.data(), n);
}

using Snapshot = std::map<std::pair<std::string, std::string>, std::string>;

Snapshot Everything() {
    Snapshot all;
    for (const std::string& s : Names(nullptr))
        for (const std::string& k : Names(s.c_str())) all.emplace(std::make_pair(s, k), Value(s, k));
    return all;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string text(reinterpret_cast<const char*>(data), size);
    {
        std::ofstream out(ScratchFile(), std::ios::binary | std::ios::trunc);
        out << text;
    }
    // Names with NUL bytes cannot be told apart in the name lists.
    const bool checkable = text.find('\0') == std::string::npos && size < 4096;
    if (!checkable) {
        Names(nullptr);
        Value("A", "b");
        platform::WriteProfileString("A", "b", "c", ScratchFile());
        return 0;
    }
    Snapshot before = Everything();
    std::vector<std::string> sections = Names(nullptr);
    const std::string section = sections.empty() ? "Fuzz" : sections[size % sections.size()];
    const std::string key = size % 3 == 0 ? "NewKey" : (Names(section.c_str()).empty() ? "K" : Names(section.c_str())[0]);
    if (!platform::WriteProfileString(section.c_str(), key.c_str(), "written", ScratchFile())) return 0;

    if (Value(section, key) != "written") std::abort();
    Snapshot after = Everything();
    for (const auto& [name, value] : before) {
        if (name.first == section && name.second.size() == key.size()) {
            bool same = true;
            for (size_t i = 0; i < key.size(); ++i)
                if (std::tolower(static_cast<unsigned char>(key[i])) !=
                    std::tolower(static_cast<unsigned char>(name.second[i])))
                    same = false;
            if (same) continue;
        }
        auto it = after.find(name);
        if (it == after.end() || it->second != value) std::abort();
    }
    return 0;
}
