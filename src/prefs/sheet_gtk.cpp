#include "prefs/sheet_gtk.h"

#include <gtk/gtk.h>

#include <algorithm>
#include <array>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <optional>
#include <tuple>

#include "platform/atomic_file.h"
#include "platform/display_modes.h"
#include "platform/gtk/gtk_host.h"
#include "platform/mixer.h"
#include "prefs/bar_meter.h"
#include "prefs/mic_capture.h"
#include "prefs/pages.h"
#include "settings/settings.h"
#include "settings/shared_keys.h"

namespace prefs {
namespace {

// Widgets carry their control ids as names, so that tests and tools find them.
template <class W>
W* Named(W* widget, int id) {
    gtk_widget_set_name(GTK_WIDGET(widget), std::to_string(id).c_str());
    return widget;
}

GtkWidget* CheckBox(GtkWidget* box, int id, const char* label, bool active) {
    GtkWidget* check = Named(gtk_check_button_new_with_label(label), id);
    gtk_toggle_button_set_active(GTK_TOGGLE_BUTTON(check), active);
    gtk_box_pack_start(GTK_BOX(box), check, FALSE, FALSE, 0);
    return check;
}

bool Active(GtkWidget* toggle) { return gtk_toggle_button_get_active(GTK_TOGGLE_BUTTON(toggle)); }

// Pages are named "Page" and their resource id, apart from their controls.
GtkWidget* PageBox(int resourceId) {
    GtkWidget* box = gtk_box_new(GTK_ORIENTATION_VERTICAL, 6);
    gtk_widget_set_name(box, ("Page" + std::to_string(resourceId)).c_str());
    gtk_container_set_border_width(GTK_CONTAINER(box), 12);
    return box;
}

// A line of small grey text that says what the controls above it do.
GtkWidget* Explanation(const std::string& text) {
    GtkWidget* label = gtk_label_new(text.c_str());
    gtk_label_set_line_wrap(GTK_LABEL(label), TRUE);
    gtk_label_set_max_width_chars(GTK_LABEL(label), 70);
    gtk_label_set_xalign(GTK_LABEL(label), 0);
    gtk_style_context_add_class(gtk_widget_get_style_context(label), "dim-label");
    gtk_widget_set_margin_start(label, 6);
    gtk_widget_set_margin_end(label, 6);
    gtk_widget_set_margin_bottom(label, 6);
    return label;
}

// "Disable visual feedback" where a page keeps it out of sight.
void HiddenCheckBox(GtkWidget* box, bool active) {
    GtkWidget* check = CheckBox(box, 2006, "Disable visual feedback", active);
    gtk_widget_set_no_show_all(check, TRUE);
}

// A message box over the sheet, or, before there is one, over the program's window.
void ShowMessage(GtkWidget* over, GtkMessageType type, const std::string& text, std::uintptr_t parentWindow = 0) {
    GtkWidget* box = gtk_message_dialog_new(over ? GTK_WINDOW(over) : nullptr, GTK_DIALOG_MODAL, type,
                                            GTK_BUTTONS_OK, "%s", text.c_str());
    gtk_window_set_title(GTK_WINDOW(box), LoadString(kSheetCaptionId));
    if (!over) platform::gtk::SetParent(GTK_WINDOW(box), parentWindow);
    gtk_dialog_run(GTK_DIALOG(box));
    gtk_widget_destroy(box);
}

// A line-length edit with its up-down buttons: arrows step within 5..300,
// the text itself is checked on OK.
class LineLengthEdit {
public:
    void Build(GtkWidget* page, int value) {
        GtkWidget* row = gtk_box_new(GTK_ORIENTATION_HORIZONTAL, 6);
        gtk_box_pack_start(GTK_BOX(row), gtk_label_new("Line length:"), FALSE, FALSE, 0);
        mEntry = Named(gtk_entry_new(), 2001);
        gtk_entry_set_width_chars(GTK_ENTRY(mEntry), 6);
        gtk_entry_set_text(GTK_ENTRY(mEntry), std::to_string(value).c_str());
        gtk_box_pack_start(GTK_BOX(row), mEntry, FALSE, FALSE, 0);
        GtkWidget* updown = Named(gtk_box_new(GTK_ORIENTATION_HORIZONTAL, 0), 2035);
        for (int step : {-1, 1}) {
            GtkWidget* b = gtk_button_new_from_icon_name(step < 0 ? "list-remove-symbolic" : "list-add-symbolic",
                                                         GTK_ICON_SIZE_BUTTON);
            g_object_set_data(G_OBJECT(b), "step", GINT_TO_POINTER(step));
            g_signal_connect(b, "clicked", G_CALLBACK(+[](GtkButton* b, gpointer self) {
                                 static_cast<LineLengthEdit*>(self)->Step(
                                     GPOINTER_TO_INT(g_object_get_data(G_OBJECT(b), "step")));
                             }),
                             this);
            gtk_box_pack_start(GTK_BOX(updown), b, FALSE, FALSE, 0);
        }
        gtk_box_pack_start(GTK_BOX(row), updown, FALSE, FALSE, 0);
        gtk_box_pack_start(GTK_BOX(page), row, FALSE, FALSE, 0);
        gtk_box_pack_start(GTK_BOX(page),
                           Explanation("How many columns of the line stay drawn behind the pen before they are "
                                       "wiped, from " + std::to_string(kMinLineLength) + " to " +
                                       std::to_string(kMaxLineLength) + "."),
                           FALSE, FALSE, 0);
    }
    std::optional<int> Value() const { return ParseLineLength(gtk_entry_get_text(GTK_ENTRY(mEntry))); }
    GtkWidget* Entry() const { return mEntry; }
    bool Unchanged(int shown) const { return gtk_entry_get_text(GTK_ENTRY(mEntry)) == std::to_string(shown); }

private:
    void Step(int step) {
        const int now = std::atoi(gtk_entry_get_text(GTK_ENTRY(mEntry)));
        const int next = std::clamp(now + step, kMinLineLength, kMaxLineLength);
        gtk_entry_set_text(GTK_ENTRY(mEntry), std::to_string(next).c_str());
    }

