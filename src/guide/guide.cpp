// libGuide.so: shows a guide page in the desktop's web browser. The page
// opens in the application the desktop chooses for it (GIO's default
// application for the file's type); when the desktop names none, xdg-open is
// started instead. DoGuide returns as soon as the browser has been started;
// when none can be, a box says so (standard error without a display).
// User-interface thread only.

#include "platform/companion_abi.h"
#include "platform/gtk/gtk_host.h"

#include <gtk/gtk.h>

#include <cstdio>
#include <string>

namespace {

// Starts xdg-open on uri without waiting for it; GLib reaps the child.
bool StartXdgOpen(const char* uri, std::string& problem) {
    gchar* program = g_find_program_in_path("xdg-open");
    if (!program) {
        problem += "\nxdg-open is not installed.";
        return false;
    }
    gchar* argv[] = {program, const_cast<gchar*>(uri), nullptr};
    GError* error = nullptr;
    const bool started = g_spawn_async(nullptr, argv, nullptr, G_SPAWN_STDOUT_TO_DEV_NULL, nullptr, nullptr,
                                       nullptr, &error);
    if (!started) {
        problem += std::string("\n") + error->message;
        g_error_free(error);
    }
    g_free(program);
    return started;
}

void ShowProblem(const std::string& text, LorvanoParentWindow parent) {
    if (!platform::gtk::Start()) {
        std::fprintf(stderr, "Guide: %s\n", text.c_str());
        return;
    }
    GtkWidget* box =
        gtk_message_dialog_new(nullptr, GTK_DIALOG_MODAL, GTK_MESSAGE_ERROR, GTK_BUTTONS_OK, "%s", text.c_str());
    gtk_window_set_title(GTK_WINDOW(box), "Guide");
    platform::gtk::RunDialog(GTK_DIALOG(box), parent);
    gtk_widget_destroy(box);
    while (gtk_events_pending()) gtk_main_iteration();
}

}  // namespace

extern "C" __attribute__((visibility("default"))) void DoGuide(const char* pagePath, LorvanoParentWindow parent) {
    gchar* full = g_canonicalize_filename(pagePath ? pagePath : "", nullptr);
    const std::string page = full;
    g_free(full);
    if (!g_file_test(page.c_str(), G_FILE_TEST_IS_REGULAR)) {
        ShowProblem("The guide page does not exist:\n" + page, parent);
        return;
    }
    std::string problem = "No web browser could be started to show the guide page\n" + page;
    GError* error = nullptr;
    gchar* uri = g_filename_to_uri(page.c_str(), nullptr, &error);
    if (!uri) {
        problem += std::string("\n") + error->message;
        g_error_free(error);
        ShowProblem(problem, parent);
        return;
    }
    bool started = g_app_info_launch_default_for_uri(uri, nullptr, &error);
    if (!started) {
        problem += std::string("\n") + error->message;
        g_clear_error(&error);
        started = StartXdgOpen(uri, problem);
    }
    g_free(uri);
    if (!started) ShowProblem(problem, parent);
}
