#include "display/dx_screen.h"

#include "display/dx_surface_registry.h"
#include "platform/exception.h"
#include "platform/native_window.h"
#include "settings/settings.h"
#include "settings/shared_keys.h"

#include <algorithm>

namespace {

vDxScreen_c* gCurrent = nullptr;

// The start picture is read once per program; a missing one paints black.
std::unique_ptr<platform::Surface> LoadStartPicture() {
    const std::string name = vDxScreen_c::kStartPicture.Read();
    try {
        vDxSimpleImage_c picture;
        picture.SetRequestedSize(0, 0, 32);
        picture.LoadResized(name);
        auto copy = platform::Surface::Create(picture.GetWidth(), picture.GetHeight(), 32);
        DxCall([&] { return copy->Blit({0, 0}, *picture.GetSurface(), {0, 0, picture.GetWidth(), picture.GetHeight()}); });
        return copy;
    } catch (const vException_c&) {
        return nullptr;
    }
}

}  // namespace

vImage_c::vImage_c(int width, int height, int bits) : mSurface(platform::Surface::Create(width, height, bits)) {}

vDxScreen_c::vDxScreen_c() {
    SetScreenImage(this);
    gCurrent = this;
    platform::SetSurfaceLossHandler(&RestoreAllSurfaces);
}

vDxScreen_c::~vDxScreen_c() {
    if (gCurrent == this) {
        gCurrent = nullptr;
        SetDxScreenInfo({});
        platform::SetSurfaceLossHandler(nullptr);
    }
}

vDxScreen_c* vDxScreen_c::Current() { return gCurrent; }

void vDxScreen_c::CreateScreen(platform::WindowHandle window, int width, int height, int bits, bool fullScreen,
                               int defaultResX, int defaultResY) {
    vDxScreenInfo previous = DxScreenInfo();
    vDxScreenInfo info;
    info.exists = true;
    info.bpp = bits;
    info.fullScreen = fullScreen;
    info.defaultResX = defaultResX;
    info.defaultResY = defaultResY;
    info.actualResX = width;
    info.actualResY = height;
    // The palette of an 8-bit screen depends on the mode, so the info comes first.
    SetDxScreenInfo(info);
    try {
        mPresenter.reset();
        Create(width, height, bits);
        FillRect({0, 0, width, height}, 0);
        mPresenter = std::make_unique<platform::Presenter>(window, width, height, fullScreen);
    } catch (...) {
        // Leave things as they were.
        mPresenter.reset();
        Release();
        SetDxScreenInfo(previous);
        throw;
    }
    mWindow = window;
    mFullScreen = fullScreen;
    mAllDirty = true;
    Present();
}

void vDxScreen_c::CreateScreenFromSettings(platform::WindowHandle window, bool fullScreen) {
    CreateScreen(window, keys::kActualResX.Read(), keys::kActualResY.Read(),
                 static_cast<int>(keys::kBitsPerPixel.Read()), fullScreen, keys::kDefaultResX.Read(),
                 keys::kDefaultResY.Read());
}

void vDxScreen_c::Changed() { Invalidate(); }

void vDxScreen_c::Invalidate() {
    mAllDirty = true;
    mDirty.clear();
    if (mPresenter) platform::RequestPaint(mWindow);
}

void vDxScreen_c::Invalidate(const vDxRect& area) {
    // A few areas are uploaded one by one; beyond that, the box around them all.
    constexpr std::size_t kMostAreas = 8;
    const int x0 = std::max(area.x, 0), y0 = std::max(area.y, 0);
    const int x1 = std::min(area.x + area.w, GetWidth()), y1 = std::min(area.y + area.h, GetHeight());
    if (x1 <= x0 || y1 <= y0) return;
    if (!mAllDirty) {
        mDirty.push_back({x0, y0, x1 - x0, y1 - y0});
        if (mDirty.size() > kMostAreas) {
            vDxRect box = mDirty.front();
            for (const vDxRect& r : mDirty) {
                const int right = std::max(box.x + box.w, r.x + r.w), bottom = std::max(box.y + box.h, r.y + r.h);
                box.x = std::min(box.x, r.x);
                box.y = std::min(box.y, r.y);
                box.w = right - box.x;
                box.h = bottom - box.y;
            }
            mDirty.assign(1, box);
        }
    }
    const auto frame = std::chrono::microseconds(1000000 / kFramesPerSecond);
    if (mPresenter && std::chrono::steady_clock::now() - mLastPresent >= frame) platform::RequestPaint(mWindow);
}

void vDxScreen_c::Present() {
    if (!mPresenter) return;
    platform::Surface& back = RequireSurface();
    // A lost back buffer is restored (with everything else) before it is shown.
    if (back.IsLost()) RestoreAllSurfaces();
    // Locked drawing is still going on; the unlock asks for another paint.
    if (IsLocked()) return;
    if (mAllDirty)
        mPresenter->Show(back);
    else
        mPresenter->Show(back, mDirty);
    mAllDirty = false;
    mDirty.clear();
    mLastPresent = std::chrono::steady_clock::now();
}

void vDxScreen_c::Paint(platform::WindowHandle window) {
    if (mPresenter) {
        Present();
        return;
    }
    // Nothing is drawn over a saved screen copy.
    if (mSaved || !platform::WindowExists(window)) return;
    if (!mStartPictureTried) {
        mStartPicture = LoadStartPicture();
        mStartPictureTried = true;
    }
    platform::ShowPictureInWindow(window, mStartPicture.get());
}

vDxPoint vDxScreen_c::WindowToScreen(vDxPoint window) const {
    return mPresenter ? mPresenter->WindowToScreen(window) : window;
}

vImage_c& vDxScreen_c::SaveToMemDC(bool replace) {
    if (replace) mSaved.reset();
    if (mSaved) return *mSaved;
    try {
        platform::Surface& screen = RequireSurface();
        auto copy = std::make_unique<vImage_c>(GetWidth(), GetHeight(), GetBPP());
        DxCall([&] { return copy->Surface().Blit({0, 0}, screen, {0, 0, GetWidth(), GetHeight()}); });
        mSaved = std::move(copy);
    } catch (const vException_c&) {
        throw vTextException_c("Unable to create screenshot!");
    }
    return *mSaved;
}

void vDxScreen_c::RestoreFromMemDC() {
    if (!mSaved) throw vTextException_c("You must call SaveToMemDC first! (_Image = NULL)");
    try {
        platform::Surface& screen = RequireSurface();
        DxCall([&] { return screen.Blit({0, 0}, mSaved->Surface(), {0, 0, mSaved->Width(), mSaved->Height()}); });
    } catch (const vException_c&) {
        mSaved.reset();
        throw vTextException_c("Unable to restore from aImage!");
    }
    mSaved.reset();
    Changed();
}

void vDxScreen_c::Draw() { Changed(); }
