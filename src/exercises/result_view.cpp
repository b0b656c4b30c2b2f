#include "exercises/result_view.h"

#include "display/dx_button.h"
#include "events/window.h"
#include "platform/message_queue.h"
#include "platform/path_case.h"
#include "settings/settings.h"
#include "settings/shared_keys.h"

#include <cstdio>
#include <filesystem>

namespace {
constexpr std::size_t kMaxPrefix = 50;
// Numbers the animations, so that a timer message of one that has ended is
// recognised and passed on.
std::uintptr_t gAnimations = 0;
}  // namespace

// The frames' clock: while an animation runs, it stands in the main window's
// user-message chain and asks for a timer message after each frame.
class vTrResultView_c::Clock : public vCmdTarget_c {
public:
    explicit Clock(vTrResultView_c& view) : mView(view) {}

    void Start() {
        mAnimation = ++gAnimations;
        Tick();
    }
    void Stop() { mAnimation = 0; }

    Result OnUserMessage(platform::MessageId id, std::uintptr_t p1, std::intptr_t p2) override {
        if (id != kTrRewardFrameMessage || mAnimation == 0 || p1 != mAnimation)
            return vCmdTarget_c::OnUserMessage(id, p1, p2);
        if (mView.NextFrame()) Tick();
        return 0;
    }

private:
    void Tick() {
        vWindow_c* window = DxMainWindow();
        if (!window) return;
        if (!InChain(Chain::UserMessage)) JoinChain(Chain::UserMessage, *window);
        platform::PostAfter(kFrameMs, {window->Handle(), kTrRewardFrameMessage, mAnimation, 0});
    }

    vTrResultView_c& mView;
    std::uintptr_t mAnimation = 0;
};

vTrResultView_c::vTrResultView_c() : mFeedbackOffset(keys::kFeedbackOffset.Read()) {
    SetCount(kPictureCount);
    if (static_cast<int32_t>(mFeedbackOffset) >= 0) {
        char key[40];
        std::snprintf(key, sizeof key, "Feedback/Prefix%d", static_cast<int32_t>(mFeedbackOffset));
        char prefix[kMaxPrefix + 1];
        gSettings.GetString(key, prefix, sizeof prefix, "");
        mFeedbackPrefix = prefix;
    }
}

vTrResultView_c::~vTrResultView_c() = default;

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
    for (unsigned i = 0; i < Count(); ++i) LoadFrames(i);
    mDirty = true;
    return true;
}

void vTrResultView_c::LoadResized(const std::string& fileName, int paletteStart) {
    vDxFileImageArray_c::LoadResized(FeedbackFile(fileName), paletteStart);
    LoadFrames(static_cast<unsigned>(Current()));
    mDirty = true;
}

void vTrResultView_c::LoadFrames(unsigned index) {
    mFrames.resize(Count());
    mFrame = 0;
    mFrames[index].clear();
    const vDxFileImage_c* picture = Picture(index);
    if (!picture || picture->GetWidth() <= 0) return;
    const std::string path = platform::ToForwardSlashes(picture->FileName());
    const std::size_t dot = path.rfind('.');
    const bool hasExtension = dot != std::string::npos && path.find('/', dot) == std::string::npos;
    const std::string stem = hasExtension ? path.substr(0, dot) : path;
    const std::string extension = hasExtension ? path.substr(dot) : std::string();
    for (unsigned k = 1; k <= kMaxFrames; ++k) {
        const std::string file = platform::MatchExistingCase(stem + "-" + std::to_string(k) + extension);
        std::error_code ec;
        if (!std::filesystem::is_regular_file(file, ec)) break;
        auto frame = std::make_unique<vDxFileImage_c>();
        frame->SetFileName(file);
        frame->SetParent(GetParent());
        try {
            frame->LoadFile();
        } catch (const vException_c&) {
            break;  // the still picture is enough
        }
        if (frame->GetWidth() != picture->GetWidth() || frame->GetHeight() != picture->GetHeight()) break;
        if (IsTransparent()) frame->SetTransparentColor(GetTransparentColor());
        mFrames[index].push_back(std::move(frame));
    }
}

unsigned vTrResultView_c::FrameCount(unsigned index) const {
    return index < mFrames.size() ? static_cast<unsigned>(mFrames[index].size()) : 0;
}

void vTrResultView_c::Restore() {
    vDxFileImageArray_c::Restore();
    for (auto& frames : mFrames)
        for (auto& frame : frames) frame->Restore();
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
    if (entry != previous) {
        mFrame = 0;
        if (mClock) mClock->Stop();
    }
    return previous;
}

void vTrResultView_c::ShowEntry(int32_t entry) {
    const int32_t old = SetEntry(entry);
    if ((entry == old && !mDirty) || entry < 0) return;
    const bool animate = entry != old && entry == Current() && FrameCount(static_cast<unsigned>(entry)) > 0;
    if (animate) mFrame = 1;
    // A view not yet on anything stays dirty, so that it is drawn once it is.
    if (!Blit()) {
        mFrame = 0;
        return;
    }
    if (!animate) return;
    if (!mClock) mClock = std::make_unique<Clock>(*this);
    mClock->Start();
}

bool vTrResultView_c::NextFrame() {
    if (mFrame == 0) return false;
    mFrame = mFrame < FrameCount(static_cast<unsigned>(Current())) ? mFrame + 1 : 0;
    if (!Blit()) mFrame = 0;
    if (mFrame == 0 && mClock) mClock->Stop();
    return mFrame != 0;
}

bool vTrResultView_c::Blit() {
    vDxImage_i* parent = GetParent();
    if (!parent || !GetSurface() || !parent->GetSurface()) return false;
    if (mFrame > 0)
        parent->BltImage(GetPos(), *mFrames[static_cast<unsigned>(Current())][mFrame - 1]);
    else
        parent->BltImage(GetPos(), *this);
    mDirty = false;
    return true;
}

V_REGISTER_CLASS(vTrResultView_c);
