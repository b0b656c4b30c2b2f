#include "display/dx_window.h"

#include "platform/message_queue.h"
#include "platform/pointer.h"
#include "settings/settings.h"
#include "settings/shared_keys.h"

#include <algorithm>

namespace {

// The pointer pictures in the order of the pointer indices 1..12.
constexpr const char* kPointerFiles[vDxMouseWindow_c::kPointerCount] = {
    ".Pic/Cursors/ArrowGlass.bmp", ".Pic/Cursors/Arrow.bmp",    ".Pic/Cursors/Cross.bmp",
    ".Pic/Cursors/Edit.bmp",       ".Pic/Cursors/No.bmp",       ".Pic/Cursors/SizeAll.bmp",
    ".Pic/Cursors/SizeNESW.bmp",   ".Pic/Cursors/SizeNS.bmp",   ".Pic/Cursors/SizeNWSE.bmp",
    ".Pic/Cursors/SizeWE.bmp",     ".Pic/Cursors/UpArrow.bmp",  ".Pic/Cursors/HourGlass.bmp",
};
constexpr uint32_t kPointerKey = 0x0000FF;

bool IsMouseMessage(platform::MessageId id) {
    return id >= platform::msg::kMouseMove && id <= platform::msg::kMiddleDouble;
}

}  // namespace

template <class Screen>
vDxWindow_t<Screen>::vDxWindow_t() {
    mDefaultResX = keys::kDefaultResX.Read();
    mDefaultResY = keys::kDefaultResY.Read();
    mActualResX = keys::kActualResX.Read();
    mActualResY = keys::kActualResY.Read();
    // The actual resolution never exceeds the design resolution.
    if (mDefaultResX > 0) mActualResX = std::min(mActualResX, mDefaultResX);
    if (mDefaultResY > 0) mActualResY = std::min(mActualResY, mDefaultResY);
    if (mActualResX <= 0 || mActualResY <= 0)
        throw vPrintException_c(0, "Bad video mode %ix%i", mActualResX, mActualResY);
    SetPosition(-1, -1, mActualResX, mActualResY);
    if (!DxMainWindow()) SetDxMainWindow(this);
}

template <class Screen>
vDxWindow_t<Screen>::~vDxWindow_t() {
    if (DxMainWindow() == this) SetDxMainWindow(nullptr);
}

template <class Screen>
void vDxWindow_t<Screen>::SetVideoMode() {
    const int bits = static_cast<int>(keys::kBitsPerPixel.Read());
    this->CreateScreen(Handle(), mActualResX, mActualResY, bits, FullScreen(), mDefaultResX, mDefaultResY);
}

template <class Screen>
vCmdTarget_c::Result vDxWindow_t<Screen>::OnPaint() {
    this->Paint(Handle());
    return 0;
}

template class vDxWindow_t<vDxScreen_c>;

void vDxMouseWindow_c::LoadPointers() {
    if (!FullScreen() || mSystemPointer) return;
    auto pointer = std::make_unique<vDxFileImgArrSprite_c>();
    pointer->SetCount(kPointerCount);
    pointer->SetTransparentColor(kPointerKey);
    try {
        for (int i = 0; i < kPointerCount; ++i) pointer->LoadAt(kPointerFiles[i], static_cast<unsigned>(i));
    } catch (const vException_c&) {
        // Without its pictures the program still has the platform's pointer.
        mSystemPointer = true;
        return;
    }
    pointer->SetParent(this);
    mPointer = std::move(pointer);
    platform::ShowPointer(false);
    SetCursor(static_cast<int>(platform::PointerShape::Arrow));
    mPointer->Show({GetWidth() / 2, GetHeight() / 2});
}

void vDxMouseWindow_c::SetCursor(int index) {
    if (!mPointer) {
        vDxWindow_c::SetCursor(index);
        return;
    }
    if (index < platform::kFirstPointerShape || index > platform::kLastPointerShape) throw vException_c(0);
    mPointer->BeginUpdate();
    mPointer->SetCurrent(index - 1);
    mPointer->EndUpdate();
}

int vDxMouseWindow_c::GetCursorIndex() {
    return mPointer ? mPointer->Current() + 1 : vDxWindow_c::GetCursorIndex();
}

vCmdTarget_c::Result vDxMouseWindow_c::OnMessage(platform::MessageId id, std::uintptr_t p1, std::intptr_t p2) {
    if (!mPointer || id == platform::msg::kPaint) return vDxWindow_c::OnMessage(id, p1, p2);
    vDxFileImgArrSprite_c& pointer = *mPointer;
    pointer.BeginUpdate();
    struct Show {
        vDxFileImgArrSprite_c& p;
        ~Show() { p.EndUpdate(); }
    } show{pointer};
    if (IsMouseMessage(id)) pointer.MoveTo({platform::PointX(p2), platform::PointY(p2)});
    return vDxWindow_c::OnMessage(id, p1, p2);
}

vDxMenuApp_c::vDxMenuApp_c() = default;
vDxMenuApp_c::~vDxMenuApp_c() = default;

void vDxMenuApp_c::InitMenuApp() {
    SetVideoMode();
    LoadPointers();
    mMenu = std::make_unique<vDxMenu_c>();
    mMenu->SetDefault(true);
    mMenu->SetParent(this);
}

void vDxMenuApp_c::RefreshRootMenu() {
    if (mMenu) mMenu->Refresh();
}

vCmdTarget_c::Result vDxMenuApp_c::OnUserMessage(platform::MessageId id, std::uintptr_t p1, std::intptr_t p2) {
    if (id == kDxRefreshMessage) {
        RefreshRootMenu();
        return 0;
    }
    return vDxMouseWindow_c::OnUserMessage(id, p1, p2);
}
