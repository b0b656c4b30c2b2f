#include "platform/gtk/gtk_host.h"

#include <gtk/gtk.h>
#ifdef GDK_WINDOWING_X11
#include <gdk/gdkx.h>
#endif

namespace platform::gtk {

bool Start() {
    // An X server that is busy accepting other clients now and then refuses
    // a connection it accepts a moment later (as the video start knows);
    // gtk_init_check opens the display afresh on each call until one works.
    static const bool started = [] {
        for (int attempt = 0; attempt < 3; ++attempt) {
            if (attempt > 0) g_usleep(200 * 1000);
            if (gtk_init_check(nullptr, nullptr)) return true;
        }
        return false;
    }();
    return started;
}

namespace {

#ifdef GDK_WINDOWING_X11
// The transient hint can only be set once the dialog has its own GdkWindow.
void OnRealize(GtkWidget* widget, gpointer parentId) {
    GdkDisplay* display = gtk_widget_get_display(widget);
    if (!GDK_IS_X11_DISPLAY(display)) return;
    GdkWindow* parent = gdk_x11_window_foreign_new_for_display(
        display, static_cast<Window>(reinterpret_cast<std::uintptr_t>(parentId)));
    if (!parent) return;
    gdk_window_set_transient_for(gtk_widget_get_window(widget), parent);
    g_object_unref(parent);
}
#endif

}  // namespace

void SetParent(GtkWindow* dialog, std::uintptr_t parentWindowId) {
    gtk_window_set_modal(dialog, TRUE);
    gtk_window_set_keep_above(dialog, TRUE);
    gtk_window_set_position(dialog, GTK_WIN_POS_CENTER);
#ifdef GDK_WINDOWING_X11
    if (parentWindowId != 0)
        g_signal_connect(dialog, "realize", G_CALLBACK(OnRealize),
                         reinterpret_cast<gpointer>(parentWindowId));
#else
    (void)parentWindowId;
#endif
}

int RunDialog(GtkDialog* dialog, std::uintptr_t parentWindowId) {
    SetParent(GTK_WINDOW(dialog), parentWindowId);
    return gtk_dialog_run(dialog);
}

}  // namespace platform::gtk
