#pragma once
// The GTK 3 backend of the dialog toolkit: forms as GtkDialogs with a grid of
// controls, GTK's file, colour and font choosers, and printing through
// GtkPrintUnixDialog and GtkPrintOperation. Every dialog is modal above the
// program's window (gtk_host.h). User-interface thread only.

#include <string>

#include "platform/dialog_toolkit.h"

typedef struct _GdkRGBA GdkRGBA;

namespace platform::gtk {

// The toolkit, or null when there is no display to show dialogs on (the
// offscreen and dummy video drivers count as none) or GTK cannot start.
DialogToolkit* Toolkit();

// Drops the keys and clicks the user gave the program's window while a
// dialog was open: a modal dialog leaves its owner deaf, but the window
// system queued them for the program all the same. Call after each dialog.
void DropProgramInput();

// Exact both ways for every 8-bit channel value.
GdkRGBA ToGdk(Rgb colour);
Rgb FromGdk(const GdkRGBA& colour);

// A shell pattern that matches regardless of letter case: "*.bmp" becomes
// "*.[bB][mM][pP]".
std::string CaseFoldPattern(const std::string& pattern);

}  // namespace platform::gtk
