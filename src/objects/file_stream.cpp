#include "objects/file_stream.h"

#include <sys/stat.h>

#include "objects/stream_path.h"

vFileInpStrmState_c::~vFileInpStrmState_c() { Close(); }

bool vFileInpStrmState_c::Attach(std::FILE* file, std::string path) {
    mPath = std::move(path);
    mFile = file;
    return mFile != nullptr;
}

bool vFileInpStrmState_c::Open(const std::string& path) {
    Close();
    // Data written with "\" separators opens here too.
    std::string normal = NormalizePath(path);
    // Only plain files: a folder has nothing to read, and opening a pipe or
    // device named in data could block the program.
    struct stat st {};
    std::FILE* file = nullptr;
    if (::stat(normal.c_str(), &st) == 0 && S_ISREG(st.st_mode)) file = std::fopen(normal.c_str(), "rb");
    return Attach(file, std::move(normal));
}

bool vFileInpStrmState_c::OpenText(const std::string& path, std::string_view text) {
    Close();
    mText.assign(text);
    // fmemopen needs a writable buffer even for reading; an empty text still
    // gets a valid (zero-length) stream.
    return Attach(fmemopen(mText.data(), mText.size(), "r"), NormalizePath(path));
}

void vFileInpStrmState_c::Close() {
    if (mFile != nullptr) std::fclose(mFile);
    mFile = nullptr;
    mText.clear();
}

bool vFileInpStrmState_c::HasError() const { return mFile != nullptr && std::ferror(mFile) != 0; }

int vFileInpStrmState_c::Peek() {
    if (mFile == nullptr) return EOF;
    int ch = std::getc(mFile);
    if (ch != EOF) std::ungetc(ch, mFile);
    return ch;
}

bool vFileInpStrmState_c::AtEnd() { return Peek() == EOF; }

int vFileInpStrmState_c::Get() {
    if (mFile == nullptr) return EOF;
    int ch = std::getc(mFile);
    if (ch != EOF) OnChar(ch);
    return ch;
}

vFileInpStrm_c::~vFileInpStrm_c() = default;

std::unique_ptr<vFileInpStrmState_c> vFileInpStrm_c::CreateState() {
    return std::make_unique<vFileInpStrmState_c>();
}

vFileInpStrmState_c& vFileInpStrm_c::CurrentOrNew() {
    if (mStates.empty()) mStates.push_back(CreateState());
    return *mStates.back();
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
    return s != nullptr && s->IsOpen() && !s->HasError() && !s->AtEnd();
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

void vFileInpStrm_c::PushState() { mStates.push_back(CreateState()); }

bool vFileInpStrm_c::PopState() {
    if (mStates.size() <= 1) return false;
    mStates.pop_back();  // the state's destructor closes its file
    return true;
}

void vFileInpStrm_c::Close() { mStates.clear(); }

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
