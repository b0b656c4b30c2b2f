#include "platform/gtk/dialogs_gtk.h"

#include <SDL.h>
#include <gtk/gtk.h>

#include <cctype>
#include <cmath>
#include <algorithm>
#include <exception>
#include <memory>
#include <map>

#include "platform/gtk/gtk_host.h"
#include "platform/gtk/print_gtk.h"
#include "platform/sdl/sdl_internal.h"

namespace platform::gtk {

GdkRGBA ToGdk(Rgb colour) {
    return GdkRGBA{colour.red / 255.0, colour.green / 255.0, colour.blue / 255.0, 1.0};
}

Rgb FromGdk(const GdkRGBA& colour) {
    auto channel = [](double v) {
        return static_cast<std::uint8_t>(std::lround(std::clamp(v, 0.0, 1.0) * 255.0));
    };
    return Rgb{channel(colour.red), channel(colour.green), channel(colour.blue)};
}

void DropProgramInput() {
    if (!sdl::VideoStarted()) return;
    SDL_PumpEvents();
    SDL_FlushEvents(SDL_KEYDOWN, SDL_MOUSEWHEEL);  // keyboard, text input and mouse
}

std::string CaseFoldPattern(const std::string& pattern) {
    std::string out;
    for (unsigned char c : pattern) {
        if (std::isalpha(c)) {
            out += '[';
            out += static_cast<char>(std::tolower(c));
            out += static_cast<char>(std::toupper(c));
            out += ']';
        } else {
            out += static_cast<char>(c);
        }
    }
    return out;
}

namespace {

// "&File name:" -> "_File name:"; a literal "_" is doubled.
std::string Mnemonic(const std::string& caption) {
    std::string out;
    for (char c : caption) {
        if (c == '&') out += '_';
        else if (c == '_') out += "__";
        else out += c;
    }
    return out;
}

// Lets GTK take the closed dialog off the screen.
void Flush() {
    while (gtk_events_pending()) gtk_main_iteration();
    DropProgramInput();
}

class GtkForm : public Form {
public:
    GtkForm(const FormTemplate& layout, FormEvents& events) : mEvents(events) {
        mDialog = GTK_DIALOG(gtk_dialog_new());
        gtk_window_set_title(GTK_WINDOW(mDialog), layout.title.c_str());
        gtk_window_set_resizable(GTK_WINDOW(mDialog), FALSE);
        GtkWidget* grid = gtk_grid_new();
        gtk_grid_set_row_spacing(GTK_GRID(grid), 6);
        gtk_grid_set_column_spacing(GTK_GRID(grid), 8);
        gtk_container_set_border_width(GTK_CONTAINER(grid), 10);
        gtk_box_pack_start(GTK_BOX(gtk_dialog_get_content_area(mDialog)), grid, TRUE, TRUE, 0);
        // The dialog itself is shown by RunDialog, after it was made to stay
        // above the program's window (which must happen before it is realized).
        gtk_widget_show(grid);

        std::map<int, GtkWidget*> rowLabels;  // a row's label gets the row's first input as mnemonic target
        for (const ControlTemplate& c : layout.controls) {
            GtkWidget* w = Make(c);
            if (c.id >= 0) {
                gtk_widget_set_name(w, std::to_string(c.id).c_str());
                mControls[c.id] = w;
            }
            if (c.kind == ControlKind::Label) {
                rowLabels.emplace(c.row, w);
            } else if (auto label = rowLabels.find(c.row); label != rowLabels.end()) {
                gtk_label_set_mnemonic_widget(GTK_LABEL(label->second), w);
                rowLabels.erase(label);
            }
            gtk_grid_attach(GTK_GRID(grid), w, c.column, c.row, 1, 1);
            gtk_widget_show(w);
        }
        GtkWidget* cancel = gtk_dialog_add_button(mDialog, "Cancel", kIdCancel);
        GtkWidget* ok = gtk_dialog_add_button(mDialog, "OK", kIdOk);
        gtk_widget_set_name(cancel, "2");
        gtk_widget_set_name(ok, "1");
        gtk_dialog_set_default_response(mDialog, kIdOk);
    }
    ~GtkForm() override {
        gtk_widget_destroy(GTK_WIDGET(mDialog));
        Flush();
    }

