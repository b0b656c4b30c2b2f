#pragma once
// Printing one picture with GTK: the print dialog (GtkPrintUnixDialog, kept
// above the program's window), then a print job on the chosen printer whose
// one page holds the picture scaled with FitCentred into the printable area.
// The job is handed to the printer's queue at once (cancelling a job that
// is queued is the print system's business). User-interface thread only; GTK
// must be started.

#include <cstdint>

#include "platform/dialog_toolkit.h"

namespace platform::gtk {

// With request.exportPdf set there is no dialog: the page goes to that file
// through the "Print to File" printer.
PrintResult PrintPicture(const PrintRequest& request, std::uintptr_t parent);

}  // namespace platform::gtk
