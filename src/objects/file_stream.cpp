#include "objects/file_stream.h"

#include "objects/stream_path.h"
#include "platform/regular_file.h"

bool vFileInpStrmState_c::Open(const std::string& path) {
    Close();
    // Data written with "\" separators opens here too.
    mPath = NormalizePath(path);
    // Only plain files: a folder has nothing to read, and opening a pipe or
    // device named in data could block the program.
    mOpen = platform::ReadRegularFile(mPath, mText, kMaxFileBytes);
    return mOpen;
}

bool vFileInpStrmState_c::OpenText(const std::string& path, std::string_view text) {
    Close();
    mPath = NormalizePath(path);
    mText.assign(text);
    mOpen = true;
    return true;
}

void vFileInpStrmState_c::Close() {
    mText.clear();
    mPos = 0;
    mOpen = false;
}

vFileInpStrm_c::~vFileInpStrm_c() = default;

std::unique_ptr<vFileInpStrmState_c> vFileInpStrm_c::CreateState() {
    return std::make_unique<vFileInpStrmState_c>();
}

vFileInpStrmState_c& vFileInpStrm_c::CurrentOrNew() {
    if (mStates.empty()) PushState();
    return *mCurrent;
}

void vFileInpStrm_c::Open(const std::string& path) {
    CurrentOrNew().Open(path);
    OnOpened();
}

void vFileInpStrm_c::OpenText(const std::string& path, std::string_view text) {
    CurrentOrNew().OpenText(path, text);
    OnOpened();
}

bool vFileInpStrm_c::IsGood() {
    vFileInpStrmState_c* s = Current();
    return s != nullptr && s->IsOpen() && !s->AtEnd();
}

bool vFileInpStrm_c::IsBad() { return !vFileInpStrm_c::IsGood(); }

bool vFileInpStrm_c::AtEnd() {
    vFileInpStrmState_c* s = Current();
    return s == nullptr || s->AtEnd();
}

int vFileInpStrm_c::GetChar() {
    vFileInpStrmState_c* s = Current();
    return s == nullptr ? EOF : s->Get();
}

int vFileInpStrm_c::PeekChar() {
    vFileInpStrmState_c* s = Current();
    return s == nullptr ? EOF : s->Peek();
}

void vFileInpStrm_c::PushState() {
    mStates.push_back(CreateState());
    mCurrent = mStates.back().get();
}

bool vFileInpStrm_c::PopState() {
    if (mStates.size() <= 1) return false;
    mStates.pop_back();
    mCurrent = mStates.back().get();
    return true;
}

void vFileInpStrm_c::Close() {
    mStates.clear();
    mCurrent = nullptr;
}

const std::string& vFileInpStrm_c::FileName() const {
    static const std::string none;
    const vFileInpStrmState_c* s = Current();
    return s == nullptr ? none : s->Path();
}

std::vector<std::string> vFileInpStrm_c::OpenPaths() const {
    std::vector<std::string> paths;
    for (const auto& s : mStates)
        if (s->IsOpen()) paths.push_back(s->Path());
    return paths;
}

std::unique_ptr<vFileInpStrmState_c> vTextFileInpStrm_c::CreateState() {
    return std::make_unique<vTextFileInpStrmState_c>();
}

void vTextFileInpStrm_c::OnOpened() { static_cast<vTextFileInpStrmState_c*>(Current())->ResetLine(); }

int32_t vTextFileInpStrm_c::Line() const {
    const auto* s = static_cast<const vTextFileInpStrmState_c*>(Current());
    return s == nullptr ? 0 : s->Line();
}
