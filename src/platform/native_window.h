#pragma once
// Windows of the platform layer, backed by SDL2, and the delivery of messages
// to them. All of it belongs to the user-interface thread (the thread that
// opens the first window); only the message queue (message_queue.h) may be
// used from other threads.
//
// Every window has a procedure that receives the messages dispatched or sent
// to it. A procedure is a function plus a context pointer; the context starts
// out empty, so that a window object can bind itself to its window when its
// procedure sees the first message (kCreate, sent before OpenWindow returns).
// Replacing a window's procedure returns the previous one, which the new
// procedure may call for what it does not handle itself.
//
// The display layer reaches the SDL window and its renderer through
// SdlWindowOf and RendererOf to present what it has drawn.

#include <cstdint>
#include <string>

#include "platform/message.h"

struct SDL_Window;
struct SDL_Renderer;

namespace platform {

using MessageResult = std::intptr_t;

struct WindowProcedure {
    MessageResult (*function)(void* context, const Message& message) = nullptr;
    void* context = nullptr;
};

enum class ScreenMode {
    Windowed,
    FullScreen,  // covers the whole display in the desktop's own video mode
};

struct WindowOptions {
    std::string title;
    int x = -1;  // -1: centred on the display
    int y = -1;
    int width = 800;  // client area in pixels
    int height = 600;
    ScreenMode mode = ScreenMode::Windowed;
    // A quick second click arrives as a double-click message instead of a
    // second button-down message.
    bool doubleClicks = false;
    WindowProcedure procedure;
};

// Starts the window system (once; later calls do nothing). OpenWindow does
// it too; calling it first reports a missing display before anything else.
// Fails with vTextException_c carrying SDL's text.
void StartWindowSystem();

// Opens and shows a window. Before returning, its procedure receives kCreate;
// an exception thrown from there closes the window again and is passed on.
// Fails with vTextException_c carrying SDL's text.
WindowHandle OpenWindow(const WindowOptions& options);

// Sends kDestroy to the window's procedure, then closes the window. A handle
// that names no window is ignored.
void RemoveWindow(WindowHandle window);

bool WindowExists(WindowHandle window);

// The previous procedure is returned. Unknown handles raise vException_c 0.
WindowProcedure ReplaceProcedure(WindowHandle window, WindowProcedure procedure);
WindowProcedure ProcedureOf(WindowHandle window);
// Sets the context passed to the window's current procedure.
void SetProcedureContext(WindowHandle window, void* context);

void SetWindowTitle(WindowHandle window, const std::string& title);
// The window system's own id of the window (the X11 window id), for dialogs
// of other toolkits that must stay above it; 0 when there is none.
std::uintptr_t NativeWindowId(WindowHandle window);
std::string WindowTitle(WindowHandle window);
// Client area size in pixels (for a full-screen window, the display's mode).
void ClientSize(WindowHandle window, int& width, int& height);

// Asks for one paint message, delivered when no other message is queued.
void RequestPaint(WindowHandle window);

// The SDL window, for the display layer; null for unknown handles.
SDL_Window* SdlWindowOf(WindowHandle window);
// The window's renderer, made when the window opens (accelerated where
// possible, software otherwise). Fails with vTextException_c carrying SDL's text.
SDL_Renderer* RendererOf(WindowHandle window);

struct Rgb {
    std::uint8_t red = 0, green = 0, blue = 0;
};
// Fills the whole client area with one colour and shows it.
void FillWindow(WindowHandle window, Rgb colour);

// Calls the window's procedure at once and returns its result. Thread
// messages and unknown windows give 0.
MessageResult Dispatch(const Message& message);

// Calls a procedure that a window procedure replaced; without a function this
// is DefaultProcessing.
MessageResult CallProcedure(const WindowProcedure& procedure, const Message& message);

// What happens to a message nobody handled: kClose removes the window (which
// sends kDestroy); everything else is ignored and gives 0.
MessageResult DefaultProcessing(const Message& message);

// Pumping for long operations that keep the interface alive. Both leave a
// quit message queued for the main loop and then return false.
// PumpOne waits for one message and dispatches it.
bool PumpOne();
// PumpPending dispatches everything that is queued, without waiting.
bool PumpPending();

}  // namespace platform
