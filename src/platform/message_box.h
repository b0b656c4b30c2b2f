#pragma once
// Modal message boxes: the one way the program tells the user about an error
// or asks a yes/no question. Call from the user-interface thread only.
//
// Backends: an SDL message box when a real display is available; otherwise
// (offscreen or dummy video, no display) the box is written to standard error
// and answered with its default button. Tests install a hook that sees every
// box and chooses the answer.

#include <functional>
#include <string>

namespace platform {

enum class BoxIcon { Information, Exclamation, Stop };
enum class BoxButtons { Ok, YesNo };
enum class BoxAnswer { Ok, Yes, No };

struct MessageBoxRecord {
    std::string text;
    std::string caption;
    BoxIcon icon = BoxIcon::Information;
    BoxButtons buttons = BoxButtons::Ok;
};

// Shows the box and waits for the answer. Never throws.
BoxAnswer ShowMessageBox(const MessageBoxRecord& box);

// text with its lines broken at blanks so that none is longer than width
// characters (UTF-8) where a blank allows; a longer word stays whole. The
// boxes SDL shows do not wrap a line: a long message ran off the screen.
std::string WrapForBox(const std::string& text, size_t width = 72);

// Replaces the backend while installed; an empty function removes the hook.
using MessageBoxHook = std::function<BoxAnswer(const MessageBoxRecord&)>;
void SetMessageBoxHook(MessageBoxHook hook);

}  // namespace platform
