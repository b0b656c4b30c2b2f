#pragma once
// Lists the names in one folder, in the file system's order. Names starting
// with "." (the program's own files and folders such as ".Drawer.dat" and
// ".Pic", and "." and "..") are skipped unless asked for. A folder that
// cannot be read lists nothing. One thread at a time.

#include <filesystem>
#include <string>

#include "shell/files/dir_entry.h"

class vFileIterator_c {
public:
    explicit vFileIterator_c(std::string directory, bool includeDotNames = false);

    bool AtEnd() const { return mAtEnd; }
    // The current name (valid while not at the end).
    const std::string& Name() const { return mName; }
    // The current name as an entry of the folder.
    vDirEntry_c Entry() const { return vDirEntry_c(mDirectory, mName); }
    void Next();

private:
    void Settle();

    std::string mDirectory;
    bool mIncludeDotNames;
    std::filesystem::directory_iterator mIt;
    std::string mName;
    bool mAtEnd = true;
};
