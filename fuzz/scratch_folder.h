#pragma once
// A private folder under the temporary directory for one fuzz program,
// holding a few fixed small files; it goes when the program ends normally.

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <initializer_list>
#include <string>
#include <utility>

class vScratchFolder_c {
public:
    // prefix names the folder; files are (name, text) pairs.
    vScratchFolder_c(const char* prefix, std::initializer_list<std::pair<const char*, const char*>> files)
        : mPath((std::filesystem::temp_directory_path() / (std::string(prefix) + "-XXXXXX")).string()) {
        if (mkdtemp(mPath.data()) == nullptr) std::abort();
        for (const auto& [name, text] : files) std::ofstream(mPath + "/" + name, std::ios::binary) << text;
    }
    ~vScratchFolder_c() {
        std::error_code ec;
        std::filesystem::remove_all(mPath, ec);
    }
    vScratchFolder_c(const vScratchFolder_c&) = delete;
    vScratchFolder_c& operator=(const vScratchFolder_c&) = delete;

    const std::string& Path() const { return mPath; }

private:
    std::string mPath;
};
