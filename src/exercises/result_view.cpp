#include "exercises/result_view.h"

#include "platform/path_case.h"
#include "settings/settings.h"

#include <cstdio>
#include <filesystem>

namespace {
constexpr std::size_t kMaxPrefix = 50;
}

vTrResultView_c::vTrResultView_c() : mFeedbackOffset(gSettings.GetUnsigned("Feedback/Offset", 4294967295u)) {
    SetCount(kPictureCount);
    if (static_cast<int32_t>(mFeedbackOffset) >= 0) {
        char key[40];
        std::snprintf(key, sizeof key, "Feedback/Prefix%d", static_cast<int32_t>(mFeedbackOffset));
        char prefix[kMaxPrefix + 1];
        gSettings.GetString(key, prefix, sizeof prefix, "");
        mFeedbackPrefix = prefix;
    }
}

std::string vTrResultView_c::FeedbackFile(const std::string& fileName) const {
    if (mFeedbackPrefix.empty() || fileName.empty()) return fileName;
    const std::string path = platform::ToForwardSlashes(fileName);
    const std::size_t slash = path.rfind('/');
    const std::size_t nameAt = slash == std::string::npos ? 0 : slash + 1;
    const std::string alternative =
        platform::MatchExistingCase(path.substr(0, nameAt) + mFeedbackPrefix + path.substr(nameAt));
    std::error_code ec;
    return std::filesystem::is_regular_file(alternative, ec) ? alternative : fileName;
}

bool vTrResultView_c::Loaded() {
    vDxFileImageArray_c::Loaded();
    if (!mFeedbackPrefix.empty()) {
        for (unsigned i = 0; i < Count(); ++i) {
            vDxFileImage_c* picture = Picture(i);
            if (!picture) continue;
            const std::string file = FeedbackFile(picture->FileName());
            if (file == picture->FileName()) continue;
            picture->SetFileName(file);
            picture->LoadFile();
        }
    }
    mDirty = true;
    return true;
}

void vTrResultView_c::LoadResized(const std::string& fileName, int paletteStart) {
    vDxFileImageArray_c::LoadResized(FeedbackFile(fileName), paletteStart);
    mDirty = true;
}

void vTrResultView_c::Restore() {
    vDxFileImageArray_c::Restore();
    mDirty = true;
}

void vTrResultView_c::Draw() {
    vDxFileImageArray_c::Draw();
    mDirty = true;
}

int32_t vTrResultView_c::SetEntry(int32_t entry) {
    const int32_t previous = mEntry;
    mEntry = entry;
    const vDxFileImage_c* picture = entry >= 0 ? Picture(static_cast<unsigned>(entry)) : nullptr;
    SetCurrent(picture && picture->GetWidth() > 0 ? entry : 0);
    return previous;
}

void vTrResultView_c::ShowEntry(int32_t entry) {
    const int32_t old = SetEntry(entry);
    if ((entry == old && !mDirty) || entry < 0) return;
    vDxImage_i* parent = GetParent();
    // A view not yet on anything stays dirty, so that it is drawn once it is.
    if (!parent || !GetSurface() || !parent->GetSurface()) return;
    parent->BltImage(GetPos(), *this);
    mDirty = false;
}