    GtkWidget* mEntry = nullptr;
};

class Sheet {
public:
    Sheet(const std::string& iniPath, std::uintptr_t parent) : mIniPath(iniPath), mParent(parent) {
        mValues.Read(gSettings);
        const auto displayModes = platform::ListDisplayModes();
        mAvailable = AvailableModes(displayModes);
        mShown = ModesToShow(displayModes, mValues.screen.mode);
        mOpeningVolume = mMixer.Get();
    }
    ~Sheet() {
        if (mOffer) g_source_remove(mOffer);
        StopCapture();
        if (mDialog) gtk_widget_destroy(mDialog);
        // The program's own loop does not run GTK's: without this the closed
        // sheet would stay on the screen.
        while (gtk_events_pending()) gtk_main_iteration();
    }

    int Run(int startPage);

private:
    void Build();
    GtkWidget* BuildScreenPage();
    GtkWidget* BuildVolumePage();
    GtkWidget* BuildSpectrumPage();
    GtkWidget* BuildWordPage();
    GtkWidget* BuildVoicePage();
    GtkWidget* BuildFeedbackPage();
    GtkWidget* BuildMicrophonePage();

    // Takes the values out of the widgets; false (the user told why) when a
    // line length is out of range.
    bool Collect();
    void OnPageShown(int page);
    void StartCapture();
    void StopCapture();
    void OnBuffer(std::int32_t detectorLevel);
    void OnVolumeMoved();
    void BeginLevelCheck();
    void OfferTrigger();

    std::string mIniPath;
    std::uintptr_t mParent;
    ModeAvailability mAvailable{};
    ShownModes mShown;
    SheetValues mValues;
    GtkWidget* mDialog = nullptr;
    GtkWidget* mNotebook = nullptr;

    std::array<GtkWidget*, kModeCount> mModes{};
    GtkWidget* mNoMode = nullptr;  // the file's own mode when the grid has no radio for it
    GtkWidget* mFullScreen = nullptr;
    GtkWidget* mFast = nullptr;
    GtkWidget* mNormal = nullptr;
    GtkWidget* mSlow = nullptr;
    GtkWidget* mCustomSpeed = nullptr;
    LineLengthEdit mVolumeLength;
    LineLengthEdit mVoiceLength;
    GtkWidget* mHighlightErrors = nullptr;
    GtkWidget* mSmooth = nullptr;
    GtkWidget* mSpectrumOff = nullptr;
    GtkWidget* mSpirant = nullptr;
    GtkWidget* mAutoPlay = nullptr;
    GtkWidget* mBackground = nullptr;
    GtkWidget* mWordOff = nullptr;
    GtkWidget* mAnimation = nullptr;

