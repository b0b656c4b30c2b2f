#pragma once
// The settings sheet in GTK 3: seven pages in a notebook, OK and Cancel,
// modal above the program's window. The pages' values come from and go to
// prefs::SheetValues; the microphone page runs its own capture and the
// mixer's capture volume. User-interface thread only.

#include <cstdint>
#include <string>

namespace prefs {

// Shows the sheet for the INI file the library's settings store points at.
// 1 when it was closed with OK and the values were saved, 0 otherwise
// (Cancel, the close box, no display, no such file).
int RunSheet(const std::string& iniPath, std::uintptr_t parentWindow, int startPage);

}  // namespace prefs
