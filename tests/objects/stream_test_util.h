#pragma once
// Scratch folders with files for the stream and file-entry tests, and a
// scope that makes a folder the current directory (data paths are relative
// to it).

#include <filesystem>
#include <string>
#include <string_view>

#include "../support/temp_dir.h"

class vScratchDir_c {
public:
    const std::string& Path() const { return mPathText; }
    // Writes the bytes to the file below the folder (making its folders) and
    // returns its full path.
    std::string Write(const std::string& name, std::string_view bytes) const {
        const std::string full = mDir.File(name);
        std::filesystem::create_directories(std::filesystem::path(full).parent_path());
        lorvano_test::WriteFile(full, std::string(bytes));
        return full;
    }

private:
    lorvano_test::TempDir mDir;
    std::string mPathText = mDir.Path().string();
};

class vCurrentDir_c {
public:
    explicit vCurrentDir_c(const std::string& dir) : mOld(std::filesystem::current_path()) {
        std::filesystem::current_path(dir);
    }
    ~vCurrentDir_c() { std::filesystem::current_path(mOld); }
    vCurrentDir_c(const vCurrentDir_c&) = delete;
    vCurrentDir_c& operator=(const vCurrentDir_c&) = delete;

private:
    std::filesystem::path mOld;
};