    bool Run(std::uintptr_t parent) {
        Guard([&] { mEvents.OnInit(*this); });
        if (mFailure) std::rethrow_exception(mFailure);
        mShown = true;
        for (;;) {
            const int response = RunDialog(mDialog, parent);
            if (mFailure) std::rethrow_exception(mFailure);
            if (response == kIdOk) {
                if (mEvents.OnOK(*this)) return true;
            } else if (mEvents.OnCancel(*this)) {
                return false;
            }
        }
    }

    bool SetText(int id, const std::string& text) override {
        GtkWidget* w = Find(id);
        if (!w) return false;
        if (GTK_IS_ENTRY(w)) gtk_entry_set_text(GTK_ENTRY(w), text.c_str());
        else if (GTK_IS_LABEL(w)) gtk_label_set_text(GTK_LABEL(w), text.c_str());
        else if (GTK_IS_BUTTON(w)) gtk_button_set_label(GTK_BUTTON(w), text.c_str());
        else return false;
        return true;
    }
    std::string GetText(int id) const override {
        GtkWidget* w = Find(id);
        const char* text = nullptr;
        if (!w) return {};
        if (GTK_IS_ENTRY(w)) text = gtk_entry_get_text(GTK_ENTRY(w));
        else if (GTK_IS_LABEL(w)) text = gtk_label_get_text(GTK_LABEL(w));
        else if (GTK_IS_BUTTON(w)) text = gtk_button_get_label(GTK_BUTTON(w));
        return text ? text : "";
    }
    bool Checked(int id) const override {
        GtkWidget* w = Find(id);
        return w && GTK_IS_TOGGLE_BUTTON(w) && gtk_toggle_button_get_active(GTK_TOGGLE_BUTTON(w));
    }
    void SetChecked(int id, bool checked) override {
        GtkWidget* w = Find(id);
        if (w && GTK_IS_TOGGLE_BUTTON(w)) gtk_toggle_button_set_active(GTK_TOGGLE_BUTTON(w), checked);
    }

private:
    struct Click {
        GtkForm* form;
        int id;
    };

    GtkWidget* Make(const ControlTemplate& c) {
        switch (c.kind) {
            case ControlKind::Label: {
                GtkWidget* w = gtk_label_new_with_mnemonic(Mnemonic(c.caption).c_str());
                gtk_label_set_xalign(GTK_LABEL(w), 0.0f);
                return w;
            }
            case ControlKind::Edit:
            case ControlKind::ReadOnlyEdit: {
                GtkWidget* w = gtk_entry_new();
                gtk_entry_set_activates_default(GTK_ENTRY(w), TRUE);
                gtk_widget_set_hexpand(w, TRUE);
                if (c.kind == ControlKind::ReadOnlyEdit) gtk_editable_set_editable(GTK_EDITABLE(w), FALSE);
                return w;
            }
            case ControlKind::CheckBox:
                return Connect(gtk_check_button_new_with_mnemonic(Mnemonic(c.caption).c_str()), c.id);
            case ControlKind::Button: return Connect(gtk_button_new_with_mnemonic(Mnemonic(c.caption).c_str()), c.id);
        }
        return gtk_label_new("");
    }

    GtkWidget* Connect(GtkWidget* button, int id) {
        mClicks.push_back(std::make_unique<Click>(Click{this, id}));
        g_signal_connect(button, "clicked", G_CALLBACK(OnClicked), mClicks.back().get());
        return button;
    }

    static void OnClicked(GtkButton*, gpointer data) {
        auto* click = static_cast<Click*>(data);
        // Filling the controls in OnInit toggles check boxes: not a user's click.
        if (!click->form->mShown) return;
        click->form->Guard([&] { click->form->mEvents.OnCommand(*click->form, click->id, 0); });
    }

    // Exceptions must not cross GTK's C frames: keep the first, close the
    // dialog, and rethrow it from Run.
    template <class F>
    void Guard(F&& f) {
        try {
            f();
        } catch (...) {
            if (!mFailure) mFailure = std::current_exception();
            gtk_dialog_response(mDialog, kIdCancel);
        }
    }

    GtkWidget* Find(int id) const {
        auto it = mControls.find(id);
        return it == mControls.end() ? nullptr : it->second;
    }

