#pragma once
// vDxScreen_c: the screen image, the composed back buffer at the actual
// resolution and depth that the main window shows. Everything visible is
// blitted into it; whenever it changes it asks its window for a paint
// message, which arrives once the queue is empty, so the window shows the
// frame after every batch of drawing. Only what changed since the last
// frame is uploaded: a change marks the whole screen unless the drawing
// says which areas it touched (Invalidate with an area). The window's paint handler calls
// Paint(); before CreateScreen that paints the start picture stretched, or
// black.
//
// vImage_c: a copy of the whole screen, taken before something else draws
// over the window and put back afterwards.
//
// There is one screen per program (Current()). User-interface thread only.

#include "display/dx_simple_image.h"
#include "platform/message.h"
#include "platform/presenter.h"
#include "settings/setting.h"

#include <chrono>
#include <memory>
#include <vector>

class vImage_c {
public:
    vImage_c(int width, int height, int bits);
    int Width() const { return mSurface->Width(); }
    int Height() const { return mSurface->Height(); }
    platform::Surface& Surface() { return *mSurface; }

private:
    std::unique_ptr<platform::Surface> mSurface;
};

class vDxScreen_c : public vDxSimpleImage_c {
public:
    static constexpr vTextSetting_c kStartPicture{"Application/StartPicture", "Start.bmp", 1001};

    vDxScreen_c();
    ~vDxScreen_c() override;

    static vDxScreen_c* Current();

    // Creates the back buffer width x height x bits and shows it in the
    // window; defaultResX/Y are the design resolution pictures are drawn for.
    void CreateScreen(platform::WindowHandle window, int width, int height, int bits, bool fullScreen,
                      int defaultResX, int defaultResY);
    // The same from "ScreenMode/ActualResX", "ScreenMode/ActualResY",
    // "ScreenMode/BPP", "ScreenMode/DefaultResX" and "ScreenMode/DefaultResY".
    void CreateScreenFromSettings(platform::WindowHandle window, bool fullScreen);
    bool Exists() const { return mPresenter != nullptr; }
    bool FullScreen() const { return mFullScreen; }
    platform::WindowHandle Window() const { return mWindow; }

    // Shows the composed frame now.
    void Present();
    // Marks the whole screen, or only area of it, as changed and asks for a
    // paint. Drawing that knows its extent passes it, so that the frame
    // uploads just that; such small changes (a trace's step, many a second)
    // are shown at most kFramesPerSecond times a second: within a frame of
    // the last present, the area waits for the next paint, which the next
    // change asks for.
    void Invalidate();
    void Invalidate(const vDxRect& area);
    static constexpr int kFramesPerSecond = 25;
    // The window's paint message: the frame, or before CreateScreen the start
    // picture ("Application/StartPicture") stretched over the window, or black.
    void Paint(platform::WindowHandle window);
    // Window pixels to screen pixels (identity windowed and before creation).
    vDxPoint WindowToScreen(vDxPoint window) const;

    // Takes a copy of the screen unless one is kept (replace frees it first).
    vImage_c& SaveToMemDC(bool replace = false);
    // Puts the copy back and frees it.
    void RestoreFromMemDC();
    bool HasSavedCopy() const { return mSaved != nullptr; }

    // The screen is not drawn onto a parent: the second restore pass shows it.
    void Draw() override;

protected:
    void Changed() override;

private:
    platform::WindowHandle mWindow = platform::kNoWindow;
    bool mFullScreen = false;
    std::unique_ptr<platform::Presenter> mPresenter;
    // Changed since the last present: a few areas, or everything.
    std::vector<vDxRect> mDirty;
    bool mAllDirty = true;
    std::chrono::steady_clock::time_point mLastPresent;
    std::unique_ptr<vImage_c> mSaved;
    std::unique_ptr<platform::Surface> mStartPicture;
    bool mStartPictureTried = false;
};
