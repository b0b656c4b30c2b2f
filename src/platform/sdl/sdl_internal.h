#pragma once
// Shared inside the SDL backend only: how the message queue, the event
// source, the windows and the pointers reach each other.

#include <SDL.h>

#include <vector>

#include "platform/message.h"

namespace platform::sdl {

// True when a real display is reachable; the offscreen and dummy drivers
// (used by the tests) and a missing DISPLAY have none.
bool HaveDisplay();

// User-interface thread. Starts SDL's video and event handling once; throws
// vTextException_c with SDL's text when that fails. After it, posts from
// other threads wake the user-interface thread out of SDL's event wait.
void StartVideo();
bool VideoStarted();

// The event type that only wakes the user-interface thread; 0 before
// StartVideo.
Uint32 WakeEventType();

// User-interface thread. Turns one SDL event into the messages it stands for
// (none, one or several), appended to out.
void Translate(const SDL_Event& event, std::vector<Message>& out);

// User-interface thread. Whether a window takes a quick second click as a
// double click.
bool WantsDoubleClicks(WindowHandle window);

// User-interface thread. A window that asked to be painted (the request is
// consumed), or kNoWindow.
WindowHandle TakePaintRequest();

}  // namespace platform::sdl
