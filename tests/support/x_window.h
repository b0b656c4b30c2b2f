#pragma once
// Asks an X window to close the way a window manager's close button does
// (the WM_DELETE_WINDOW protocol), whatever window has the keyboard. Tests
// that use it compile tests/support/x_window.cpp and link libX11.

#include <string>

namespace lorvano_test {

// windowId as xdotool prints it (decimal). False when the request could not be sent.
bool RequestWindowClose(const std::string& windowId);

}  // namespace lorvano_test
