#include "platform/gtk/print_gtk.h"

#include <SDL.h>
#include <gtk/gtk.h>
#include <gtk/gtkunixprint.h>

#include <cstring>

#include "platform/gtk/gtk_host.h"
#include "platform/video.h"

namespace platform::gtk {
namespace {

struct Job {
    cairo_surface_t* picture = nullptr;
    GtkWidget* abortBox = nullptr;
    std::uintptr_t parent = 0;
};

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

void OnAbort(GtkDialog*, int, gpointer operation) { gtk_print_operation_cancel(GTK_PRINT_OPERATION(operation)); }

// The box that lets the user cancel while the page is made and sent.
void OnBeginPrint(GtkPrintOperation* operation, GtkPrintContext*, gpointer data) {
    auto* job = static_cast<Job*>(data);
    GtkWidget* box = gtk_dialog_new();
    gtk_widget_set_name(box, "ABORTDLG");
    gtk_window_set_title(GTK_WINDOW(box), "Lorvano is printing");
    GtkWidget* text = gtk_label_new("Press the button to cancel printing.");
    gtk_widget_set_name(text, "1005");
    gtk_container_set_border_width(GTK_CONTAINER(text), 12);
    gtk_box_pack_start(GTK_BOX(gtk_dialog_get_content_area(GTK_DIALOG(box))), text, TRUE, TRUE, 0);
    gtk_widget_set_name(gtk_dialog_add_button(GTK_DIALOG(box), "Cancel", kIdCancel), "2");
    g_signal_connect(box, "response", G_CALLBACK(OnAbort), operation);
    SetParent(GTK_WINDOW(box), job->parent);
    gtk_widget_show_all(box);
    job->abortBox = box;
}

void OnDrawPage(GtkPrintOperation*, GtkPrintContext* context, int, gpointer data) {
    auto* job = static_cast<Job*>(data);
    const int width = cairo_image_surface_get_width(job->picture);
    const int height = cairo_image_surface_get_height(job->picture);
    // The printable area in the printer's pixels.
    const PagePlacement place = FitCentred(static_cast<int>(gtk_print_context_get_width(context)),
                                           static_cast<int>(gtk_print_context_get_height(context)), width, height);
    if (place.width <= 0 || place.height <= 0) return;
    cairo_t* cr = gtk_print_context_get_cairo_context(context);
    cairo_save(cr);
    cairo_translate(cr, place.x, place.y);
    cairo_scale(cr, static_cast<double>(place.width) / width, static_cast<double>(place.height) / height);
    cairo_set_source_surface(cr, job->picture, 0, 0);
    // Smooth scaling, as halftone stretching does on a printer.
    cairo_pattern_set_filter(cairo_get_source(cr), CAIRO_FILTER_GOOD);
    cairo_rectangle(cr, 0, 0, width, height);
    cairo_fill(cr);
    cairo_restore(cr);
}

// The printer and page: from the dialog, or the file printer for an export.
bool ChoosePrinter(const PrintRequest& request, std::uintptr_t parent, GtkPrintSettings*& settings,
                   GtkPageSetup*& page) {
    if (!request.exportPdf.empty()) {
        settings = gtk_print_settings_new();
        gtk_print_settings_set_printer(settings, "Print to File");
        gchar* absolute = g_canonicalize_filename(request.exportPdf.c_str(), nullptr);
        gchar* uri = g_filename_to_uri(absolute, nullptr, nullptr);
        gtk_print_settings_set(settings, GTK_PRINT_SETTINGS_OUTPUT_URI, uri ? uri : "");
        gtk_print_settings_set(settings, GTK_PRINT_SETTINGS_OUTPUT_FILE_FORMAT, "pdf");
        g_free(uri);
        g_free(absolute);
        const GtkPageOrientation orientation =
            request.landscape ? GTK_PAGE_ORIENTATION_LANDSCAPE : GTK_PAGE_ORIENTATION_PORTRAIT;
        gtk_print_settings_set_orientation(settings, orientation);
        page = gtk_page_setup_new();
        gtk_page_setup_set_orientation(page, orientation);
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
    gtk_print_unix_dialog_set_settings(print, start);
    g_object_unref(start);
    const bool ok = RunDialog(GTK_DIALOG(dialog), parent) == GTK_RESPONSE_OK;
    if (ok) {
        settings = gtk_print_unix_dialog_get_settings(print);
        page = GTK_PAGE_SETUP(g_object_ref(gtk_print_unix_dialog_get_page_setup(print)));
    }
    gtk_widget_destroy(dialog);
    while (gtk_events_pending()) gtk_main_iteration();
    return ok;
}

PrintResult Failed(std::string text) { return PrintResult{PrintOutcome::Failed, std::move(text)}; }

}  // namespace

PrintResult PrintPicture(const PrintRequest& request, std::uintptr_t parent) {
    if (!request.picture) return Failed("Nothing to print");
    GtkPrintSettings* settings = nullptr;
    GtkPageSetup* page = nullptr;
    if (!ChoosePrinter(request, parent, settings, page)) return PrintResult{PrintOutcome::Cancelled, {}};

    Job job;
    job.parent = parent;
    job.picture = ToCairo(*request.picture);
    PrintResult result;
    if (!job.picture || cairo_surface_status(job.picture) != CAIRO_STATUS_SUCCESS) {
        result = Failed(std::string("Cannot copy the screen: ") + SDL_GetError());
    } else {
        GtkPrintOperation* operation = gtk_print_operation_new();
        gtk_print_operation_set_job_name(operation, request.documentName.c_str());
        gtk_print_operation_set_n_pages(operation, 1);
        gtk_print_operation_set_print_settings(operation, settings);
        gtk_print_operation_set_default_page_setup(operation, page);
        g_signal_connect(operation, "begin-print", G_CALLBACK(OnBeginPrint), &job);
        g_signal_connect(operation, "draw-page", G_CALLBACK(OnDrawPage), &job);
        GError* error = nullptr;
        const GtkPrintOperationResult run =
            gtk_print_operation_run(operation, GTK_PRINT_OPERATION_ACTION_PRINT, nullptr, &error);
        // The job is handed to the printer (or written to the file) after
        // run returns; wait for that so that failures are seen here.
        if (run == GTK_PRINT_OPERATION_RESULT_APPLY)
            while (!gtk_print_operation_is_finished(operation)) gtk_main_iteration();
        if (!error) gtk_print_operation_get_error(operation, &error);
        if (error) {
            result = Failed(error->message);
            g_error_free(error);
        } else if (run == GTK_PRINT_OPERATION_RESULT_ERROR) {
            result = Failed("The printer reported an error");
        } else if (run == GTK_PRINT_OPERATION_RESULT_APPLY &&
                   gtk_print_operation_get_status(operation) == GTK_PRINT_STATUS_FINISHED) {
            result = PrintResult{PrintOutcome::Printed, {}};
        }
        g_object_unref(operation);
    }
    if (job.abortBox) gtk_widget_destroy(job.abortBox);
    while (gtk_events_pending()) gtk_main_iteration();
    if (job.picture) cairo_surface_destroy(job.picture);
    g_object_unref(settings);
    g_object_unref(page);
    return result;
}

}  // namespace platform::gtk
