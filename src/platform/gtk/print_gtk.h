#pragma once
// Printing one picture with GTK: the print dialog (GtkPrintUnixDialog, kept
// above the program's window), then a GtkPrintOperation with the chosen
// printer and page that draws the picture scaled with FitCentred. While the
// page is made, a small "Lorvano is printing" box offers to cancel the job.
// User-interface thread only; GTK must be started.

#include <cstdint>

#include "platform/dialog_toolkit.h"

namespace platform::gtk {

// With request.exportPdf set there is no dialog: the page goes to that file
// through the "Print to File" printer.
PrintResult PrintPicture(const PrintRequest& request, std::uintptr_t parent);

}  // namespace platform::gtk
