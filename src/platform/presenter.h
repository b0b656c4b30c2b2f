#pragma once
// Shows the composed screen (a back-buffer surface) in a window through the
// window's SDL renderer. Windowed, the client area is made the screen's
// size; full screen (a desktop-sized window), the screen is scaled to fit
// with its aspect kept and black bars around it. The renderer's logical size
// is the screen's, so SDL hands mouse positions to the event layer already
// in screen pixels; WindowToScreen does the same mapping for other callers.
//
// When the renderer reports that its textures were lost (render targets or
// device reset), the next Show recreates its texture and reports the loss
// (ReportSurfaceLoss) before showing the frame.
//
// User-interface thread only.

#include "platform/message.h"
#include "platform/video.h"

#include <memory>
#include <vector>

struct SDL_Renderer;
struct SDL_Texture;

namespace platform {

class Presenter {
public:
    // Fails with vDxException_c carrying SDL's text.
    Presenter(WindowHandle window, int width, int height, bool fullScreen);
    ~Presenter();
    Presenter(const Presenter&) = delete;
    Presenter& operator=(const Presenter&) = delete;

    // Uploads the screen (width x height, any depth) and shows it.
    void Show(Surface& screen);
    // Uploads only the given areas of the screen (the rest is as last
    // uploaded) and shows it; the whole screen when the texture was lost.
    void Show(Surface& screen, const std::vector<Rect>& areas);
    // Window pixels to screen pixels (outside the picture they may fall
    // outside 0..width-1, 0..height-1).
    Point WindowToScreen(Point window) const;
    bool FullScreen() const { return mFullScreen; }

    // Test hook: behave as if the renderer had reported lost textures.
    static void SimulateTextureLoss();

private:
    void MakeTexture();
    void Upload(Surface& screen, const Rect& area);

    WindowHandle mWindow;
    SDL_Renderer* mRenderer;
    SDL_Texture* mTexture = nullptr;
    std::unique_ptr<Surface> mStaging;  // 32-bit copy for depths the texture does not take
    int mWidth, mHeight;
    bool mFullScreen;
};

// Before the screen exists: the picture stretched over the whole client
// area, or black without one.
void ShowPictureInWindow(WindowHandle window, Surface* picture);

}  // namespace platform