    GtkDialog* mDialog;
    FormEvents& mEvents;
    std::map<int, GtkWidget*> mControls;
    std::vector<std::unique_ptr<Click>> mClicks;
    std::exception_ptr mFailure;
    bool mShown = false;
};

// The 16 basic colours shown above the custom ones.
constexpr Rgb kBasicColours[16] = {
    {0, 0, 0},     {128, 0, 0},   {0, 128, 0},   {128, 128, 0}, {0, 0, 128},   {128, 0, 128},
    {0, 128, 128}, {192, 192, 192}, {128, 128, 128}, {255, 0, 0}, {0, 255, 0}, {255, 255, 0},
    {0, 0, 255},   {255, 0, 255}, {0, 255, 255}, {255, 255, 255},
};

bool SameRgb(Rgb a, Rgb b) { return a.red == b.red && a.green == b.green && a.blue == b.blue; }

// The chooser sizes itself from its font when mapped and may outgrow an
// 800 x 600 screen; it is brought back to a size that fits, centred.
void FitChooser(GtkWidget* widget, gpointer) {
    GtkWindow* window = GTK_WINDOW(widget);
    int width = 0, height = 0;
    gtk_window_get_size(window, &width, &height);
    GdkRectangle area{0, 0, 800, 600};
    if (GdkMonitor* monitor =
            gdk_display_get_monitor_at_window(gtk_widget_get_display(widget), gtk_widget_get_window(widget)))
        gdk_monitor_get_workarea(monitor, &area);
    width = std::min(width, area.width * 9 / 10);
    height = std::min(height, area.height * 9 / 10);
    gtk_window_resize(window, width, height);
    gtk_window_move(window, area.x + (area.width - width) / 2, area.y + (area.height - height) / 2);
}

class GtkToolkit : public DialogToolkit {
public:
    bool RunForm(const FormTemplate& layout, FormEvents& events, std::uintptr_t parent) override {
        GtkForm form(layout, events);
        return form.Run(parent);
    }

    std::optional<std::string> ChooseFile(FileRequest& request, std::uintptr_t parent) override {
        const GtkFileChooserAction action = request.save ? GTK_FILE_CHOOSER_ACTION_SAVE : GTK_FILE_CHOOSER_ACTION_OPEN;
        GtkWidget* dialog = gtk_file_chooser_dialog_new(request.title.c_str(), nullptr, action, "_Cancel",
                                                        GTK_RESPONSE_CANCEL, request.save ? "_Save" : "_Open",
                                                        GTK_RESPONSE_ACCEPT, nullptr);
        GtkFileChooser* chooser = GTK_FILE_CHOOSER(dialog);
        g_signal_connect_after(dialog, "map", G_CALLBACK(FitChooser), nullptr);
        gtk_file_chooser_set_local_only(chooser, TRUE);
        for (const FileFilter& f : request.filters) {
            GtkFileFilter* filter = gtk_file_filter_new();
            gtk_file_filter_set_name(filter, f.description.c_str());
            std::size_t start = 0;
            while (start <= f.patterns.size()) {
                std::size_t end = f.patterns.find(';', start);
                if (end == std::string::npos) end = f.patterns.size();
                if (end > start)
                    gtk_file_filter_add_pattern(filter, CaseFoldPattern(f.patterns.substr(start, end - start)).c_str());
                start = end + 1;
            }
            gtk_file_chooser_add_filter(chooser, filter);
        }
        if (!request.folder.empty()) gtk_file_chooser_set_current_folder(chooser, request.folder.c_str());
        if (!request.fileName.empty()) {
            if (request.save) gtk_file_chooser_set_current_name(chooser, request.fileName.c_str());
            else gtk_file_chooser_set_filename(chooser, request.fileName.c_str());
        }
        GtkWidget* extra = request.extraLabel.empty() ? nullptr : ExtraField(chooser, request);
        std::optional<std::string> chosen;
        if (RunDialog(GTK_DIALOG(dialog), parent) == GTK_RESPONSE_ACCEPT) {
            if (gchar* name = gtk_file_chooser_get_filename(chooser)) {
                chosen = name;
                g_free(name);
                if (extra) request.extraText = gtk_entry_get_text(GTK_ENTRY(extra));
            }
        }
        gtk_widget_destroy(dialog);
        Flush();
        return chosen;
    }

