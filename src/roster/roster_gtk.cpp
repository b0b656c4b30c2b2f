#include "roster/roster_gtk.h"

#include "platform/gtk/gtk_host.h"
#include "progress/progress_chart.h"

#include <gtk/gtk.h>

#include <algorithm>
#include <cstdio>

namespace roster {
namespace {

constexpr int kBorder = 12;

enum Column { kCreated, kCard, kExercise, kPath, kColumns };

GtkWidget* NewDialog(const char* title, const char* cancelText, const char* okText) {
    GtkWidget* dialog = gtk_dialog_new_with_buttons(title, nullptr, GTK_DIALOG_MODAL, cancelText, GTK_RESPONSE_CANCEL,
                                                    okText, GTK_RESPONSE_OK, nullptr);
    gtk_dialog_set_default_response(GTK_DIALOG(dialog), GTK_RESPONSE_OK);
    gtk_window_set_resizable(GTK_WINDOW(dialog), FALSE);
    GtkWidget* content = gtk_dialog_get_content_area(GTK_DIALOG(dialog));
    gtk_container_set_border_width(GTK_CONTAINER(content), kBorder);
    gtk_box_set_spacing(GTK_BOX(content), 8);
    return dialog;
}

void AddText(GtkWidget* dialog, const std::string& text) {
    GtkWidget* label = gtk_label_new(text.c_str());
    gtk_label_set_line_wrap(GTK_LABEL(label), TRUE);
    gtk_label_set_max_width_chars(GTK_LABEL(label), 50);
    gtk_label_set_xalign(GTK_LABEL(label), 0);
    gtk_box_pack_start(GTK_BOX(gtk_dialog_get_content_area(GTK_DIALOG(dialog))), label, FALSE, FALSE, 0);
}

// What went wrong the last time, in the error colour; nothing when empty.
void AddProblem(GtkWidget* dialog, const std::string& message) {
    if (message.empty()) return;
    GtkWidget* label = gtk_label_new(nullptr);
    gchar* markup = g_markup_printf_escaped("<span foreground=\"#c01c28\" weight=\"bold\">%s</span>", message.c_str());
    gtk_label_set_markup(GTK_LABEL(label), markup);
    g_free(markup);
    gtk_label_set_xalign(GTK_LABEL(label), 0);
    gtk_box_pack_start(GTK_BOX(gtk_dialog_get_content_area(GTK_DIALOG(dialog))), label, FALSE, FALSE, 0);
}

GtkWidget* AddField(GtkWidget* grid, int row, const char* caption, bool secret) {
    GtkWidget* label = gtk_label_new_with_mnemonic(caption);
    gtk_label_set_xalign(GTK_LABEL(label), 1);
    GtkWidget* entry = gtk_entry_new();
    gtk_entry_set_visibility(GTK_ENTRY(entry), !secret);
    gtk_entry_set_activates_default(GTK_ENTRY(entry), TRUE);
    gtk_widget_set_hexpand(entry, TRUE);
    gtk_label_set_mnemonic_widget(GTK_LABEL(label), entry);
    gtk_grid_attach(GTK_GRID(grid), label, 0, row, 1, 1);
    gtk_grid_attach(GTK_GRID(grid), entry, 1, row, 1, 1);
    return entry;
}

// Runs the dialog above the program's window; true when it was accepted.
// The dialog stays alive for its fields to be read.
bool Accepted(GtkWidget* dialog, LorvanoParentWindow parent) {
    gtk_widget_show_all(dialog);
    return platform::gtk::RunDialog(GTK_DIALOG(dialog), parent) == GTK_RESPONSE_OK;
}

// Destroys the dialog and lets GTK take it off the screen before the
// program draws again.
void Close(GtkWidget* dialog) {
    gtk_widget_destroy(dialog);
    while (gtk_events_pending()) gtk_main_iteration();
}

std::string BaseName(const std::string& path) { return path.substr(path.rfind('/') + 1); }

struct ChooserState {
    GtkListStore* store;
    GtkWidget* view;
    GtkWidget* okButton;
    const vRosterUi_i::RecordingLister* recordings;
    std::string select;  // path to select after the next fill
};

void UpdateOkButton(GtkTreeSelection* selection, gpointer data) {
    auto* state = static_cast<ChooserState*>(data);
    gtk_widget_set_sensitive(state->okButton, gtk_tree_selection_get_selected(selection, nullptr, nullptr));
}

void FillRecordings(ChooserState& state, const std::string& pupil) {
    gtk_list_store_clear(state.store);
    GtkTreePath* chosen = nullptr;
    for (const vRecordingInfo_c& r : (*state.recordings)(pupil)) {
        GtkTreeIter it;
        gtk_list_store_append(state.store, &it);
        const std::string exercise = r.exerciseFile.empty() ? "(unknown)" : BaseName(r.exerciseFile);
        gtk_list_store_set(state.store, &it, kCreated, r.created.c_str(), kCard, r.cardText.c_str(), kExercise,
                           exercise.c_str(), kPath, r.wavPath.c_str(), -1);
        if (!chosen && r.wavPath == state.select) chosen = gtk_tree_model_get_path(GTK_TREE_MODEL(state.store), &it);
    }
    // The starting recording, else the newest; the cursor too, so that
    // Return opens it.
    if (!chosen && gtk_tree_model_iter_n_children(GTK_TREE_MODEL(state.store), nullptr) > 0)
        chosen = gtk_tree_path_new_first();
    if (chosen) {
        gtk_tree_view_set_cursor(GTK_TREE_VIEW(state.view), chosen, nullptr, FALSE);
        gtk_tree_path_free(chosen);
    }
    UpdateOkButton(gtk_tree_view_get_selection(GTK_TREE_VIEW(state.view)), &state);
}

void OnPupilChanged(GtkComboBox* combo, gpointer data) {
    auto* state = static_cast<ChooserState*>(data);
    gchar* pupil = gtk_combo_box_text_get_active_text(GTK_COMBO_BOX_TEXT(combo));
    FillRecordings(*state, pupil ? pupil : "");
    g_free(pupil);
}

void OnRowActivated(GtkTreeView* view, GtkTreePath*, GtkTreeViewColumn*, gpointer) {
    gtk_dialog_response(GTK_DIALOG(gtk_widget_get_toplevel(GTK_WIDGET(view))), GTK_RESPONSE_OK);
}

struct ChartState {
    std::string title;
    std::vector<progress::vChartPage_c> pages;  // at least one
    GtkWidget* combo;
};

// The chosen page on white, as large as the area allows at the page's
// proportions.
gboolean OnDrawChart(GtkWidget* area, cairo_t* cr, gpointer data) {
    const auto* state = static_cast<const ChartState*>(data);
    const double width = gtk_widget_get_allocated_width(area), height = gtk_widget_get_allocated_height(area);
    cairo_set_source_rgb(cr, 1, 1, 1);
    cairo_paint(cr);
    const double scale = std::min(width / progress::kChartPageWidth, height / progress::kChartPageHeight);
    cairo_translate(cr, (width - progress::kChartPageWidth * scale) / 2,
                    (height - progress::kChartPageHeight * scale) / 2);
    cairo_scale(cr, scale, scale);
    const int page = std::max(0, gtk_combo_box_get_active(GTK_COMBO_BOX(state->combo)));
    progress::DrawChartPage(cr, state->title, state->pages[static_cast<std::size_t>(page)]);
    return TRUE;
}

void OnPageChosen(GtkComboBox*, gpointer area) { gtk_widget_queue_draw(GTK_WIDGET(area)); }

}  // namespace

void vRosterGtkUi_c::ShowError(const std::string& text) {
    if (!platform::gtk::Start()) {
        std::fprintf(stderr, "Lorvano users: %s\n", text.c_str());
        return;
    }
    GtkWidget* box = gtk_message_dialog_new(nullptr, GTK_DIALOG_MODAL, GTK_MESSAGE_ERROR, GTK_BUTTONS_OK, "%s",
                                            text.c_str());
    gtk_window_set_title(GTK_WINDOW(box), "Lorvano users");
    platform::gtk::RunDialog(GTK_DIALOG(box), mParent);
    Close(box);
}

bool vRosterGtkUi_c::AskLogin(std::string& name, std::string& password, const std::string& message) {
    return AskNameAndPassword(false, name, password, message);
}

bool vRosterGtkUi_c::AskFirstTeacher(std::string& name, std::string& password, const std::string& message) {
    return AskNameAndPassword(true, name, password, message);
}

bool vRosterGtkUi_c::AskNameAndPassword(bool newTeacher, std::string& name, std::string& password,
                                        const std::string& message) {
    if (!platform::gtk::Start()) return false;
    std::string problem = message;
    for (;;) {
        GtkWidget* dialog = NewDialog(newTeacher ? "First teacher" : "Teacher login", "_Continue without login",
                                      newTeacher ? "C_reate teacher" : "_Log in");
        AddText(dialog, newTeacher ? "No teacher is registered yet. Create the first teacher, who can then keep "
                                     "pupils' recordings, or continue without login."
                                   : "Log in as a teacher to keep pupils' recordings, or continue without login.");
        AddProblem(dialog, problem);
        GtkWidget* grid = gtk_grid_new();
        gtk_grid_set_row_spacing(GTK_GRID(grid), 6);
        gtk_grid_set_column_spacing(GTK_GRID(grid), 8);
        gtk_box_pack_start(GTK_BOX(gtk_dialog_get_content_area(GTK_DIALOG(dialog))), grid, FALSE, FALSE, 0);
        GtkWidget* nameEntry = AddField(grid, 0, "_Name:", false);
        GtkWidget* passwordEntry = AddField(grid, 1, "_Password:", true);
        GtkWidget* repeatEntry = newTeacher ? AddField(grid, 2, "_Repeat password:", true) : nullptr;
        gtk_entry_set_text(GTK_ENTRY(nameEntry), name.c_str());
        gtk_widget_grab_focus(name.empty() ? nameEntry : passwordEntry);

        const bool ok = Accepted(dialog, mParent);
        name = gtk_entry_get_text(GTK_ENTRY(nameEntry));
        password = gtk_entry_get_text(GTK_ENTRY(passwordEntry));
        const bool same = !repeatEntry || password == gtk_entry_get_text(GTK_ENTRY(repeatEntry));
        Close(dialog);
        if (!ok) return false;
        if (same) return true;
        problem = "The two passwords differ.";
    }
}

bool vRosterGtkUi_c::AskPupil(const std::vector<std::string>& pupils, std::string& pupil,
                              const std::string& message) {
    if (!platform::gtk::Start()) return false;
    GtkWidget* dialog = NewDialog("Pupil", "_Cancel", "_Save");
    AddText(dialog, "Which pupil? Choose one or type a new name.");
    AddProblem(dialog, message);
    GtkWidget* combo = gtk_combo_box_text_new_with_entry();
    for (const std::string& p : pupils) gtk_combo_box_text_append_text(GTK_COMBO_BOX_TEXT(combo), p.c_str());
    GtkWidget* entry = gtk_bin_get_child(GTK_BIN(combo));
    gtk_entry_set_activates_default(GTK_ENTRY(entry), TRUE);
    gtk_entry_set_text(GTK_ENTRY(entry), pupil.c_str());
    gtk_box_pack_start(GTK_BOX(gtk_dialog_get_content_area(GTK_DIALOG(dialog))), combo, FALSE, FALSE, 0);
    const bool ok = Accepted(dialog, mParent);
    pupil = gtk_entry_get_text(GTK_ENTRY(entry));
    Close(dialog);
    return ok;
}

bool vRosterGtkUi_c::ChooseRecording(const std::vector<std::string>& pupils, const RecordingLister& recordings,
                                     bool needExercise, std::string& pupil, std::string& wavPath) {
    if (!platform::gtk::Start()) return false;
    GtkWidget* dialog = NewDialog(needExercise ? "Pupil's exercise" : "Pupil's recording", "_Cancel", "_Open");
    gtk_window_set_resizable(GTK_WINDOW(dialog), TRUE);
    AddText(dialog, needExercise ? "Choose a recording; its exercise opens with it." : "Choose a recording.");
    GtkWidget* combo = gtk_combo_box_text_new();
    int active = 0;
    for (std::size_t i = 0; i < pupils.size(); ++i) {
        gtk_combo_box_text_append_text(GTK_COMBO_BOX_TEXT(combo), pupils[i].c_str());
        if (pupils[i] == pupil) active = static_cast<int>(i);
    }
    GtkWidget* content = gtk_dialog_get_content_area(GTK_DIALOG(dialog));
    gtk_box_pack_start(GTK_BOX(content), combo, FALSE, FALSE, 0);

    GtkListStore* store = gtk_list_store_new(kColumns, G_TYPE_STRING, G_TYPE_STRING, G_TYPE_STRING, G_TYPE_STRING);
    GtkWidget* view = gtk_tree_view_new_with_model(GTK_TREE_MODEL(store));
    g_object_unref(store);  // the view holds it
    const char* titles[] = {"Made", "Card", "Exercise"};
    for (int c = kCreated; c <= kExercise; ++c)
        gtk_tree_view_append_column(GTK_TREE_VIEW(view),
                                    gtk_tree_view_column_new_with_attributes(titles[c], gtk_cell_renderer_text_new(),
                                                                             "text", c, nullptr));
    GtkWidget* scroller = gtk_scrolled_window_new(nullptr, nullptr);
    gtk_widget_set_size_request(scroller, 520, 280);
    gtk_container_add(GTK_CONTAINER(scroller), view);
    gtk_box_pack_start(GTK_BOX(content), scroller, TRUE, TRUE, 0);

    ChooserState state{store, view, gtk_dialog_get_widget_for_response(GTK_DIALOG(dialog), GTK_RESPONSE_OK),
                       &recordings, wavPath};
    GtkTreeSelection* selection = gtk_tree_view_get_selection(GTK_TREE_VIEW(view));
    g_signal_connect(selection, "changed", G_CALLBACK(UpdateOkButton), &state);
    g_signal_connect(view, "row-activated", G_CALLBACK(OnRowActivated), nullptr);
    g_signal_connect(combo, "changed", G_CALLBACK(OnPupilChanged), &state);
    gtk_combo_box_set_active(GTK_COMBO_BOX(combo), active);
    gtk_widget_grab_focus(view);

    bool ok = Accepted(dialog, mParent);
    GtkTreeModel* model = nullptr;
    GtkTreeIter it;
    ok = ok && gtk_tree_selection_get_selected(selection, &model, &it);
    if (ok) {
        gchar* chosenPupil = gtk_combo_box_text_get_active_text(GTK_COMBO_BOX_TEXT(combo));
        gchar* path = nullptr;
        gtk_tree_model_get(model, &it, kPath, &path, -1);
        pupil = chosenPupil ? chosenPupil : "";
        wavPath = path ? path : "";
        g_free(chosenPupil);
        g_free(path);
    }
    // The signals point at state: they go with the dialog, before it does.
    Close(dialog);
    return ok;
}

void vRosterGtkUi_c::ShowProgress(const std::string& title, const std::vector<progress::vStoredTry_c>& tries) {
    if (!platform::gtk::Start()) {
        std::fprintf(stderr, "Lorvano progress: %s, %zu tries (no display for the chart)\n", title.c_str(),
                     tries.size());
        return;
    }
    ChartState state{title, progress::ChartPages(tries), gtk_combo_box_text_new()};
    if (state.pages.empty()) state.pages.emplace_back();  // says there are no tries
    GtkWidget* dialog = gtk_dialog_new_with_buttons("Progress", nullptr, GTK_DIALOG_MODAL, "_Close",
                                                    GTK_RESPONSE_CLOSE, nullptr);
    gtk_dialog_set_default_response(GTK_DIALOG(dialog), GTK_RESPONSE_CLOSE);
    GtkWidget* content = gtk_dialog_get_content_area(GTK_DIALOG(dialog));
    gtk_container_set_border_width(GTK_CONTAINER(content), kBorder);
    gtk_box_set_spacing(GTK_BOX(content), 8);
    for (const progress::vChartPage_c& page : state.pages)
        gtk_combo_box_text_append_text(GTK_COMBO_BOX_TEXT(state.combo),
                                       page.heading.empty() ? "no tries" : page.heading.c_str());
    gtk_combo_box_set_active(GTK_COMBO_BOX(state.combo), 0);
    gtk_widget_set_sensitive(state.combo, state.pages.size() > 1);
    gtk_box_pack_start(GTK_BOX(content), state.combo, FALSE, FALSE, 0);
    // The page at 0.85 of its size in points: beside the program's 800 x 600 window.
    GtkWidget* area = gtk_drawing_area_new();
    gtk_widget_set_size_request(area, 716, 506);
    gtk_box_pack_start(GTK_BOX(content), area, TRUE, TRUE, 0);
    g_signal_connect(area, "draw", G_CALLBACK(OnDrawChart), &state);
    g_signal_connect(state.combo, "changed", G_CALLBACK(OnPageChosen), area);
    gtk_widget_show_all(dialog);
    platform::gtk::RunDialog(GTK_DIALOG(dialog), mParent);
    // The signals point at state: they go with the dialog, before it does.
    Close(dialog);
}

bool vRosterGtkUi_c::AskTeacherMark(const std::string& pupil, int shown, int& mark) {
    if (!platform::gtk::Start()) return false;
    // One button per answer (Alt and the digit), Escape cancels.
    GtkWidget* dialog = gtk_dialog_new();
    gtk_window_set_title(GTK_WINDOW(dialog), "Teacher's mark");
    gtk_window_set_modal(GTK_WINDOW(dialog), TRUE);
    gtk_window_set_resizable(GTK_WINDOW(dialog), FALSE);
    GtkWidget* content = gtk_dialog_get_content_area(GTK_DIALOG(dialog));
    gtk_container_set_border_width(GTK_CONTAINER(content), kBorder);
    gtk_box_set_spacing(GTK_BOX(content), 8);
    // Marks are single digits; spelled by hand, as std::to_string would make
    // the library export a symbol of the standard library's.
    const auto digit = [](int mark) { return std::string(1, static_cast<char>('0' + mark)); };
    AddText(dialog, "Your mark for " + pupil + "'s last try" +
                        (shown > 0 && shown <= 5 ? " (the program showed " + digit(shown) + ")" : std::string()) +
                        ". The program's mark stays as it is.");
    for (int m = 1; m <= 5; ++m) gtk_dialog_add_button(GTK_DIALOG(dialog), ("_" + digit(m)).c_str(), m);
    gtk_dialog_add_button(GTK_DIALOG(dialog), "_Not a try", 0);
    GtkWidget* cancel = gtk_dialog_add_button(GTK_DIALOG(dialog), "_Cancel", GTK_RESPONSE_CANCEL);
    gtk_widget_show_all(dialog);
    // A stray Return stores nothing.
    gtk_widget_grab_focus(cancel);
    const int answer = platform::gtk::RunDialog(GTK_DIALOG(dialog), mParent);
    Close(dialog);
    if (answer < 0 || answer > 5) return false;
    mark = answer;
    return true;
}

}  // namespace roster
