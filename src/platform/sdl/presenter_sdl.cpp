#include "platform/exception.h"
#include "platform/native_window.h"
#include "platform/presenter.h"

#include <SDL.h>

#include <atomic>
#include <cstddef>

namespace platform {
namespace {

std::atomic<bool> gTexturesLost{false};

// Render resets arrive as events; the watch only notes them, the next Show
// (on the user-interface thread) repairs.
int WatchResets(void*, SDL_Event* event) {
    if (event->type == SDL_RENDER_TARGETS_RESET || event->type == SDL_RENDER_DEVICE_RESET) gTexturesLost = true;
    return 1;
}

[[noreturn]] void Fail(const char* what) {
    throw vDxException_c(surface_result::kGeneric, std::string(what) + ": " + SDL_GetError());
}

}  // namespace

Presenter::Presenter(WindowHandle window, int width, int height, bool fullScreen)
    : mWindow(window), mRenderer(nullptr), mWidth(width), mHeight(height), mFullScreen(fullScreen) {
    SDL_Window* w = SdlWindowOf(window);
    if (!w) throw vDxException_c(surface_result::kInvalidParams, "No window to show the screen in");
    if (!fullScreen) SDL_SetWindowSize(w, width, height);
    mRenderer = RendererOf(window);
    // Scaled to fit, aspect kept; mouse events come back in screen pixels.
    // In a window the screen is shown pixel for pixel, and sampling the
    // nearest pixel gives the same picture for much less work.
    SDL_SetHint(SDL_HINT_RENDER_SCALE_QUALITY, fullScreen ? "linear" : "nearest");
    if (SDL_RenderSetLogicalSize(mRenderer, width, height) != 0) Fail("Cannot scale the screen");
    static bool watching = false;
    if (!watching) {
        SDL_AddEventWatch(WatchResets, nullptr);
        watching = true;
    }
    MakeTexture();
}

Presenter::~Presenter() {
    if (mTexture) SDL_DestroyTexture(mTexture);
    if (WindowExists(mWindow)) SDL_RenderSetLogicalSize(mRenderer, 0, 0);
}

void Presenter::MakeTexture() {
    if (mTexture) SDL_DestroyTexture(mTexture);
    mTexture = SDL_CreateTexture(mRenderer, SDL_PIXELFORMAT_RGB888, SDL_TEXTUREACCESS_STREAMING, mWidth, mHeight);
    if (!mTexture) Fail("Cannot create the screen texture");
}

void Presenter::SimulateTextureLoss() { gTexturesLost = true; }

void Presenter::Show(Surface& screen) { Show(screen, {{0, 0, mWidth, mHeight}}); }

void Presenter::Show(Surface& screen, const std::vector<Rect>& areas) {
    if (gTexturesLost.exchange(false)) {
        MakeTexture();
        ReportSurfaceLoss();
        Upload(screen, {0, 0, mWidth, mHeight});
    } else {
        for (const Rect& area : areas) Upload(screen, area);
    }
    SDL_SetRenderDrawColor(mRenderer, 0, 0, 0, SDL_ALPHA_OPAQUE);
    SDL_RenderClear(mRenderer);
    if (SDL_RenderCopy(mRenderer, mTexture, nullptr, nullptr) != 0) Fail("Cannot show the screen");
    SDL_RenderPresent(mRenderer);
}

void Presenter::Upload(Surface& screen, const Rect& area) {
    SDL_Rect r{area.x, area.y, area.w, area.h};
    const SDL_Rect all{0, 0, mWidth, mHeight};
    if (!SDL_IntersectRect(&r, &all, &r)) return;
    SDL_Surface* src = screen.Native();
    if (screen.BitsPerPixel() != 32) {
        // Other depths (palette, 15, 16, 24 bits) are converted on the way.
        if (!mStaging) mStaging = Surface::Create(mWidth, mHeight, 32);
        SDL_Rect to = r;
        if (SDL_BlitSurface(src, &r, mStaging->Native(), &to) != 0) Fail("Cannot show the screen");
        src = mStaging->Native();
    }
    const auto* pixels = static_cast<const uint8_t*>(src->pixels) + static_cast<ptrdiff_t>(r.y) * src->pitch + r.x * 4;
    if (SDL_UpdateTexture(mTexture, &r, pixels, src->pitch) != 0) Fail("Cannot show the screen");
}

Point Presenter::WindowToScreen(Point window) const {
    float x = 0, y = 0;
    SDL_RenderWindowToLogical(mRenderer, window.x, window.y, &x, &y);
    return {static_cast<int>(x < 0 ? x - 1 : x), static_cast<int>(y < 0 ? y - 1 : y)};
}

void ShowPictureInWindow(WindowHandle window, Surface* picture) {
    SDL_Renderer* r = RendererOf(window);
    SDL_RenderSetLogicalSize(r, 0, 0);
    SDL_SetRenderDrawColor(r, 0, 0, 0, SDL_ALPHA_OPAQUE);
    SDL_RenderClear(r);
    if (picture) {
        SDL_Texture* t = SDL_CreateTextureFromSurface(r, picture->Native());
        if (t) {
            SDL_RenderCopy(r, t, nullptr, nullptr);
            SDL_DestroyTexture(t);
        }
    }
    SDL_RenderPresent(r);
}

}  // namespace platform
