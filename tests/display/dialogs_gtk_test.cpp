// The GTK backend on a real X display (run under Xvfb): colour conversion,
// case-blind file filters, a print to PDF checked page by pixel, and the
// marker editor and a save chooser appearing above the program's window,
// windowed and full screen. Screenshots go to <build>/dialog_shots/.

#include "display/dialogs/dialogs.h"
#include "display/dialogs/prop_pages.h"
#include "display/dx_screen.h"
#include "events/window.h"
#include "platform/gtk/dialogs_gtk.h"
#include "platform/native_window.h"

#include "../support/run_program.h"
#include "../support/temp_dir.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <sstream>

// Last: Xlib's macros (None, Status) clash with names in the headers above.
#include <X11/Xlib.h>
#include <gdk/gdkx.h>
#include <gtk/gtk.h>
#include <gtk/gtkunixprint.h>

namespace {

bool HaveX() {
    const char* display = std::getenv("DISPLAY");
    return display && *display;
}

std::string ShotPath(const std::string& name) {
    const std::filesystem::path dir = std::filesystem::path(LORVANO_BINARY_DIR) / "dialog_shots";
    std::filesystem::create_directories(dir);
    return (dir / name).string();
}

std::string Output(const std::string& command) { return lorvano_test::RunCommand(command).out; }

class Owner : public vWindow_c {
public:
    void ShowException(const vException_c& e, int) override { shown.push_back(e.Message()); }
    std::vector<std::string> shown;
};

// An SDL window of the program on the X display, with the screen in it.
class ProgramWindow {
public:
    explicit ProgramWindow(platform::ScreenMode mode, int colour = 0x336699) {
        platform::WindowOptions options;
        options.title = "Lorvano dialog test";
        options.mode = mode;
        options.procedure = {&Procedure, this};
        window.handle = platform::OpenWindow(options);
        handle = window.handle;
        screen.CreateScreen(handle, 800, 600, 32, mode == platform::ScreenMode::FullScreen, 800, 600);
        screen.GetSurface()->Fill({0, 0, 800, 600}, colour);
        screen.Present();
        platform::PumpPending();
    }
    platform::WindowHandle handle;
    int clicks = 0;  // button-down messages that reached the window

private:
    static platform::MessageResult Procedure(void* self, const platform::Message& m) {
        if (m.id == platform::msg::kLeftDown) ++static_cast<ProgramWindow*>(self)->clicks;
        return platform::DefaultProcessing(m);
    }

