// libPrefs.so as the program uses it: loaded with dlopen into a process that
// has its own settings store and message queue, DoPrefs shows the sheet, OK
// writes the pages into the INI file it was given and nowhere else, Cancel
// and errors write nothing. The sheet is worked from this process's GTK
// main loop (the sheet's modal loop turns it). Needs an X display.

#include <dlfcn.h>
#include <gtest/gtest.h>
#include <gdk/gdkx.h>
#include <gtk/gtk.h>

#include <cstdio>
#include <filesystem>

#include "../support/run_program.h"
#include "../support/temp_dir.h"
#include "../support/tool_run.h"
#include "buzz_wav.h"
#include "platform/companion_abi.h"
#include "platform/message_queue.h"
#include "platform/mixer.h"
#include "platform/native_window.h"
#include "settings/settings.h"
#include "sheet_driver.h"

using namespace lorvano_test;

namespace {

const std::string kLibrary = LORVANO_BINARY_DIR "/bin/libPrefs.so";
const std::string kLanguage = LORVANO_SOURCE_DIR "/data/english";

class Library : public ::testing::Test {
protected:
    void SetUp() override {
        if (!HaveXDisplay()) GTEST_SKIP() << "needs an X display";
        // As in the program: SDL's windows (the library's hidden one too) on X.
        setenv("SDL_VIDEODRIVER", "x11", 1);
        handle = dlopen(kLibrary.c_str(), RTLD_NOW | RTLD_LOCAL);
        ASSERT_NE(handle, nullptr) << dlerror();
        doPrefs = reinterpret_cast<DoPrefsFn>(dlsym(handle, "DoPrefs"));
        ASSERT_NE(doPrefs, nullptr);
        // The sheet's capture finds coef.dat in the language folder, as in the program.
        std::filesystem::current_path(kLanguage);
        setenv("LORVANO_AUDIO", "file", 1);
        unsetenv("LORVANO_AUDIO_PACE");
        ASSERT_TRUE(WriteBuzz(dir.File("buzz.wav"), 3));
        setenv("LORVANO_AUDIO_IN", dir.File("buzz.wav").c_str(), 1);
        WriteFile(ini, ReadFile(kLanguage + "/trainer.ini"));
        before = ReadFile(ini);
    }
    void TearDown() override {
        if (handle) dlclose(handle);
    }

