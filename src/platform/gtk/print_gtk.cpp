#include "platform/gtk/print_gtk.h"

#include <SDL.h>
#include <gtk/gtk.h>
#include <gtk/gtkunixprint.h>
#include <cairo-pdf.h>
#include <cairo-ps.h>

#include <cstring>

#include "platform/gtk/dialogs_gtk.h"
#include "platform/gtk/gtk_host.h"
#include "platform/video.h"

namespace platform::gtk {
namespace {

// The picture as a cairo image (32-bit xRGB, the layout both libraries share).
cairo_surface_t* ToCairo(Surface& picture) {
    SDL_Surface* rgb = SDL_ConvertSurfaceFormat(picture.Native(), SDL_PIXELFORMAT_RGB888, 0);
    if (!rgb) return nullptr;
    cairo_surface_t* out = cairo_image_surface_create(CAIRO_FORMAT_RGB24, rgb->w, rgb->h);
    if (cairo_surface_status(out) == CAIRO_STATUS_SUCCESS && SDL_LockSurface(rgb) == 0) {
        cairo_surface_flush(out);
        unsigned char* dst = cairo_image_surface_get_data(out);
        const int stride = cairo_image_surface_get_stride(out);
        for (int y = 0; y < rgb->h; ++y)
            std::memcpy(dst + static_cast<std::ptrdiff_t>(y) * stride,
                        static_cast<const unsigned char*>(rgb->pixels) + static_cast<std::ptrdiff_t>(y) * rgb->pitch,
                        static_cast<std::size_t>(rgb->w) * 4);
        SDL_UnlockSurface(rgb);
        cairo_surface_mark_dirty(out);
    }
    SDL_FreeSurface(rgb);
    return out;
}

// The page: the picture scaled into the printable area (the paper less its
// margins, in the surface's units) and centred there.
void DrawPage(cairo_t* cr, GtkPageSetup* page, cairo_surface_t* picture) {
    const int width = cairo_image_surface_get_width(picture);
    const int height = cairo_image_surface_get_height(picture);
    const PagePlacement place = FitCentred(static_cast<int>(gtk_page_setup_get_page_width(page, GTK_UNIT_POINTS)),
                                           static_cast<int>(gtk_page_setup_get_page_height(page, GTK_UNIT_POINTS)),
                                           width, height);
    if (place.width > 0 && place.height > 0) {
        cairo_translate(cr, gtk_page_setup_get_left_margin(page, GTK_UNIT_POINTS) + place.x,
                        gtk_page_setup_get_top_margin(page, GTK_UNIT_POINTS) + place.y);
        cairo_scale(cr, static_cast<double>(place.width) / width, static_cast<double>(place.height) / height);
        cairo_set_source_surface(cr, picture, 0, 0);
        // Smooth scaling, as halftone stretching does on a printer.
        cairo_pattern_set_filter(cairo_get_source(cr), CAIRO_FILTER_GOOD);
        cairo_rectangle(cr, 0, 0, width, height);
        cairo_fill(cr);
    }
    cairo_show_page(cr);
}

struct Sent {
    bool done = false;
    std::string error;
};

void OnSent(GtkPrintJob*, gpointer data, const GError* error) {
    auto* sent = static_cast<Sent*>(data);
    if (error) sent->error = error->message;
    sent->done = true;
}

gboolean OnPrinter(GtkPrinter* printer, gpointer data) {
    if (std::strcmp(gtk_printer_get_name(printer), "Print to File") != 0) return FALSE;
    *static_cast<GtkPrinter**>(data) = GTK_PRINTER(g_object_ref(printer));
    return TRUE;
}

// "Print to File" offers the user's documents folder (else the home folder)
// rather than the current directory, which is the program's language folder.
void OfferUserFolder(GtkPrintSettings* settings, const std::string& documentName) {
    const char* documents = g_get_user_special_dir(G_USER_DIRECTORY_DOCUMENTS);
    const char* folder = documents && g_file_test(documents, G_FILE_TEST_IS_DIR) ? documents : g_get_home_dir();
    gchar* path = g_build_filename(folder, (documentName + ".pdf").c_str(), nullptr);
    gchar* uri = g_filename_to_uri(path, nullptr, nullptr);
    if (uri) gtk_print_settings_set(settings, GTK_PRINT_SETTINGS_OUTPUT_URI, uri);
    g_free(uri);
    g_free(path);
}

// The printer, its settings and the page: from the print dialog, or the
// file printer writing PDF for an export.
bool ChoosePrinter(const PrintRequest& request, std::uintptr_t parent, GtkPrinter*& printer,
                   GtkPrintSettings*& settings, GtkPageSetup*& page) {
    if (!request.exportPdf.empty()) {
        gtk_enumerate_printers(&OnPrinter, &printer, nullptr, TRUE);
        if (!printer) return false;
        settings = gtk_print_settings_new();
        gchar* absolute = g_canonicalize_filename(request.exportPdf.c_str(), nullptr);
        gchar* uri = g_filename_to_uri(absolute, nullptr, nullptr);
        gtk_print_settings_set(settings, GTK_PRINT_SETTINGS_OUTPUT_URI, uri ? uri : "");
        gtk_print_settings_set(settings, GTK_PRINT_SETTINGS_OUTPUT_FILE_FORMAT, "pdf");
        g_free(uri);
        g_free(absolute);
        // A file has no unprintable edge: a quarter inch all round.
        page = gtk_page_setup_new();
        for (auto setMargin : {gtk_page_setup_set_top_margin, gtk_page_setup_set_bottom_margin,
                               gtk_page_setup_set_left_margin, gtk_page_setup_set_right_margin})
            setMargin(page, 18.0, GTK_UNIT_POINTS);
        gtk_page_setup_set_orientation(
            page, request.landscape ? GTK_PAGE_ORIENTATION_LANDSCAPE : GTK_PAGE_ORIENTATION_PORTRAIT);
        return true;
    }
    GtkWidget* dialog = gtk_print_unix_dialog_new("Print", nullptr);
    GtkPrintUnixDialog* print = GTK_PRINT_UNIX_DIALOG(dialog);
    gtk_print_unix_dialog_set_support_selection(print, FALSE);
    gtk_print_unix_dialog_set_has_selection(print, FALSE);
    // The page is drawn with cairo, so the file printer can offer PDF and PostScript.
    gtk_print_unix_dialog_set_manual_capabilities(
        print, static_cast<GtkPrintCapabilities>(GTK_PRINT_CAPABILITY_GENERATE_PDF | GTK_PRINT_CAPABILITY_GENERATE_PS));
    GtkPrintSettings* start = gtk_print_settings_new();
    gtk_print_settings_set_n_copies(start, 1);
    OfferUserFolder(start, request.documentName);
    gtk_print_unix_dialog_set_settings(print, start);
    g_object_unref(start);
    bool ok = RunDialog(GTK_DIALOG(dialog), parent) == GTK_RESPONSE_OK;
    if (ok) {
        printer = gtk_print_unix_dialog_get_selected_printer(print);
        ok = printer != nullptr;
    }
    if (ok) {
        g_object_ref(printer);
        settings = gtk_print_unix_dialog_get_settings(print);
        page = GTK_PAGE_SETUP(g_object_ref(gtk_print_unix_dialog_get_page_setup(print)));
    }
    gtk_widget_destroy(dialog);
    while (gtk_events_pending()) gtk_main_iteration();
    DropProgramInput();
    return ok;
}

PrintResult Failed(std::string text) { return PrintResult{PrintOutcome::Failed, std::move(text)}; }

PrintResult PrintOnJob(const PrintRequest& request, GtkPrinter* printer, GtkPrintSettings* settings,
                       GtkPageSetup* page) {
    cairo_surface_t* picture = ToCairo(*request.picture);
    if (!picture || cairo_surface_status(picture) != CAIRO_STATUS_SUCCESS) {
        if (picture) cairo_surface_destroy(picture);
        return Failed(std::string("Cannot copy the screen: ") + SDL_GetError());
    }
    GtkPrintJob* job = gtk_print_job_new(request.documentName.c_str(), printer, settings, page);
    GError* error = nullptr;
    cairo_surface_t* surface = gtk_print_job_get_surface(job, &error);
    PrintResult result;
    if (!surface) {
        result = Failed(error ? error->message : "Cannot start the document");
        if (error) g_error_free(error);
    } else {
        // The job's surface has the paper's portrait size; a landscape page
        // is made landscape here, as GTK's own print operation does.
        const double paperWidth = gtk_page_setup_get_paper_width(page, GTK_UNIT_POINTS);
        const double paperHeight = gtk_page_setup_get_paper_height(page, GTK_UNIT_POINTS);
        if (cairo_surface_get_type(surface) == CAIRO_SURFACE_TYPE_PDF) {
            cairo_pdf_surface_set_size(surface, paperWidth, paperHeight);
            // A PDF carries the document's name as its title, as a print queue does.
            cairo_pdf_surface_set_metadata(surface, CAIRO_PDF_METADATA_TITLE, request.documentName.c_str());
        } else if (cairo_surface_get_type(surface) == CAIRO_SURFACE_TYPE_PS) {
            cairo_ps_surface_set_size(surface, paperWidth, paperHeight);
        }
        cairo_t* cr = cairo_create(surface);
        DrawPage(cr, page, picture);
        const cairo_status_t status = cairo_status(cr);
        cairo_destroy(cr);
        cairo_surface_finish(surface);
        if (status != CAIRO_STATUS_SUCCESS) {
            result = Failed(cairo_status_to_string(status));
        } else {
            // The job is handed to the printer (or written to the file) in
            // the background; wait for it so that failures are seen here.
            Sent sent;
            gtk_print_job_send(job, &OnSent, &sent, nullptr);
            while (!sent.done) gtk_main_iteration();
            result = sent.error.empty() ? PrintResult{PrintOutcome::Printed, {}} : Failed(sent.error);
        }
    }
    g_object_unref(job);
    cairo_surface_destroy(picture);
    return result;
}

}  // namespace

PrintResult PrintPicture(const PrintRequest& request, std::uintptr_t parent) {
    if (!request.picture) return Failed("Nothing to print");
    GtkPrinter* printer = nullptr;
    GtkPrintSettings* settings = nullptr;
    GtkPageSetup* page = nullptr;
    if (!ChoosePrinter(request, parent, printer, settings, page)) {
        if (!request.exportPdf.empty()) return Failed("The \"Print to File\" printer is missing");
        return PrintResult{PrintOutcome::Cancelled, {}};
    }
    PrintResult result = PrintOnJob(request, printer, settings, page);
    g_object_unref(printer);
    g_object_unref(settings);
    g_object_unref(page);
    return result;
}

}  // namespace platform::gtk