    platform::CaptureVolume mMixer;
    std::optional<unsigned> mOpeningVolume;
    GtkWidget* mVolume = nullptr;
    GtkWidget* mVolumeText = nullptr;
    GtkWidget* mSpectrumArea = nullptr;
    GtkWidget* mLevelArea = nullptr;
    GtkWidget* mCheckText = nullptr;
    vBarMeter_c mSpectrumMeter;
    vBarMeter_c mLevelMeter;
    std::unique_ptr<vMicrophoneCapture_c> mCapture;
    GSource* mCaptureSource = nullptr;
    vLevelCheck_c mLevelCheck;
    guint mOffer = 0;  // the level check's question, waiting for the main loop
};

GtkWidget* Sheet::BuildScreenPage() {
    const ScreenPage& v = mValues.screen;
    GtkWidget* page = PageBox(kPages[0].resourceId);
    GtkWidget* modeFrame = gtk_frame_new("Mode");
    GtkWidget* grid = gtk_grid_new();
    gtk_grid_set_column_spacing(GTK_GRID(grid), 12);
    gtk_container_set_border_width(GTK_CONTAINER(grid), 6);
    // A mode off the grid is shown as it is and kept unless another is chosen.
    mNoMode = Named(gtk_radio_button_new_with_label(nullptr, ("Custom: " + v.modeText).c_str()), 2042);
    // Rows and columns the display cannot show stay out of sight, their radios kept.
    const auto hideUnless = [](GtkWidget* w, bool shown) {
        gtk_widget_set_no_show_all(w, !shown);
        return w;
    };
    for (int column = 0; column < kModeColumns; ++column)
        gtk_grid_attach(GTK_GRID(grid),
                        hideUnless(gtk_label_new((std::to_string(kModeBits[column]) + " bits").c_str()),
                                   mShown.columns[column]),
                        column + 1, 0, 1, 1);
    for (int row = 0; row < kModeRows; ++row) {
        const std::string size = std::to_string(kModeSizes[row].width) + "x" + std::to_string(kModeSizes[row].height);
        gtk_grid_attach(GTK_GRID(grid), hideUnless(gtk_label_new(size.c_str()), mShown.rows[row]), 0, row + 1, 1, 1);
        for (int column = 0; column < kModeColumns; ++column) {
            const int index = ModeIndex(column, row);
            GtkWidget* radio = Named(gtk_radio_button_new_from_widget(GTK_RADIO_BUTTON(mNoMode)), kFirstModeId + index);
            hideUnless(radio, mShown.rows[row] && mShown.columns[column]);
            gtk_widget_set_sensitive(radio, mAvailable[index]);
            gtk_widget_set_halign(radio, GTK_ALIGN_CENTER);
            gtk_grid_attach(GTK_GRID(grid), radio, column + 1, row + 1, 1, 1);
            mModes[static_cast<std::size_t>(index)] = radio;
        }
    }
    gtk_toggle_button_set_active(GTK_TOGGLE_BUTTON(v.mode ? mModes[static_cast<std::size_t>(*v.mode)] : mNoMode), TRUE);
    gtk_grid_attach(GTK_GRID(grid), mNoMode, 0, kModeRows + 1, kModeColumns + 1, 1);
    gtk_widget_set_no_show_all(mNoMode, v.mode.has_value());
    GtkWidget* modeBox = gtk_box_new(GTK_ORIENTATION_VERTICAL, 0);
    gtk_box_pack_start(GTK_BOX(modeBox), grid, FALSE, FALSE, 0);
    GtkWidget* modeText = Explanation("The size the pictures are drawn in. In full screen they are scaled to fill "
                                      "the screen; only modes this display offers can be chosen.");
    gtk_box_pack_start(GTK_BOX(modeBox), modeText, FALSE, FALSE, 0);
    gtk_container_add(GTK_CONTAINER(modeFrame), modeBox);
    gtk_box_pack_start(GTK_BOX(page), modeFrame, FALSE, FALSE, 0);

    mFullScreen = CheckBox(page, 2032, "Use Fullscreen visualisation", v.fullScreen);

    GtkWidget* speedFrame = gtk_frame_new("Machine speed");
    GtkWidget* speeds = gtk_box_new(GTK_ORIENTATION_HORIZONTAL, 12);
    gtk_container_set_border_width(GTK_CONTAINER(speeds), 6);
    mFast = Named(gtk_radio_button_new_with_label(nullptr, "Fast"), 2031);
    mNormal = Named(gtk_radio_button_new_with_label_from_widget(GTK_RADIO_BUTTON(mFast), "Normal"), 2036);
    mSlow = Named(gtk_radio_button_new_with_label_from_widget(GTK_RADIO_BUTTON(mFast), "Slow"), 2037);
    // The course's own analysis keys, kept as they are while this stays checked.
    mCustomSpeed = Named(gtk_radio_button_new_with_label_from_widget(GTK_RADIO_BUTTON(mFast), "Custom"), 2043);
    gtk_widget_set_tooltip_text(mCustomSpeed, "The analysis settings of trainer.ini, which none of the three speeds matches");
    for (GtkWidget* r : {mFast, mNormal, mSlow, mCustomSpeed}) gtk_box_pack_start(GTK_BOX(speeds), r, FALSE, FALSE, 0);
    gtk_widget_set_no_show_all(mCustomSpeed, v.speed != MachineSpeed::Custom);
    GtkWidget* speed = v.speed == MachineSpeed::Slow     ? mSlow
                       : v.speed == MachineSpeed::Normal ? mNormal
                       : v.speed == MachineSpeed::Fast   ? mFast
                                                         : mCustomSpeed;
    gtk_toggle_button_set_active(GTK_TOGGLE_BUTTON(speed), TRUE);
    GtkWidget* speedBox = gtk_box_new(GTK_ORIENTATION_VERTICAL, 0);
    gtk_box_pack_start(GTK_BOX(speedBox), speeds, FALSE, FALSE, 0);
    GtkWidget* speedText = Explanation("How much is analysed while the child speaks. Fast: the spectrum and the "
                                       "voice's tone at once. Normal: the spectrum at once, the tone after the "
                                       "word. Slow: both after the word, for an old computer.");
    gtk_box_pack_start(GTK_BOX(speedBox), speedText, FALSE, FALSE, 0);
    gtk_container_add(GTK_CONTAINER(speedFrame), speedBox);
    gtk_box_pack_start(GTK_BOX(page), speedFrame, FALSE, FALSE, 0);
    return page;
}

GtkWidget* Sheet::BuildVolumePage() {
    GtkWidget* page = PageBox(kPages[1].resourceId);
    mVolumeLength.Build(page, mValues.volume.lineLength);
    HiddenCheckBox(page, false);
    return page;
}

GtkWidget* Sheet::BuildSpectrumPage() {
    const SpectrumPage& v = mValues.spectrum;
    GtkWidget* page = PageBox(kPages[2].resourceId);
    mHighlightErrors = CheckBox(page, 2004, "Highlight errors", v.highlightErrors);
    mSmooth = CheckBox(page, 2005, "Smooth curves", v.smoothCurves);
    mSpectrumOff = CheckBox(page, 2006, "Disable visual feedback", v.disableFeedback);
    return page;
}

GtkWidget* Sheet::BuildWordPage() {
    const WordPage& v = mValues.word;
    GtkWidget* page = PageBox(kPages[3].resourceId);
    mSpirant = CheckBox(page, 2002, "Highlight spirant", v.highlightSpirant);
    mAutoPlay = CheckBox(page, 2003, "Play example automatically", v.autoPlayback);
    mBackground = CheckBox(page, 2033, "Show background picture", v.showBackground);
    mWordOff = CheckBox(page, 2006, "Disable visual feedback", v.disableFeedback);
    return page;
}

GtkWidget* Sheet::BuildVoicePage() {
    GtkWidget* page = PageBox(kPages[4].resourceId);
    mVoiceLength.Build(page, mValues.voice.lineLength);
    HiddenCheckBox(page, mValues.voice.disableFeedback);
    return page;
}

GtkWidget* Sheet::BuildFeedbackPage() {
    const FeedbackPage& v = mValues.feedback;
    GtkWidget* page = PageBox(kPages[5].resourceId);
    GtkWidget* label = gtk_label_new("Use this animation for visual feedback:");
    gtk_widget_set_halign(label, GTK_ALIGN_START);
    gtk_box_pack_start(GTK_BOX(page), label, FALSE, FALSE, 0);
    mAnimation = Named(gtk_combo_box_text_new(), 2041);
    for (const std::string& item : v.items) gtk_combo_box_text_append_text(GTK_COMBO_BOX_TEXT(mAnimation), item.c_str());
    gtk_combo_box_set_active(GTK_COMBO_BOX(mAnimation), v.selected.value_or(-1));
    gtk_box_pack_start(GTK_BOX(page), mAnimation, FALSE, FALSE, 0);
    return page;
}

gboolean DrawMeter(GtkWidget* area, cairo_t* cr, gpointer meter) {
    static_cast<vBarMeter_c*>(meter)->Paint(cr, gtk_widget_get_allocated_width(area),
                                            gtk_widget_get_allocated_height(area));
    return TRUE;
}

GtkWidget* MeterArea(vBarMeter_c& meter, int id, int width, int height, GtkStyleContext* style) {
    GtkWidget* area = Named(gtk_drawing_area_new(), id);
    gtk_widget_set_size_request(area, width, height);
    GdkRGBA face;
    if (gtk_style_context_lookup_color(style, "theme_bg_color", &face))
        meter.SetBackground({face.red, face.green, face.blue});
    g_signal_connect(area, "draw", G_CALLBACK(DrawMeter), &meter);
    return area;
}

GtkWidget* Sheet::BuildMicrophonePage() {
    GtkWidget* page = PageBox(kPages[6].resourceId);
    GtkWidget* row = gtk_box_new(GTK_ORIENTATION_HORIZONTAL, 12);

    GtkWidget* volumeColumn = gtk_box_new(GTK_ORIENTATION_VERTICAL, 4);
    gtk_box_pack_start(GTK_BOX(volumeColumn), gtk_label_new("100 %"), FALSE, FALSE, 0);
    mVolume = Named(gtk_scale_new_with_range(GTK_ORIENTATION_VERTICAL, 0, 100, 1), 2036);
    gtk_range_set_inverted(GTK_RANGE(mVolume), TRUE);  // the top is 100 %
    gtk_scale_set_draw_value(GTK_SCALE(mVolume), FALSE);
    gtk_box_pack_start(GTK_BOX(volumeColumn), mVolume, TRUE, TRUE, 0);
    gtk_box_pack_start(GTK_BOX(volumeColumn), gtk_label_new("0 %"), FALSE, FALSE, 0);
    mVolumeText = Named(gtk_label_new(""), 2040);
    gtk_box_pack_start(GTK_BOX(volumeColumn), mVolumeText, FALSE, FALSE, 0);
    if (mOpeningVolume) {
        gtk_range_set_value(GTK_RANGE(mVolume), *mOpeningVolume);
        char text[32];
        std::snprintf(text, sizeof text, "%u %%", *mOpeningVolume);
        gtk_label_set_text(GTK_LABEL(mVolumeText), text);
    } else {
        // No mixer control to move: the slider stays still, and says why.
        gtk_widget_set_sensitive(mVolume, FALSE);
        gtk_label_set_text(GTK_LABEL(mVolumeText), "No mixer found:\nset the microphone's\nvolume in the system's\nsound settings.");
    }
    g_signal_connect(mVolume, "value-changed",
                     G_CALLBACK(+[](GtkRange*, gpointer self) { static_cast<Sheet*>(self)->OnVolumeMoved(); }), this);
    gtk_box_pack_start(GTK_BOX(row), volumeColumn, FALSE, FALSE, 0);

    GtkStyleContext* style = gtk_widget_get_style_context(page);
    mSpectrumMeter.SetBarCount(kBandCount);
    mLevelMeter.SetBarCount(1);
    mSpectrumArea = MeterArea(mSpectrumMeter, 2039, 320, 200, style);
    mLevelArea = MeterArea(mLevelMeter, 2041, 40, 200, style);
    gtk_box_pack_start(GTK_BOX(row), mSpectrumArea, TRUE, TRUE, 0);
    gtk_box_pack_start(GTK_BOX(row), mLevelArea, FALSE, FALSE, 0);
    gtk_box_pack_start(GTK_BOX(page), row, TRUE, TRUE, 0);

    GtkWidget* checkRow = gtk_box_new(GTK_ORIENTATION_HORIZONTAL, 12);
    GtkWidget* check = gtk_button_new_with_label("Check level");
    gtk_widget_set_name(check, "LevelCheck");
    g_signal_connect(check, "clicked",
                     G_CALLBACK(+[](GtkButton*, gpointer self) { static_cast<Sheet*>(self)->BeginLevelCheck(); }),
                     this);
    gtk_box_pack_start(GTK_BOX(checkRow), check, FALSE, FALSE, 0);
    mCheckText = gtk_label_new("");
    gtk_widget_set_name(mCheckText, "LevelCheckText");
    gtk_label_set_line_wrap(GTK_LABEL(mCheckText), TRUE);
    gtk_box_pack_start(GTK_BOX(checkRow), mCheckText, FALSE, FALSE, 0);
    gtk_box_pack_start(GTK_BOX(page), checkRow, FALSE, FALSE, 0);
    return page;
}

void Sheet::Build() {
    mDialog = gtk_dialog_new_with_buttons(LoadString(kSheetCaptionId), nullptr, GTK_DIALOG_MODAL, "_OK",
                                          GTK_RESPONSE_OK, "_Cancel", GTK_RESPONSE_CANCEL, nullptr);
    // The classic control ids of the two buttons: 1 is OK, 2 is Cancel.
    gtk_widget_set_name(gtk_dialog_get_widget_for_response(GTK_DIALOG(mDialog), GTK_RESPONSE_OK), "1");
    gtk_widget_set_name(gtk_dialog_get_widget_for_response(GTK_DIALOG(mDialog), GTK_RESPONSE_CANCEL), "2");
    mNotebook = gtk_notebook_new();
    const std::array<GtkWidget*, kPageCount> pages = {BuildScreenPage(), BuildVolumePage(),   BuildSpectrumPage(),
                                                      BuildWordPage(),   BuildVoicePage(),    BuildFeedbackPage(),
                                                      BuildMicrophonePage()};
    for (std::size_t i = 0; i < pages.size(); ++i) {
        // Alt and the underlined letter opens the page.
        std::string title = kPages[i].title;
        title.insert(static_cast<std::size_t>(kPages[i].mnemonic), "_");
        gtk_notebook_append_page(GTK_NOTEBOOK(mNotebook), pages[i], gtk_label_new_with_mnemonic(title.c_str()));
    }
    gtk_box_pack_start(GTK_BOX(gtk_dialog_get_content_area(GTK_DIALOG(mDialog))), mNotebook, TRUE, TRUE, 0);
}

int Sheet::Run(int startPage) {
    Build();
    platform::gtk::SetParent(GTK_WINDOW(mDialog), mParent);
    gtk_widget_show_all(mDialog);
    const int first = startPage >= 0 && startPage < kPageCount ? startPage : 0;
    gtk_notebook_set_current_page(GTK_NOTEBOOK(mNotebook), first);
    // Only now: showing the notebook passes through its first page, which
    // the user has not seen.
    g_signal_connect(mNotebook, "switch-page", G_CALLBACK(+[](GtkNotebook*, GtkWidget*, guint page, gpointer self) {
                         static_cast<Sheet*>(self)->OnPageShown(static_cast<int>(page));
                     }),
                     this);
    OnPageShown(first);
    for (;;) {
        if (gtk_dialog_run(GTK_DIALOG(mDialog)) != GTK_RESPONSE_OK) {
            StopCapture();
            if (mOpeningVolume) mMixer.Set(*mOpeningVolume);
            return 0;
        }
        if (!Collect()) continue;
        try {
            SaveSheet(mValues, mIniPath);
            StopCapture();
            return 1;
        } catch (const vException_c& e) {
            ShowMessage(mDialog, GTK_MESSAGE_ERROR, e.ShortText());
        }
    }
}

bool Sheet::Collect() {
    // A length left as the file had it is kept, even one out of range.
    const std::tuple<LineLengthEdit*, int, int*, int> edits[] = {
        {&mVolumeLength, 1, &mValues.volume.lineLength, mValues.read.volume.lineLength},
        {&mVoiceLength, 4, &mValues.voice.lineLength, mValues.read.voice.lineLength}};
    for (auto [edit, page, value, before] : edits) {
        if (edit->Unchanged(before)) {
            *value = before;
        } else if (edit->Value()) {
            *value = *edit->Value();
        } else {
            gtk_notebook_set_current_page(GTK_NOTEBOOK(mNotebook), page);
            ShowMessage(mDialog, GTK_MESSAGE_WARNING, LineLengthMessage());
            gtk_widget_grab_focus(edit->Entry());
            return false;
        }
    }

    ScreenPage& screen = mValues.screen;
    screen.mode.reset();
    for (int i = 0; i < kModeCount; ++i)
        if (Active(mModes[static_cast<std::size_t>(i)])) screen.mode = i;
    screen.fullScreen = Active(mFullScreen);
    screen.speed = Active(mSlow)     ? MachineSpeed::Slow
                   : Active(mNormal) ? MachineSpeed::Normal
                   : Active(mFast)   ? MachineSpeed::Fast
                                     : MachineSpeed::Custom;

    mValues.spectrum.highlightErrors = Active(mHighlightErrors);
    mValues.spectrum.smoothCurves = Active(mSmooth);
    mValues.spectrum.disableFeedback = Active(mSpectrumOff);
    mValues.word.highlightSpirant = Active(mSpirant);
    mValues.word.autoPlayback = Active(mAutoPlay);
    mValues.word.showBackground = Active(mBackground);
    mValues.word.disableFeedback = Active(mWordOff);
    const int item = gtk_combo_box_get_active(GTK_COMBO_BOX(mAnimation));
    if (item >= 0) mValues.feedback.selected = item;
    return true;
}

// The capture's reports wait in the library's message queue; this source
// hands them on from the sheet's main loop, about once per buffer.
struct CaptureSource {
    GSource base;
};

GSourceFuncs gCaptureFuncs = {
    [](GSource*, gint* timeout) -> gboolean {
        *timeout = 5;
        return vMicrophoneCapture_c::HasPending();
    },
    [](GSource*) -> gboolean { return vMicrophoneCapture_c::HasPending(); },
    [](GSource*, GSourceFunc, gpointer) -> gboolean {
        vMicrophoneCapture_c::DispatchPending();
        return G_SOURCE_CONTINUE;
    },
    nullptr, nullptr, nullptr};

void Sheet::OnPageShown(int page) {
    if (page == kMicrophonePage) StartCapture();
}

void Sheet::StartCapture() {
    if (mCapture) return;
    mCapture = std::make_unique<vMicrophoneCapture_c>(mSpectrumMeter, mLevelMeter,
                                                      [this](std::int32_t level) { OnBuffer(level); });
    if (!mCapture->Start()) return;
    mCaptureSource = g_source_new(&gCaptureFuncs, sizeof(CaptureSource));
    g_source_attach(mCaptureSource, nullptr);
}

void Sheet::StopCapture() {
    if (mCapture) mCapture->Stop();
    if (mCaptureSource) {
        g_source_destroy(mCaptureSource);
        g_source_unref(mCaptureSource);
        mCaptureSource = nullptr;
    }
}

void Sheet::OnBuffer(std::int32_t detectorLevel) {
    gtk_widget_queue_draw(mSpectrumArea);
    gtk_widget_queue_draw(mLevelArea);
    if (!mLevelCheck.Add(detectorLevel)) return;
    if (mLevelCheck.CurrentPhase() == vLevelCheck_c::Phase::Speech) {
        gtk_label_set_text(GTK_LABEL(mCheckText), "Now say a few words into the microphone.");
        return;
    }
    mLevelMeter.SetMarks(mLevelCheck.Noise(), mLevelCheck.Speech());
    // Asked from the main loop, not from inside the capture's delivery.
    mOffer = g_idle_add(+[](gpointer self) -> gboolean {
        static_cast<Sheet*>(self)->mOffer = 0;
        static_cast<Sheet*>(self)->OfferTrigger();
        return G_SOURCE_REMOVE;
    }, this);
}

void Sheet::OnVolumeMoved() {
    const unsigned percent = static_cast<unsigned>(gtk_range_get_value(GTK_RANGE(mVolume)) + 0.5);
    if (!mMixer.Set(percent)) return;
    char text[32];
    std::snprintf(text, sizeof text, "%u %%", percent);
    gtk_label_set_text(GTK_LABEL(mVolumeText), text);
}

void Sheet::BeginLevelCheck() {
    if (!mCapture || !mCapture->Running()) {
        gtk_label_set_text(GTK_LABEL(mCheckText), "The microphone cannot be heard: no level to check.");
        return;
    }
    mLevelMeter.SetMarks(-1, -1);
    mLevelCheck.Begin();
    gtk_label_set_text(GTK_LABEL(mCheckText), "Please keep quiet for two seconds.");
}

void Sheet::OfferTrigger() {
    const vLevelCheck_c& c = mLevelCheck;
    char text[512];
    std::snprintf(text, sizeof text, "Room noise %d, speech %d.", c.Noise(), c.Speech());
    gtk_label_set_text(GTK_LABEL(mCheckText), text);
    std::string now;
    try {
        now = std::to_string(keys::kTriggerLevel.Read());
    } catch (const vException_c&) {
        now = "unreadable";  // an unreadable value is replaced all the same
    }
    std::string message = std::string(text) + "\n\n";
    const vLevelCheck_c::Verdict verdict = c.Result();
    switch (verdict) {
        case vLevelCheck_c::Verdict::Silent:
            message += "Nothing was heard from the microphone. Check that it is plugged in, switched on and not "
                       "muted, then check the level again.";
            break;
        case vLevelCheck_c::Verdict::NotLouder:
            message += "The speech was no louder than the room noise, so words cannot be told from it. Move the "
                       "microphone closer, raise its volume or make the room quieter, then check the level again.";
            break;
        case vLevelCheck_c::Verdict::Close:
            message += "Speech is hardly louder than the room noise, so words may not be detected reliably. "
                       "Move the microphone closer, raise its volume or make the room quieter.\n\n";
            break;
        case vLevelCheck_c::Verdict::Clear: break;
    }
    const bool offer = verdict == vLevelCheck_c::Verdict::Clear || verdict == vLevelCheck_c::Verdict::Close;
    if (offer)
        message += "Set the trigger level of word detection to " + std::to_string(c.SuggestedTrigger()) + " (now " +
                   now + ")?";
    else
        message += "\n\nThe trigger level of word detection stays at " + now + ".";
    GtkWidget* box = gtk_message_dialog_new(
        GTK_WINDOW(mDialog), GTK_DIALOG_MODAL,
        verdict == vLevelCheck_c::Verdict::Clear ? GTK_MESSAGE_QUESTION : GTK_MESSAGE_WARNING,
        offer ? GTK_BUTTONS_YES_NO : GTK_BUTTONS_OK, "%s", message.c_str());
    gtk_window_set_title(GTK_WINDOW(box), LoadString(kSheetCaptionId));
    if (gtk_dialog_run(GTK_DIALOG(box)) == GTK_RESPONSE_YES) mValues.triggerLevel = c.SuggestedTrigger();
    gtk_widget_destroy(box);
}

}  // namespace

int RunSheet(const std::string& iniPath, std::uintptr_t parentWindow, int startPage) {
    if (!platform::gtk::Start()) {
        std::fprintf(stderr, "%s: no display to show them on.\n", LoadString(kSheetCaptionId));
        return 0;
    }
    if (!platform::IsRegularFile(iniPath)) {
        ShowMessage(nullptr, GTK_MESSAGE_ERROR, "The settings file \"" + iniPath + "\" was not found.", parentWindow);
        return 0;
    }
    std::optional<Sheet> sheet;
    try {
        sheet.emplace(iniPath, parentWindow);
    } catch (const vException_c& e) {
        ShowMessage(nullptr, GTK_MESSAGE_ERROR,
                    "The settings in \"" + iniPath + "\" could not be read. " + e.ShortText(), parentWindow);
        return 0;
    }
    return sheet->Run(startPage);
}

}  // namespace prefs