    void* handle = nullptr;
    DoPrefsFn doPrefs = nullptr;
    TempDir dir;
    std::string ini = dir.File("trainer.ini");
    std::string before;
};

bool Click(GtkWidget* button) {
    if (!button) return false;
    gtk_button_clicked(GTK_BUTTON(button));
    return true;
}

bool Active(GtkWidget* toggle) { return toggle && gtk_toggle_button_get_active(GTK_TOGGLE_BUTTON(toggle)); }

GtkNotebook* Notebook() { return GTK_NOTEBOOK(gtk_widget_get_parent(FindNamed(Sheet(), "Page107"))); }
void ShowPage(int page) { gtk_notebook_set_current_page(Notebook(), page); }

// Pixels of the widget as it draws itself now: how many are pure green.
int GreenPixels(GtkWidget* area) {
    const int w = gtk_widget_get_allocated_width(area), h = gtk_widget_get_allocated_height(area);
    cairo_surface_t* s = cairo_image_surface_create(CAIRO_FORMAT_RGB24, w, h);
    cairo_t* cr = cairo_create(s);
    gtk_widget_draw(area, cr);
    cairo_destroy(cr);
    cairo_surface_flush(s);
    int green = 0;
    for (int y = 0; y < h; ++y) {
        const auto* row = reinterpret_cast<const std::uint32_t*>(cairo_image_surface_get_data(s) +
                                                                 y * cairo_image_surface_get_stride(s));
        for (int x = 0; x < w; ++x) green += (row[x] & 0xFFFFFF) == 0x00FF00;
    }
    cairo_surface_destroy(s);
    return green;
}

TEST_F(Library, OnlyDoPrefsLeavesTheLibrary) {
    const ToolRun nm = RunTool("nm -D --defined-only --format=just-symbols " + kLibrary);
    ASSERT_EQ(nm.exitCode, 0) << nm.out;
    EXPECT_EQ(nm.out, "DoPrefs\n");
    EXPECT_EQ(dlsym(handle, "gSettings"), nullptr);
}

TEST_F(Library, OkWritesThePagesIntoTheGivenFileOnly) {
    // This process's own store and queue, which the library must leave alone.
    WriteFile(dir.File("mine.ini"), "[Application]\nTitle=Mine\n");
    gSettings.SetFileName(dir.File("mine.ini").c_str());
    platform::Post(platform::kNoWindow, platform::msg::kUser + 7);
    vSettings_c(ini.c_str()).PutString("HM1_Processor/Smoothing", "maybe");
    vSettings_c(ini.c_str()).PutString("Feedback/Offset", "0x0");
    int green = -1;
    SheetDriver driver({
        [] { return Sheet() && gtk_widget_get_mapped(Sheet()); },
        // The microphone page opens first and hears the buzz.
        [&, since = 0]() mutable { return ++since > 30; },
        [&] {
            green = GreenPixels(Control("Page2005", "2039"));
            // The pages are looked at; "Spectrum" is not and keeps its keys out.
            for (int page : {0, 1, 3}) ShowPage(page);
            gtk_entry_set_text(GTK_ENTRY(Control("Page2001", "2001")), "42");
            gtk_toggle_button_set_active(GTK_TOGGLE_BUTTON(Control("Page107", "2036")), TRUE);  // "Normal"
            gtk_toggle_button_set_active(GTK_TOGGLE_BUTTON(Control("Page2002", "2006")), TRUE);
            return Click(FindNamed(Sheet(), "1"));
        },
    });
    EXPECT_EQ(doPrefs(ini.c_str(), 0, 6), 1);
    EXPECT_TRUE(driver.Finished());
    EXPECT_GT(green, 100) << "the spectrum showed no green bars";

    vSettings_c written(ini.c_str());
    EXPECT_EQ(written.GetInt("Ampl_Processor/TailLength", 0), 42);
    EXPECT_EQ(written.GetInt("HM1_Processor/WindowNum", 0), 4);
    EXPECT_EQ(written.GetInt("HM1_Processor/Interleave", 0), 1);
    EXPECT_FALSE(written.GetBool("HM1_Processor/DoWindow", true));
    EXPECT_TRUE(written.GetBool("WordDetector/RealtimeFilters", false));
    EXPECT_FALSE(written.GetBool("WordDetector/RealtimePitch", true));
    EXPECT_FALSE(written.GetBool("ScreenMode/Type4_FeedBack", true));
    // Pages not shown left their keys exactly as they were.
    char text[50];
    written.GetString("HM1_Processor/Smoothing", text, sizeof text, "");
    EXPECT_STREQ(text, "maybe");
    written.GetString("Feedback/Offset", text, sizeof text, "");
    EXPECT_STREQ(text, "0x0");

    EXPECT_STREQ(gSettings.FileName(), dir.File("mine.ini").c_str());
    EXPECT_EQ(ReadFile(dir.File("mine.ini")), "[Application]\nTitle=Mine\n");
    platform::Message m;
    ASSERT_EQ(platform::PendingCount(), 1u);
    ASSERT_TRUE(platform::TakePending(m));
    EXPECT_EQ(m.id, platform::msg::kUser + 7);
    gSettings.SetFileName(nullptr);
}

TEST_F(Library, ALevelCheckOffersATriggerLevelThatOkWrites) {
    // The microphone hears a quiet room for 2.5 seconds, then the voice.
    ASSERT_TRUE(WriteBuzz(dir.File("quiet.wav"), 2.5, 0));
    setenv("LORVANO_AUDIO_IN", (dir.File("quiet.wav") + ":" + dir.File("buzz.wav")).c_str(), 1);
    setenv("LORVANO_AUDIO_GAP_MS", "0", 1);
    vSettings_c(ini.c_str()).PutString("ScreenMode/FullScreen", "maybe");
    std::string question;
    SheetDriver driver({
        [] { return Sheet() && gtk_widget_get_mapped(Sheet()); },
        [] { return Click(Control("Page2005", "LevelCheck")); },
        AnswerMessageBox(question, GTK_RESPONSE_YES),
        [] { return !MessageBox() && Click(FindNamed(Sheet(), "1")); },
    });
    EXPECT_EQ(doPrefs(ini.c_str(), 0, 6), 1);
    unsetenv("LORVANO_AUDIO_GAP_MS");
    ASSERT_TRUE(driver.Finished());
    int noise = -1, speech = -1, trigger = -1;
    ASSERT_EQ(std::sscanf(question.c_str(), "Room noise %d, speech %d.", &noise, &speech), 2) << question;
    const std::size_t to = question.find("word detection to ");
    ASSERT_NE(to, std::string::npos) << question;
    trigger = std::atoi(question.c_str() + to + 18);
    EXPECT_EQ(noise, 0);
    EXPECT_GT(speech, 2000);
    EXPECT_EQ(trigger, speech / 2);
    EXPECT_EQ(question.find("hardly louder"), std::string::npos);
    EXPECT_EQ(vSettings_c(ini.c_str()).GetInt("WordDetector/TrigLevel", 0), trigger);
    // Only the trigger changed, so only its key was written.
    char text[50];
    vSettings_c(ini.c_str()).GetString("ScreenMode/FullScreen", text, sizeof text, "");
    EXPECT_STREQ(text, "maybe");
    EXPECT_EQ(vSettings_c(ini.c_str()).GetInt("HM1_Processor/WindowNum", 0), 3);
    EXPECT_EQ(vSettings_c(ini.c_str()).GetInt("HM1_Processor/InterLeave", 0), 3);
}

TEST_F(Library, ASilentMicrophoneIsToldAndOffersNoTrigger) {
    ASSERT_TRUE(WriteBuzz(dir.File("quiet.wav"), 7, 0));
    setenv("LORVANO_AUDIO_IN", dir.File("quiet.wav").c_str(), 1);
    std::string message, volumeText;
    SheetDriver driver({
        [] { return Sheet() && gtk_widget_get_mapped(Sheet()); },
        [&] {
            // This machine has no mixer: the page says so beside the still slider.
            volumeText = gtk_label_get_text(GTK_LABEL(Control("Page2005", "2040")));
            return Click(Control("Page2005", "LevelCheck"));
        },
        AnswerMessageBox(message),
        [] { return !MessageBox() && Click(FindNamed(Sheet(), "1")); },
    });
    EXPECT_EQ(doPrefs(ini.c_str(), 0, 6), 1);
    ASSERT_TRUE(driver.Finished());
    EXPECT_NE(message.find("Nothing was heard"), std::string::npos) << message;
    EXPECT_EQ(message.find("Set the trigger"), std::string::npos) << message;
    if (!platform::CaptureVolume().Valid()) EXPECT_NE(volumeText.find("No mixer found"), std::string::npos) << volumeText;
    EXPECT_EQ(ReadFile(ini), before);
}

TEST_F(Library, OkAfterLookingAtEveryPageLeavesTheCoursesFileByteForByte) {
    SheetDriver driver({
        [] { return Sheet() && gtk_widget_get_mapped(Sheet()); },
        [] {
            for (int page = 0; page < 7; ++page) ShowPage(page);
            // The course's analysis is none of the three speeds: "Custom" is checked.
            return Active(Control("Page107", "2043")) && Click(FindNamed(Sheet(), "1"));
        },
    });
    EXPECT_EQ(doPrefs(ini.c_str(), 0, 0), 1);
    EXPECT_TRUE(driver.Finished());
    EXPECT_EQ(ReadFile(ini), before);
}

TEST_F(Library, TheSheetStaysAboveTheProgramsWindowAndLeavesItsEventsAlone) {
    // A window of this process's own platform layer plays the program's.
    platform::WindowOptions options;
    options.title = "Program";
    const platform::WindowHandle program = platform::OpenWindow(options);
    const std::uintptr_t programId = platform::NativeWindowId(program);
    ASSERT_NE(programId, 0u);
    Window transientFor = 0;
    SheetDriver driver({
        [] { return Sheet() && gtk_widget_get_mapped(Sheet()); },
        [&, since = 0]() mutable { return ++since > 10; },  // the capture runs meanwhile
        [&] {
            GdkWindow* sheet = gtk_widget_get_window(Sheet());
            XGetTransientForHint(gdk_x11_display_get_xdisplay(gdk_window_get_display(sheet)),
                                 gdk_x11_window_get_xid(sheet), &transientFor);
            return Click(FindNamed(Sheet(), "2"));
        },
    });
    EXPECT_EQ(doPrefs(ini.c_str(), programId, 6), 0);
    EXPECT_TRUE(driver.Finished());
    EXPECT_EQ(transientFor, programId);
    // The program's own loop goes on with its window, whatever the library's
    // hidden window left in the window system's queue.
    EXPECT_TRUE(platform::PumpPending());
    EXPECT_TRUE(platform::WindowExists(program));
    platform::RemoveWindow(program);
    EXPECT_EQ(ReadFile(ini), before);
}

TEST_F(Library, CancelWritesNothing) {
    SheetDriver driver({
        [] { return Sheet() && gtk_widget_get_mapped(Sheet()); },
        [&] {
            gtk_toggle_button_set_active(GTK_TOGGLE_BUTTON(Control("Page2004", "2005")), FALSE);
            return Click(FindNamed(Sheet(), "2"));
        },
    });
    EXPECT_EQ(doPrefs(ini.c_str(), 0, 0), 0);
    EXPECT_TRUE(driver.Finished());
    EXPECT_EQ(ReadFile(ini), before);
}

TEST_F(Library, ALineLengthOutOfRangeKeepsTheSheetOpen) {
    std::string message;
    int pageShown = -1;
    SheetDriver driver({
        [] { return Sheet() && gtk_widget_get_mapped(Sheet()); },
        [&] {
            ShowPage(4);
            ShowPage(2);
            gtk_entry_set_text(GTK_ENTRY(Control("Page2003", "2001")), "301");
            return Click(FindNamed(Sheet(), "1"));
        },
        AnswerMessageBox(message),
        [&] {
            pageShown = gtk_notebook_get_current_page(Notebook());
            return !MessageBox() && Click(FindNamed(Sheet(), "2"));
        },
    });
    EXPECT_EQ(doPrefs(ini.c_str(), 0, 2), 0);
    EXPECT_TRUE(driver.Finished());
    EXPECT_NE(message.find("from 5 to 300"), std::string::npos) << message;
    EXPECT_EQ(pageShown, 4);  // "Voice/Unvoice"
    EXPECT_EQ(ReadFile(ini), before);
}

TEST_F(Library, WithoutACaptureDeviceTheMicrophonePageStillOpens) {
    unsetenv("LORVANO_AUDIO");  // SDL's dummy driver, which has no microphone
    int green = -1;
    SheetDriver driver({
        [] { return Sheet() && gtk_widget_get_mapped(Sheet()); },
        [&, since = 0]() mutable { return ++since > 10; },
        [&] {
            green = GreenPixels(Control("Page2005", "2039"));
            return Click(FindNamed(Sheet(), "2"));
        },
    });
    EXPECT_EQ(doPrefs(ini.c_str(), 0, 6), 0);
    EXPECT_TRUE(driver.Finished());
    EXPECT_EQ(green, 0);
    EXPECT_EQ(ReadFile(ini), before);
}

TEST_F(Library, UnreadableSettingsAreReportedAndLeftAlone) {
    // A name that fills the store's 255-character buffer cannot be read whole.
    WriteFile(ini, "[Feedback]\nDisplay0=" + std::string(300, 'x') + "\n");
    before = ReadFile(ini);
    std::string message;
    SheetDriver driver({
        AnswerMessageBox(message),
    });
    EXPECT_EQ(doPrefs(ini.c_str(), 0, 5), 0);
    EXPECT_TRUE(driver.Finished());
    EXPECT_NE(message.find("could not be read"), std::string::npos) << message;
    EXPECT_EQ(ReadFile(ini), before);
}

TEST_F(Library, AMissingFileIsReportedAndNotCreated) {
    const std::string missing = dir.File("nowhere/trainer.ini");
    std::string message;
    SheetDriver driver({
        AnswerMessageBox(message),
    });
    EXPECT_EQ(doPrefs(missing.c_str(), 0, 0), 0);
    EXPECT_TRUE(driver.Finished());
    EXPECT_NE(message.find(missing), std::string::npos) << message;
    EXPECT_FALSE(std::filesystem::exists(missing));
}

}  // namespace
