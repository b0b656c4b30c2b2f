#pragma once
// GTK 3 inside an SDL program: GTK is started once, on first use, on the
// user-interface thread, and every dialog is made modal and transient for the
// program's own window (an X11 window GTK did not create), so that it stays
// above that window in full screen too. User-interface thread only.

#include <cstdint>

typedef struct _GtkWindow GtkWindow;
typedef struct _GtkDialog GtkDialog;

namespace platform::gtk {

// Starts GTK on the current display; false when there is no display.
bool Start();

// Makes the dialog modal, keeps it above the window with the given X11 id
// (0: none) and centres it on that window.
void SetParent(GtkWindow* dialog, std::uintptr_t parentWindowId);

// Runs the dialog's own loop until it answers; the dialog is left alive.
int RunDialog(GtkDialog* dialog, std::uintptr_t parentWindowId);

}  // namespace platform::gtk
