#include "platform/native_window.h"

#include <SDL.h>
#include <SDL_syswm.h>

#include <algorithm>
#include <cstring>
#include <map>
#include <utility>
#include <vector>

#include "platform/exception.h"
#include "platform/message_queue.h"
#include "platform/sdl/sdl_internal.h"

namespace platform {
namespace {

// An OpenGL renderer that rasterises in software (Mesa's llvmpipe or
// softpipe, as on a machine without graphics hardware or under Xvfb) runs a
// shader over every pixel of every frame; SDL's own software renderer just
// copies the frame, for a fraction of the work.
bool RasterisesInSoftware(SDL_Renderer* renderer) {
    SDL_RendererInfo info;
    if (SDL_GetRendererInfo(renderer, &info) != 0 || std::strncmp(info.name, "opengl", 6) != 0) return false;
    using GetString = const unsigned char* (*)(unsigned);
    const auto getString = reinterpret_cast<GetString>(SDL_GL_GetProcAddress("glGetString"));
    constexpr unsigned kGlRenderer = 0x1F01;
    const char* name = getString ? reinterpret_cast<const char*>(getString(kGlRenderer)) : nullptr;
    return name && (std::strstr(name, "llvmpipe") || std::strstr(name, "softpipe") || std::strstr(name, "swrast"));
}

struct WindowEntry {
    SDL_Window* window = nullptr;
    SDL_Renderer* renderer = nullptr;
    WindowProcedure procedure;
    bool doubleClicks = false;
    bool removing = false;
};

struct Windows {
    std::map<WindowHandle, WindowEntry> entries;
    std::vector<WindowHandle> paintRequests;  // in request order, each window once
};

Windows& All() {
    static Windows windows;
    return windows;
}

WindowEntry* Find(WindowHandle window) {
    auto it = All().entries.find(window);
    return it == All().entries.end() ? nullptr : &it->second;
}

WindowEntry& Known(WindowHandle window) {
    WindowEntry* entry = Find(window);
    if (!entry) throw vException_c(0);
    return *entry;
}

[[noreturn]] void Fail(const char* what) {
    throw vTextException_c(std::string(what) + ": " + SDL_GetError());
}

void Close(WindowHandle window) {
    Windows& all = All();
    auto it = all.entries.find(window);
    if (it == all.entries.end()) return;
    if (it->second.renderer) SDL_DestroyRenderer(it->second.renderer);
    SDL_DestroyWindow(it->second.window);
    all.entries.erase(it);
    std::erase(all.paintRequests, window);
}

}  // namespace

bool sdl::WantsDoubleClicks(WindowHandle window) {
    const WindowEntry* entry = Find(window);
    return entry && entry->doubleClicks;
}

WindowHandle sdl::TakePaintRequest() {
    std::vector<WindowHandle>& requests = All().paintRequests;
    if (requests.empty()) return kNoWindow;
    const WindowHandle window = requests.front();
    requests.erase(requests.begin());
    return window;
}

void StartWindowSystem() { sdl::StartVideo(); }

WindowHandle OpenWindow(const WindowOptions& options) {
    sdl::StartVideo();
    // Hidden until the renderer exists: making an accelerated renderer may
    // replace the system's window, which must not happen while it is shown.
    Uint32 flags = SDL_WINDOW_HIDDEN;
    int x = options.x < 0 ? SDL_WINDOWPOS_CENTERED : options.x;
    int y = options.y < 0 ? SDL_WINDOWPOS_CENTERED : options.y;
    int width = options.width, height = options.height;
    if (options.mode == ScreenMode::FullScreen) {
        // Also placed over the whole display, so that it covers it even where
        // no window manager carries out the full-screen request.
        SDL_Rect display;
        if (SDL_GetDisplayBounds(0, &display) == 0) {
            x = display.x, y = display.y, width = display.w, height = display.h;
            flags |= SDL_WINDOW_BORDERLESS;
        }
        flags |= SDL_WINDOW_FULLSCREEN_DESKTOP;
    }
    SDL_Window* made = SDL_CreateWindow(options.title.c_str(), x, y, width, height, flags);
    if (!made) Fail("Cannot open a window");
    const WindowHandle handle = SDL_GetWindowID(made);
    All().entries[handle] = WindowEntry{made, nullptr, options.procedure, options.doubleClicks};
    try {
        RendererOf(handle);
        Dispatch(Message{handle, msg::kCreate, 0, 0});
    } catch (...) {
        Close(handle);
        throw;
    }
    SDL_ShowWindow(made);
    RequestPaint(handle);
    return handle;
}

void RemoveWindow(WindowHandle window) {
    WindowEntry* entry = Find(window);
    if (!entry || entry->removing) return;
    entry->removing = true;
    struct CloseAfter {
        WindowHandle window;
        ~CloseAfter() { Close(window); }
    } closeAfter{window};
    Dispatch(Message{window, msg::kDestroy, 0, 0});
}

bool WindowExists(WindowHandle window) { return Find(window) != nullptr; }

WindowProcedure ReplaceProcedure(WindowHandle window, WindowProcedure procedure) {
    WindowEntry& entry = Known(window);
    return std::exchange(entry.procedure, procedure);
}

WindowProcedure ProcedureOf(WindowHandle window) { return Known(window).procedure; }

void SetProcedureContext(WindowHandle window, void* context) { Known(window).procedure.context = context; }

void SetWindowTitle(WindowHandle window, const std::string& title) {
    SDL_SetWindowTitle(Known(window).window, title.c_str());
}

std::string WindowTitle(WindowHandle window) { return SDL_GetWindowTitle(Known(window).window); }

void ClientSize(WindowHandle window, int& width, int& height) {
    SDL_GetWindowSize(Known(window).window, &width, &height);
}

void RequestPaint(WindowHandle window) {
    if (!Find(window)) return;
    std::vector<WindowHandle>& requests = All().paintRequests;
    if (std::find(requests.begin(), requests.end(), window) == requests.end()) requests.push_back(window);
}

std::uintptr_t NativeWindowId(WindowHandle window) {
    const WindowEntry* entry = Find(window);
    if (!entry) return 0;
    SDL_SysWMinfo info;
    SDL_VERSION(&info.version);
    if (!SDL_GetWindowWMInfo(entry->window, &info) || info.subsystem != SDL_SYSWM_X11) return 0;
    return static_cast<std::uintptr_t>(info.info.x11.window);
}

SDL_Window* SdlWindowOf(WindowHandle window) {
    const WindowEntry* entry = Find(window);
    return entry ? entry->window : nullptr;
}

SDL_Renderer* RendererOf(WindowHandle window) {
    WindowEntry& entry = Known(window);
    if (!entry.renderer) {
        // Without a display there is no graphics hardware to use.
        if (sdl::HaveDisplay()) entry.renderer = SDL_CreateRenderer(entry.window, -1, 0);
        if (entry.renderer && RasterisesInSoftware(entry.renderer)) {
            SDL_DestroyRenderer(entry.renderer);
            entry.renderer = nullptr;
            // Nor may the window's own pixels go through such a renderer.
            SDL_SetHint(SDL_HINT_FRAMEBUFFER_ACCELERATION, "0");
        }
        if (!entry.renderer) entry.renderer = SDL_CreateRenderer(entry.window, -1, SDL_RENDERER_SOFTWARE);
        if (!entry.renderer) Fail("Cannot draw into the window");
    }
    return entry.renderer;
}

void FillWindow(WindowHandle window, Rgb colour) {
    SDL_Renderer* renderer = RendererOf(window);
    if (SDL_SetRenderDrawColor(renderer, colour.red, colour.green, colour.blue, SDL_ALPHA_OPAQUE) != 0 ||
        SDL_RenderClear(renderer) != 0)
        Fail("Cannot fill the window");
    SDL_RenderPresent(renderer);
}

MessageResult Dispatch(const Message& message) {
    const WindowEntry* entry = Find(message.window);
    if (!entry) return 0;
    // Copied: the procedure may replace itself or remove the window.
    const WindowProcedure procedure = entry->procedure;
    return CallProcedure(procedure, message);
}

MessageResult CallProcedure(const WindowProcedure& procedure, const Message& message) {
    if (!procedure.function) return DefaultProcessing(message);
    return procedure.function(procedure.context, message);
}

MessageResult DefaultProcessing(const Message& message) {
    if (message.id == msg::kClose) RemoveWindow(message.window);
    return 0;
}

bool PumpOne() {
    Message m;
    if (!NextMessage(m)) {
        PutBack(m);
        return false;
    }
    Dispatch(m);
    return true;
}

bool PumpPending() {
    Message m;
    while (TakePending(m)) {
        if (m.id == msg::kQuit) {
            PutBack(m);
            return false;
        }
        Dispatch(m);
    }
    return true;
}

}  // namespace platform
