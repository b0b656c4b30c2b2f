#pragma once
// Drives the settings sheet from inside the process that called DoPrefs: the
// steps run from the GTK main loop that the sheet's modal loop turns, find
// widgets by their control-id names and press buttons as a user would.

#include <gtk/gtk.h>

#include <cstring>
#include <functional>
#include <string>
#include <vector>

namespace lorvano_test {

inline GtkWidget* FindNamed(GtkWidget* root, const char* name) {
    if (!root) return nullptr;
    if (std::strcmp(gtk_widget_get_name(root), name) == 0) return root;
    if (!GTK_IS_CONTAINER(root)) return nullptr;
    GtkWidget* found = nullptr;
    struct Search {
        const char* name;
        GtkWidget** found;
    } search{name, &found};
    gtk_container_forall(GTK_CONTAINER(root), +[](GtkWidget* child, gpointer data) {
        auto* s = static_cast<Search*>(data);
        if (!*s->found) *s->found = FindNamed(child, s->name);
    }, &search);
    return found;
}

// The visible top-level window with this title that is (or is not) a message box.
inline GtkWidget* FindWindow(const char* title, bool messageBox) {
    GtkWidget* found = nullptr;
    GList* all = gtk_window_list_toplevels();
    for (GList* l = all; l; l = l->next) {
        GtkWidget* w = GTK_WIDGET(l->data);
        const char* t = gtk_window_get_title(GTK_WINDOW(w));
        if (gtk_widget_get_visible(w) && t && std::strcmp(t, title) == 0 && GTK_IS_MESSAGE_DIALOG(w) == messageBox)
            found = w;
    }
    g_list_free(all);
    return found;
}
inline GtkWidget* Sheet() { return FindWindow("Lorvano settings", false); }
inline GtkWidget* MessageBox() { return FindWindow("Lorvano settings", true); }

// The control named id on the page named page.
inline GtkWidget* Control(const char* page, const char* id) { return FindNamed(FindNamed(Sheet(), page), id); }

inline std::string MessageText(GtkWidget* box) {
    gchar* text = nullptr;
    g_object_get(box, "text", &text, nullptr);
    std::string s = text ? text : "";
    g_free(text);
    return s;
}

// A step that waits for a message box, keeps its text and answers it.
inline std::function<bool()> AnswerMessageBox(std::string& text, int response = GTK_RESPONSE_OK) {
    return [&text, response] {
        GtkWidget* box = MessageBox();
        if (!box) return false;
        text = MessageText(box);
        gtk_dialog_response(GTK_DIALOG(box), response);
        return true;
    };
}

// Runs the steps one after another from the main loop, every 50 ms; a step
// that returns false is tried again at the next turn.
class SheetDriver {
public:
    explicit SheetDriver(std::vector<std::function<bool()>> steps) : mSteps(std::move(steps)) {
        mSource = g_timeout_add(50, &SheetDriver::Tick, this);
    }
    ~SheetDriver() {
        if (mSource) g_source_remove(mSource);
    }
    bool Finished() const { return mNext == mSteps.size(); }

private:
    static gboolean Tick(gpointer self) {
        auto* d = static_cast<SheetDriver*>(self);
        if (d->mNext < d->mSteps.size() && d->mSteps[d->mNext]()) ++d->mNext;
        if (!d->Finished()) return G_SOURCE_CONTINUE;
        d->mSource = 0;
        return G_SOURCE_REMOVE;
    }

    std::vector<std::function<bool()>> mSteps;
    std::size_t mNext = 0;
    guint mSource = 0;
};

}  // namespace lorvano_test
