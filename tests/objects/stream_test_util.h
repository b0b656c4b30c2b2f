#pragma once
// Scratch folders and files for the stream and file-entry tests.

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <string_view>

// A fresh folder below the system's temporary folder, removed afterwards.
class vScratchDir_c {
public:
    vScratchDir_c() {
        std::string tmpl = (std::filesystem::temp_directory_path() / "lorvano-XXXXXX").string();
        if (mkdtemp(tmpl.data()) == nullptr) ADD_FAILURE() << "mkdtemp failed";
        mPath = tmpl;
    }
    ~vScratchDir_c() {
        std::error_code ec;
        std::filesystem::remove_all(mPath, ec);
    }
    const std::string& Path() const { return mPath; }
    // Writes the bytes to the file below the folder and returns its full path.
    std::string Write(const std::string& name, std::string_view bytes) const {
        std::string full = mPath + "/" + name;
        std::filesystem::create_directories(std::filesystem::path(full).parent_path());
        std::ofstream(full, std::ios::binary).write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
        return full;
    }

private:
    std::string mPath;
};

// Makes the folder the current directory while in scope.
class vCurrentDir_c {
public:
    explicit vCurrentDir_c(const std::string& dir) : mOld(std::filesystem::current_path()) {
        std::filesystem::current_path(dir);
    }
    ~vCurrentDir_c() { std::filesystem::current_path(mOld); }

private:
    std::filesystem::path mOld;
};
