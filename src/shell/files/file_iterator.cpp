#include "shell/files/file_iterator.h"

#include "objects/stream_path.h"

vFileIterator_c::vFileIterator_c(std::string directory, bool includeDotNames)
    : mDirectory(std::move(directory)), mIncludeDotNames(includeDotNames) {
    std::error_code ec;
    const std::string native = mDirectory.empty() ? std::string(".") : NormalizePath(mDirectory);
    mIt = std::filesystem::directory_iterator(native, ec);
    if (ec) return;  // at end
    Settle();
}

void vFileIterator_c::Settle() {
    for (; mIt != std::filesystem::directory_iterator(); ) {
        mName = mIt->path().filename().string();
        if (mIncludeDotNames || mName.empty() || mName[0] != '.') {
            mAtEnd = false;
            return;
        }
        std::error_code ec;
        mIt.increment(ec);
        if (ec) break;
    }
    mAtEnd = true;
    mName.clear();
}

void vFileIterator_c::Next() {
    if (mAtEnd) return;
    std::error_code ec;
    mIt.increment(ec);
    if (ec) {
        mAtEnd = true;
        mName.clear();
        return;
    }
    Settle();
}
