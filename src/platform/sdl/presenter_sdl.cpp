#include "platform/exception.h"
#include "platform/presenter.h"
#include "platform/window.h"

#include <SDL.h>

#include <atomic>

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
    SDL_SetHint(SDL_HINT_RENDER_SCALE_QUALITY, "linear");
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

void Presenter::Show(Surface& screen) {
    if (gTexturesLost.exchange(false)) {
        MakeTexture();
        ReportSurfaceLoss();
    }
    SDL_Surface* src = screen.Native();
    if (screen.BitsPerPixel() == 32) {
        if (SDL_UpdateTexture(mTexture, nullptr, src->pixels, src->pitch) != 0) Fail("Cannot show the screen");
    } else {
        // Other depths (palette, 15, 16, 24 bits) are converted on the way.
        if (!mStaging) mStaging = Surface::Create(mWidth, mHeight, 32);
        SDL_Rect all{0, 0, mWidth, mHeight};
        if (SDL_BlitSurface(src, &all, mStaging->Native(), &all) != 0 ||
            SDL_UpdateTexture(mTexture, nullptr, mStaging->Native()->pixels, mStaging->Native()->pitch) != 0)
            Fail("Cannot show the screen");
    }
    SDL_SetRenderDrawColor(mRenderer, 0, 0, 0, SDL_ALPHA_OPAQUE);
    SDL_RenderClear(mRenderer);
    if (SDL_RenderCopy(mRenderer, mTexture, nullptr, nullptr) != 0) Fail("Cannot show the screen");
    SDL_RenderPresent(mRenderer);
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