    std::optional<Rgb> ChooseColour(ColourRequest& request, std::uintptr_t parent) override {
        GtkWidget* dialog = gtk_color_chooser_dialog_new(request.title.c_str(), nullptr);
        GtkColorChooser* chooser = GTK_COLOR_CHOOSER(dialog);
        gtk_color_chooser_set_use_alpha(chooser, FALSE);
        GdkRGBA basic[16], custom[16];
        for (int i = 0; i < 16; ++i) {
            basic[i] = ToGdk(kBasicColours[i]);
            custom[i] = ToGdk(request.custom[i]);
        }
        gtk_color_chooser_add_palette(chooser, GTK_ORIENTATION_HORIZONTAL, 8, 16, basic);
        gtk_color_chooser_add_palette(chooser, GTK_ORIENTATION_HORIZONTAL, 8, 16, custom);
        const GdkRGBA start = ToGdk(request.start);
        gtk_color_chooser_set_rgba(chooser, &start);
        std::optional<Rgb> chosen;
        if (RunDialog(GTK_DIALOG(dialog), parent) == GTK_RESPONSE_OK) {
            GdkRGBA rgba;
            gtk_color_chooser_get_rgba(chooser, &rgba);
            chosen = FromGdk(rgba);
            Remember(*chosen, request.custom);
        }
        gtk_widget_destroy(dialog);
        Flush();
        return chosen;
    }

    std::optional<DialogFont> ChooseFont(const FontRequest& request, std::uintptr_t parent) override {
        GtkWidget* dialog = gtk_font_chooser_dialog_new(request.title.c_str(), nullptr);
        const std::string start = (request.start.face.empty() ? std::string("Sans") : request.start.face) + " " +
                                  std::to_string(request.start.points);
        gtk_font_chooser_set_font(GTK_FONT_CHOOSER(dialog), start.c_str());
        std::optional<DialogFont> chosen;
        if (RunDialog(GTK_DIALOG(dialog), parent) == GTK_RESPONSE_OK) {
            if (PangoFontDescription* desc = gtk_font_chooser_get_font_desc(GTK_FONT_CHOOSER(dialog))) {
                DialogFont font;
                if (const char* family = pango_font_description_get_family(desc)) font.face = family;
                const int size = pango_font_description_get_size(desc);
                if (size > 0) font.points = (size + PANGO_SCALE / 2) / PANGO_SCALE;
                pango_font_description_free(desc);
                chosen = font;
            }
        }
        gtk_widget_destroy(dialog);
        Flush();
        return chosen;
    }

    PrintResult Print(const PrintRequest& request, std::uintptr_t parent) override {
        return PrintPicture(request, parent);
    }

private:
    // The request's extra field under the chooser: its label and an entry
    // named "extra" (for tests) holding extraText. Returns the entry.
    static GtkWidget* ExtraField(GtkFileChooser* chooser, const FileRequest& request) {
        GtkWidget* box = gtk_box_new(GTK_ORIENTATION_HORIZONTAL, 8);
        GtkWidget* label = gtk_label_new_with_mnemonic(Mnemonic(request.extraLabel).c_str());
        GtkWidget* entry = gtk_entry_new();
        gtk_widget_set_name(entry, "extra");
        gtk_entry_set_text(GTK_ENTRY(entry), request.extraText.c_str());
        gtk_entry_set_activates_default(GTK_ENTRY(entry), TRUE);
        gtk_widget_set_hexpand(entry, TRUE);
        gtk_label_set_mnemonic_widget(GTK_LABEL(label), entry);
        gtk_box_pack_start(GTK_BOX(box), label, FALSE, FALSE, 0);
        gtk_box_pack_start(GTK_BOX(box), entry, TRUE, TRUE, 0);
        gtk_widget_show_all(box);
        gtk_file_chooser_set_extra_widget(chooser, box);
        return entry;
    }

    // A colour the user made that is neither basic nor custom yet becomes
    // the first custom colour, as a custom colour defined in the dialog.
    static void Remember(Rgb colour, std::array<Rgb, 16>& custom) {
        for (Rgb c : kBasicColours)
            if (SameRgb(c, colour)) return;
        for (Rgb c : custom)
            if (SameRgb(c, colour)) return;
        std::move_backward(custom.begin(), custom.end() - 1, custom.end());
        custom[0] = colour;
    }
};

}  // namespace

DialogToolkit* Toolkit() {
    if (!sdl::HaveDisplay() || !Start()) return nullptr;
    static GtkToolkit toolkit;
    return &toolkit;
}

}  // namespace platform::gtk