    // Removed after the screen that shows in it.
    struct Owned {
        platform::WindowHandle handle = platform::kNoWindow;
        ~Owned() { platform::RemoveWindow(handle); }
    } window;

public:
    vDxScreen_c screen;
};

// Finds the widget named `name` under `widget`.
GtkWidget* FindNamed(GtkWidget* widget, const std::string& name) {
    if (name == gtk_widget_get_name(widget)) return widget;
    if (!GTK_IS_CONTAINER(widget)) return nullptr;
    GList* children = gtk_container_get_children(GTK_CONTAINER(widget));
    GtkWidget* found = nullptr;
    for (GList* c = children; c && !found; c = c->next) found = FindNamed(GTK_WIDGET(c->data), name);
    g_list_free(children);
    return found;
}

std::string CurrentFolder(GtkWindow* chooser) {
    gchar* current = gtk_file_chooser_get_current_folder(GTK_FILE_CHOOSER(chooser));
    std::string folder = current ? current : "";
    g_free(current);
    return folder;
}

GtkWindow* FindToplevel(const std::string& title) {
    GList* all = gtk_window_list_toplevels();
    GtkWindow* found = nullptr;
    for (GList* w = all; w && !found; w = w->next) {
        const char* t = gtk_window_get_title(GTK_WINDOW(w->data));
        if (t && title == t && gtk_widget_get_mapped(GTK_WIDGET(w->data))) found = GTK_WINDOW(w->data);
    }
    g_list_free(all);
    return found;
}

// Runs `act` on the dialog titled `title` once it has been shown for a
// while, from inside the dialog's own loop.
struct WhenShown {
    std::string title;
    std::function<void(GtkWindow*)> act;
    std::function<bool(GtkWindow*)> ready = {};  // also wait for this, up to 10 s
    int ticks = 0;
    int closeBy = 0;
    bool done = false;
    static gboolean Tick(gpointer self) {
        auto* w = static_cast<WhenShown*>(self);
        GtkWindow* dialog = FindToplevel(w->title);
        if (w->done) {
            // A dialog that does not close is closed, so that the test fails
            // instead of hanging.
            if (!dialog) return FALSE;
            if (++w->ticks < w->closeBy) return TRUE;
            gtk_dialog_response(GTK_DIALOG(dialog), GTK_RESPONSE_CANCEL);
            return FALSE;
        }
        if (!dialog) return ++w->ticks < 100;
        if (++w->ticks < 5) return TRUE;  // let it paint
        if (w->ready && !w->ready(dialog) && w->ticks < 100) return TRUE;
        w->act(dialog);
        w->done = true;
        w->closeBy = w->ticks + 50;
        return TRUE;
    }
    void Arm() { g_timeout_add(100, &Tick, this); }
};

Window XidOf(GtkWindow* window) { return gdk_x11_window_get_xid(gtk_widget_get_window(GTK_WIDGET(window))); }

// Position in the root window's stacking order (bottom first), -1 when absent.
int StackIndex(Window window) {
    Display* display = gdk_x11_display_get_xdisplay(gdk_display_get_default());
    Window root = 0, parent = 0, *children = nullptr;
    unsigned count = 0;
    int index = -1;
    if (XQueryTree(display, DefaultRootWindow(display), &root, &parent, &children, &count)) {
        for (unsigned i = 0; i < count; ++i)
            if (children[i] == window) index = static_cast<int>(i);
        XFree(children);
    }
    return index;
}

class GtkDialogsTest : public ::testing::Test {
protected:
    void SetUp() override {
        if (!HaveX()) GTEST_SKIP() << "needs an X display (run under xvfb-run)";
        ASSERT_NE(platform::gtk::Toolkit(), nullptr);
    }
};

TEST_F(GtkDialogsTest, ColoursSurviveTheToolkitExactly) {
    for (int v = 0; v < 256; ++v) {
        const platform::Rgb in{static_cast<std::uint8_t>(v), static_cast<std::uint8_t>(255 - v),
                               static_cast<std::uint8_t>(v * 7)};
        const platform::Rgb out = platform::gtk::FromGdk(platform::gtk::ToGdk(in));
        ASSERT_EQ(out.red, in.red);
        ASSERT_EQ(out.green, in.green);
        ASSERT_EQ(out.blue, in.blue);
    }
    // Through a real chooser: 0x123456 in, the chooser's colour back out.
    GtkWidget* chooser = gtk_color_chooser_widget_new();
    g_object_ref_sink(chooser);
    const GdkRGBA start = platform::gtk::ToGdk(dialogs::ToPlatformColour(0x123456));
    gtk_color_chooser_set_rgba(GTK_COLOR_CHOOSER(chooser), &start);
    GdkRGBA back;
    gtk_color_chooser_get_rgba(GTK_COLOR_CHOOSER(chooser), &back);
    EXPECT_EQ(dialogs::FromPlatformColour(platform::gtk::FromGdk(back)), 0x123456u);
    g_object_unref(chooser);
}

TEST_F(GtkDialogsTest, FileFiltersIgnoreLetterCase) {
    EXPECT_EQ(platform::gtk::CaseFoldPattern("*.bmp"), "*.[bB][mM][pP]");
    GtkFileFilter* filter = gtk_file_filter_new();
    g_object_ref_sink(filter);
    gtk_file_filter_add_pattern(filter, platform::gtk::CaseFoldPattern("*.jpg").c_str());
    auto matches = [&](const char* name) {
        GtkFileFilterInfo info{};
        info.contains = GTK_FILE_FILTER_DISPLAY_NAME;
        info.display_name = name;
        return gtk_file_filter_filter(filter, &info) != FALSE;
    };
    EXPECT_TRUE(matches("SEA.JPG"));
    EXPECT_TRUE(matches("sea.jpg"));
    EXPECT_FALSE(matches("sea.png"));
    g_object_unref(filter);
}

// Decodes a binary PPM written by pdftoppm.
struct Ppm {
    int width = 0, height = 0;
    std::vector<unsigned char> rgb;
    explicit Ppm(const std::string& path) {
        std::ifstream in(path, std::ios::binary);
        std::string magic;
        int max = 0;
        in >> magic >> width >> height >> max;
        in.get();
        rgb.resize(static_cast<std::size_t>(width) * height * 3);
        in.read(reinterpret_cast<char*>(rgb.data()), static_cast<std::streamsize>(rgb.size()));
        if (magic != "P6" || !in) width = height = 0;
    }
    const unsigned char* At(int x, int y) const { return &rgb[(static_cast<std::size_t>(y) * width + x) * 3]; }
    bool White(int x, int y) const { return At(x, y)[0] > 240 && At(x, y)[1] > 240 && At(x, y)[2] > 240; }
};

TEST_F(GtkDialogsTest, PrintToPdfPutsTheScreenOnOneLandscapePageCentredHorizontally) {
    lorvano_test::TempDir dir;
    ProgramWindow window(platform::ScreenMode::Windowed, 0xff0000);
    // A blue left quarter tells the picture's orientation.
    window.screen.GetSurface()->Fill({0, 0, 200, 600}, 0x0000ff);
    Owner owner;
    const std::string pdf = dir.File("screen.pdf");
    ASSERT_EQ(dialogs::PrintScreen(owner, {pdf, true}), platform::PrintOutcome::Printed);
    EXPECT_TRUE(owner.shown.empty());

    const std::string info = Output("pdfinfo '" + pdf + "'");
    EXPECT_NE(info.find("Pages:           1\n"), std::string::npos) << info;
    EXPECT_NE(info.find("Title:           Lorvano printout\n"), std::string::npos) << info;
    ASSERT_EQ(lorvano_test::RunCommand("pdftoppm -r 40 -singlefile '" + pdf + "' '" + dir.File("page") + "'").exitCode, 0);
    Ppm page(dir.File("page.ppm"));
    lorvano_test::RunCommand("pdftoppm -r 40 -singlefile -png '" + pdf + "' '" + ShotPath("printed_page") + "'");
    ASSERT_GT(page.width, page.height);  // landscape
    int left = page.width, right = -1, top = page.height, bottom = -1;
    for (int y = 0; y < page.height; ++y)
        for (int x = 0; x < page.width; ++x)
            if (!page.White(x, y)) {
                left = std::min(left, x);
                right = std::max(right, x);
                top = std::min(top, y);
                bottom = std::max(bottom, y);
            }
    ASSERT_GE(right, left);
    const int width = right - left + 1, height = bottom - top + 1;
    // The printable area: the page less the export's quarter-inch margins.
    const double margin = 18.0 * 40.0 / 72.0;
    const double areaLeft = margin, areaTop = margin;
    const double areaRight = page.width - margin, areaBottom = page.height - margin;
    // Filled to the printable height, with the screen's aspect, centred across.
    EXPECT_NEAR(static_cast<double>(width) / height, 800.0 / 600.0, 0.02);
    EXPECT_NEAR(top, areaTop, 1.5);
    EXPECT_NEAR(bottom + 1, areaBottom, 1.5);
    EXPECT_NEAR(left - areaLeft, areaRight - (right + 1), 2.0);
    // The page is wider than the screen's aspect: equal white bands at the sides.
    const double band = ((areaRight - areaLeft) - (areaBottom - areaTop) * 4.0 / 3.0) / 2.0;
    EXPECT_GT(band, 5.0);
    EXPECT_NEAR(left - areaLeft, band, 1.5);
    const unsigned char* blue = page.At(left + width / 8, top + height / 2);
    const unsigned char* red = page.At(left + width * 3 / 4, top + height / 2);
    EXPECT_TRUE(blue[2] > 200 && blue[0] < 60) << int(blue[0]) << "," << int(blue[1]) << "," << int(blue[2]);
    EXPECT_TRUE(red[0] > 200 && red[2] < 60) << int(red[0]) << "," << int(red[1]) << "," << int(red[2]);
}

TEST_F(GtkDialogsTest, APrinterThatFailsIsReportedInABox) {
    lorvano_test::TempDir dir;
    ProgramWindow window(platform::ScreenMode::Windowed);
    Owner owner;
    const std::string pdf = dir.File("no such folder/screen.pdf");
    EXPECT_EQ(dialogs::PrintScreen(owner, {pdf, false}), platform::PrintOutcome::Failed);
    ASSERT_EQ(owner.shown.size(), 1u);
    EXPECT_NE(owner.shown[0].find("Exception ["), std::string::npos) << owner.shown[0];
    EXPECT_FALSE(std::filesystem::exists(pdf));
}

TEST_F(GtkDialogsTest, MarkerEditorAppearsAboveTheWindowAndReadsItsEdits) {
    ProgramWindow window(platform::ScreenMode::Windowed);
    const Window parent = platform::NativeWindowId(window.handle);
    WhenShown shown{"Edit marker", [&](GtkWindow* dialog) {
        for (const char* name : {"1000", "1001", "1004", "1005", "1006", "1", "2"})
            EXPECT_NE(FindNamed(GTK_WIDGET(dialog), name), nullptr) << name;
        EXPECT_EQ(gtk_label_get_text(GTK_LABEL(FindNamed(GTK_WIDGET(dialog), "1004"))),
                  std::string("Font: Arial, 10 pt (default)"));
        EXPECT_TRUE(gtk_window_get_modal(dialog));
        const std::string transient = Output("xprop -id " + std::to_string(XidOf(dialog)) + " WM_TRANSIENT_FOR");
        std::ostringstream hex;
        hex << "0x" << std::hex << parent;
        EXPECT_NE(transient.find(hex.str()), std::string::npos) << transient;
        EXPECT_GT(StackIndex(XidOf(dialog)), StackIndex(parent));
        lorvano_test::RunCommand("import -window root '" + ShotPath("marker_editor.png") + "'");
        // A click on the program's window beside the dialog must do nothing,
        // neither now nor after the dialog.
        EXPECT_EQ(lorvano_test::RunCommand("xdotool mousemove 150 120 click 1").exitCode, 0);
        gtk_entry_set_text(GTK_ENTRY(FindNamed(GTK_WIDGET(dialog), "1000")), "ee");
        gtk_entry_set_text(GTK_ENTRY(FindNamed(GTK_WIDGET(dialog), "1001")), "i:");
        gtk_button_clicked(GTK_BUTTON(FindNamed(GTK_WIDGET(dialog), "1")));
    }};
    shown.Arm();
    int suspended = 0;
    dialogs::SetModalHooks([&] { ++suspended; }, [&] { EXPECT_EQ(suspended, 1); });
    dialogs::MarkerText marker{"sh", "S", {"", 10}, {"", 10}};
    EXPECT_TRUE(dialogs::EditMarker(marker));
    dialogs::SetModalHooks({}, {});
    EXPECT_TRUE(shown.done);
    EXPECT_EQ(marker.label, "ee");
    EXPECT_EQ(marker.code, "i:");
    EXPECT_EQ(FindToplevel("Edit marker"), nullptr);  // gone
    platform::PumpPending();
    EXPECT_EQ(window.clicks, 0);
}

TEST_F(GtkDialogsTest, SaveChooserAppearsAboveTheFullScreenWindow) {
    lorvano_test::TempDir dir;
    ProgramWindow window(platform::ScreenMode::FullScreen);
    const Window parent = platform::NativeWindowId(window.handle);
    WhenShown shown{"Save exercise", [&](GtkWindow* dialog) {
        EXPECT_GT(StackIndex(XidOf(dialog)), StackIndex(parent));
        lorvano_test::RunCommand("import -window root '" + ShotPath("save_fullscreen.png") + "'");
        EXPECT_EQ(CurrentFolder(dialog), dir.Path().string());
        // As a user does: into the folder, type the name, save.
        gtk_file_chooser_set_current_folder(GTK_FILE_CHOOSER(dialog), dir.Path().c_str());
        gtk_file_chooser_set_current_name(GTK_FILE_CHOOSER(dialog), "new word");
        // The extra field shows its text and takes the user's.
        if (GtkWidget* extra = FindNamed(GTK_WIDGET(dialog), "extra"); extra && GTK_IS_ENTRY(extra)) {
            EXPECT_STREQ(gtk_entry_get_text(GTK_ENTRY(extra)), "F IH");
            gtk_entry_set_text(GTK_ENTRY(extra), "n uw w er d");
        } else {
            ADD_FAILURE() << "no extra field";
        }
        gtk_dialog_response(GTK_DIALOG(dialog), GTK_RESPONSE_ACCEPT);
    }};
    // The chooser opens its folder in the background.
    shown.ready = [&](GtkWindow* dialog) { return CurrentFolder(dialog) == dir.Path().string(); };
    shown.Arm();
    dialogs::FileChoice choice{"Save exercise", {{"Editor files (*.exc)", "*.exc"}}, "", dir.Path().string(), ""};
    dialogs::FileField field{"Phones:", "F IH"};
    const std::optional<std::string> path = dialogs::ChooseSaveFile(choice, &field);
    EXPECT_TRUE(shown.done);
    EXPECT_EQ(path, dir.File("new word.exc"));
    EXPECT_EQ(field.text, "n uw w er d");
}


TEST_F(GtkDialogsTest, ImagePropertiesTakeAColourFromTheNestedChooserAndDropTransparency) {
    ProgramWindow window(platform::ScreenMode::Windowed);
    WhenShown colour{"Color", [&](GtkWindow* dialog) {
        lorvano_test::RunCommand("import -window root '" + ShotPath("colour_chooser.png") + "'");
        const GdkRGBA rgba = platform::gtk::ToGdk(platform::Rgb{0x12, 0x34, 0x56});
        gtk_color_chooser_set_rgba(GTK_COLOR_CHOOSER(dialog), &rgba);
        gtk_dialog_response(GTK_DIALOG(dialog), GTK_RESPONSE_OK);
    }};
    std::string shownColour;
    WhenShown props{"Image properties", [&](GtkWindow* dialog) {
        lorvano_test::RunCommand("import -window root '" + ShotPath("image_properties.png") + "'");
        EXPECT_TRUE(gtk_toggle_button_get_active(GTK_TOGGLE_BUTTON(FindNamed(GTK_WIDGET(dialog), "1018"))));
        colour.Arm();
        gtk_button_clicked(GTK_BUTTON(FindNamed(GTK_WIDGET(dialog), "1016")));  // "&Select..."
        shownColour = gtk_entry_get_text(GTK_ENTRY(FindNamed(GTK_WIDGET(dialog), "1015")));
        gtk_button_clicked(GTK_BUTTON(FindNamed(GTK_WIDGET(dialog), "1018")));  // transparency off
        gtk_button_clicked(GTK_BUTTON(FindNamed(GTK_WIDGET(dialog), "1")));
    }};
    props.Arm();
    std::string file = "Pic/back.bmp";
    std::uint32_t value = 0x00abcdef;
    EXPECT_TRUE(vTrImagePropPage_c().Run(file, value));
    EXPECT_TRUE(props.done);
    EXPECT_TRUE(colour.done);
    EXPECT_EQ(shownColour, "123456");
    EXPECT_EQ(value, 0x80123456u);
    EXPECT_EQ(file, "Pic/back.bmp");
}

TEST_F(GtkDialogsTest, PrintDialogAboveTheWindowPrintsToTheFileChosenThere) {
    lorvano_test::TempDir dir;
    ProgramWindow window(platform::ScreenMode::Windowed, 0x00ff00);
    const Window parent = platform::NativeWindowId(window.handle);
    const std::string pdf = dir.File("from dialog.pdf");
    int suspended = 0, resumed = 0;
    dialogs::SetModalHooks([&] { ++suspended; }, [&] { ++resumed; });
    WhenShown shown{"Print", [&](GtkWindow* dialog) {
        EXPECT_EQ(suspended, 1);
        EXPECT_GT(StackIndex(XidOf(dialog)), StackIndex(parent));
        lorvano_test::RunCommand("import -window root '" + ShotPath("print_dialog.png") + "'");
        // What a user picks: "Print to File", PDF, a file name.
        GtkPrintSettings* settings = gtk_print_settings_new();
        gtk_print_settings_set_printer(settings, "Print to File");
        gchar* uri = g_filename_to_uri(pdf.c_str(), nullptr, nullptr);
        gtk_print_settings_set(settings, GTK_PRINT_SETTINGS_OUTPUT_URI, uri);
        gtk_print_settings_set(settings, GTK_PRINT_SETTINGS_OUTPUT_FILE_FORMAT, "pdf");
        g_free(uri);
        gtk_print_unix_dialog_set_settings(GTK_PRINT_UNIX_DIALOG(dialog), settings);
        g_object_unref(settings);
        for (int i = 0; i < 200; ++i) {
            GtkPrinter* printer = gtk_print_unix_dialog_get_selected_printer(GTK_PRINT_UNIX_DIALOG(dialog));
            if (printer && std::string(gtk_printer_get_name(printer)) == "Print to File") break;
            gtk_main_iteration_do(FALSE);
            g_usleep(10000);
        }
        gtk_dialog_response(GTK_DIALOG(dialog), GTK_RESPONSE_OK);
    }};
    shown.Arm();
    Owner owner;
    EXPECT_EQ(dialogs::PrintScreen(owner), platform::PrintOutcome::Printed);
    dialogs::SetModalHooks({}, {});
    EXPECT_TRUE(shown.done);
    EXPECT_TRUE(owner.shown.empty());
    EXPECT_EQ(resumed, 1);
    EXPECT_NE(Output("pdfinfo '" + pdf + "'").find("Pages:           1\n"), std::string::npos);
}

}  // namespace

int main(int argc, char** argv) {
    // The program's window must be a real X window for dialogs to stand on.
    setenv("SDL_VIDEODRIVER", "x11", 1);
    // GTK's choosers remember things in the user's settings; not from tests.
    setenv("GSETTINGS_BACKEND", "memory", 1);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
