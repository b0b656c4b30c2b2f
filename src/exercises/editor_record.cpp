#include "exercises/editor_record.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <strings.h>

#include "analysis/scoring/mark_source.h"
#include "analysis/scoring/phone_strings.h"
#include "display/dialogs/dialogs.h"
#include "display/dx_dc.h"
#include "events/window.h"
#include "exercises/acoustic_marks.h"
#include "exercises/app_services.h"
#include "exercises/editor_buttons.h"
#include "exercises/marker_buttons.h"
#include "exercises/result_view.h"
#include "exercises/word_buttons.h"
#include "objects/token_stream.h"
#include "platform/atomic_file.h"
#include "platform/message.h"
#include "platform/message_box.h"
#include "platform/path_case.h"
#include "platform/regular_file.h"
#include "settings/settings.h"

namespace {

bool Named(const vPropDesc_c& prop, const char* name) { return std::strcmp(prop.name, name) == 0; }

// Text positions of the results of takes 1-2, 2-3 and 3-1.
constexpr std::array<vDxPoint, 3> kPairTextPos{{{655, 130}, {655, 250}, {680, 200}}};

// The folder of the last successful load, shared by every editor.
std::string gLastLoadFolder;

// Marker positions closer than this (frames) are one marker to the mouse.
constexpr int32_t kMarkerGrip = 2;

// A string constant of a definition file.
std::string Quoted(const std::string& text) {
    std::string out = "\"";
    for (char c : text) {
        if (c == '"' || c == '\\') out += '\\';
        out += c;
    }
    return out + "\"";
}

// The name a definition file uses for path: relative to the current folder
// (the language folder) when inside it, "/" separators.
std::string DefinitionName(const std::filesystem::path& path) {
    std::error_code ec;
    const auto abs = std::filesystem::absolute(path, ec);
    const auto rel = std::filesystem::relative(abs, std::filesystem::current_path(ec), ec);
    if (!ec && !rel.empty() && *rel.begin() != "..") return rel.generic_string();
    return abs.generic_string();
}

// The phones a teacher typed as the exercise keeps them ("f ih1  sh" ->
// "F IH SH"); raises naming the first one the acoustic model lacks.
std::string PhoneString(const std::string& typed) {
    const std::vector<std::string> phones = ParsePhones(typed);
    for (const std::string& phone : phones) {
        if (SampaOfPhone(phone).empty())
            throw vPrintException_c(0,
                                    "\"%s\" is not a phone the acoustic judge knows. Write the word's phones in "
                                    "ARPAbet, separated by blanks (\"F IH SH\" for fish), or leave the field empty.",
                                    phone.c_str());
    }
    return JoinPhones(phones);
}

// An information box over the recorder while it saves.
void TellOnSaving(const std::string& text) {
    platform::MessageBoxRecord box;
    box.caption = "Save the exercise";
    box.text = text;
    box.icon = platform::BoxIcon::Information;
    dialogs::ModalScope modal;
    platform::ShowMessageBox(box);
}

void WriteWhole(const std::string& path, const std::string& text) {
    if (!platform::WriteFileAtomically(path, text))
        throw vPrintException_c(0, "Cannot write %s: %s", path.c_str(), std::strerror(errno));
}

}  // namespace

std::string vEdRecordExercise_c::PlaybackFolder() {
    for (const char* name : {"TEMP", "TMPDIR"}) {
        const char* value = std::getenv(name);
        if (!value || !*value) continue;
        if (std::strlen(value) >= 200) return {};
        return platform::ToForwardSlashes(value);
    }
    return "/tmp";
}

vEdRecordExercise_c::vEdRecordExercise_c() : mScore(vWordScoreSettings_c::Read()) {
    mScore.minResult = 5000;
    mScore.maxResult = 2000;
    if (gSettings.FileName()) {
        mErrorLevel = kDisplayErrorLevel.Read();
        mScore.minResult = gSettings.GetInt("Editor/Recorder/MinResult", mScore.minResult);
        mScore.maxResult = gSettings.GetInt("Editor/Recorder/MaxResult", mScore.maxResult);
    }
    mDispHeight = 100;
    for (vRecording_c& take : mTakes) {
        take.Allocate(kRecordingFrames);
        take.SetProcessor(&Processor());
    }
}

vEdRecordExercise_c::~vEdRecordExercise_c() = default;

void vEdRecordExercise_c::Show() {
    vTrAppServices_i* app = AppServices();
    if (!app || app->TeacherLoggedIn() == 0) {
        // Making exercises is the teacher's.
        Destroy(mSaveBtn);
        Destroy(mEditBtn);
        Destroy(mAutoSegmentBtn);
    }
    for (vDxFileButton_c* b : {static_cast<vDxFileButton_c*>(mChActBtn.get()),
                               static_cast<vDxFileButton_c*>(mDispErrBtn.get()),
                               static_cast<vDxFileButton_c*>(mSaveBtn.get()),
                               static_cast<vDxFileButton_c*>(mEditBtn.get()),
                               static_cast<vDxFileButton_c*>(mAutoSegmentBtn.get())})
        SubscribeButton(b);
    vTrWordBase_c::Show();
    StartRecording();
}

void vEdRecordExercise_c::DrawBackground(bool full) {
    vTrExercise_c::DrawBackground(false);
    if (mExImage) {
        mDispWidth = mExImage->GetWidth();
        mDispHeight = mExImage->GetHeight();
        for (vDxPoint p : kSlotPos) BltImage(p, *mExImage);
    }
    if (!full) return;
    SetActive(0);
    for (vDxFileButton_c* b : {static_cast<vDxFileButton_c*>(mChActBtn.get()),
                               static_cast<vDxFileButton_c*>(mDispErrBtn.get()),
                               static_cast<vDxFileButton_c*>(mSaveBtn.get()),
                               static_cast<vDxFileButton_c*>(LoadBtn())})
        if (b) b->ShowNormal();
    for (vTrResultView_c* view : {mResDisplay.get(), mResDisplay2.get()})
        if (view) view->ShowEntry(vTrResultView_c::kNoMark);
    RedrawDisplay();
}

void vEdRecordExercise_c::DrawControls() {
    vTrWordBase_c::DrawControls();
    for (vDxFileButton_c* b : {static_cast<vDxFileButton_c*>(mChActBtn.get()),
                               static_cast<vDxFileButton_c*>(mDispErrBtn.get()),
                               static_cast<vDxFileButton_c*>(mSaveBtn.get()),
                               static_cast<vDxFileButton_c*>(mEditBtn.get()),
                               static_cast<vDxFileButton_c*>(mAutoSegmentBtn.get())})
        if (b) b->Redraw();
    RedrawResultViews({mResDisplay.get(), mResDisplay2.get()});
}

void vEdRecordExercise_c::DrawDisplayBackground(vDxImage_i& target, vDxPoint position) {
    if (mExImage) {
        target.BltImage(position, *mExImage);
    } else {
        target.FillRect({position.x, position.y, mDispWidth, mDispHeight}, target.MakeColor(kTrBlackPaletteIndex));
    }
}

void vEdRecordExercise_c::SetActive(int slot) {
    Suspend();
    mActive = ((slot % kSlots) + kSlots) % kSlots;
    mSelected = -1;
    if (mChActBtn) mChActBtn->SetValue(static_cast<unsigned>(mActive));
    DrawFrames();
    Resume();
}

void vEdRecordExercise_c::DrawFrames() {
    if (!GetSurface()) return;
    const uint32_t red = MakeColor(255, 0, 0), black = MakeColor(0, 0, 0);
    auto dc = CreateDC();
    for (int i = 0; i < kSlots; ++i) {
        const vDxPoint p = kSlotPos[static_cast<size_t>(i)];
        const uint32_t colour = i == mActive ? red : black;
        const int x0 = p.x - 1, y0 = p.y - 1, x1 = x0 + mDispWidth, y1 = y0 + mDispHeight;
        dc->DrawLine(x0, y0, x0, y1, colour);
        dc->DrawLine(x0, y1, x1, y1, colour);
        dc->DrawLine(x1, y1, x1, y0, colour);
        dc->DrawLine(x1, y0, x0, y0, colour);
    }
    dc.reset();
    Changed();
}

vTrWordDisplay_c::Args vEdRecordExercise_c::SlotArgs(int slot) {
    return DisplayArgs(kSlotPos[static_cast<size_t>(slot)], Take(slot), nullptr, nullptr);
}

void vEdRecordExercise_c::DrawSlot(int slot) {
    if (!GetSurface()) return;
    const auto args = SlotArgs(slot);
    DrawRecording(args, mErrorLevel);
    if (Take(slot).HasData() && DisplayMode() <= 2) Display().DrawMarkers(args);
}

void vEdRecordExercise_c::DrawPairs() {
    for (int pair = 0; pair < kSlots; ++pair) {
        vRecording_c& a = Take(pair);
        vRecording_c& b = Take((pair + 1) % kSlots);
        mPairDistance[static_cast<size_t>(pair)] = -1;
        mPairMark[static_cast<size_t>(pair)] = 0;
        if (a.RecSize() <= 0 || b.RecSize() <= 0) continue;
        vWarpData_c warp;
        warp.SetDeviationLimit(mScore.deviationLimit);
        warp.Warp(a, b, mScore.dontCareLevel);
        const int32_t distance = warp.Distance();
        const int32_t mark = MarkFromDistance(distance, mScore.minResult, mScore.maxResult);
        mPairDistance[static_cast<size_t>(pair)] = distance;
        mPairMark[static_cast<size_t>(pair)] = mark;
        if (!GetSurface()) continue;
        char text[64];
        std::snprintf(text, sizeof text, ">>%1i<< %10i   ", static_cast<int>(mark), static_cast<int>(distance));
        const vDxPoint p = kPairTextPos[static_cast<size_t>(pair)];
        const vDxRect box{p.x, p.y, 140, 20};
        // The text is drawn transparently: the previous result goes first.
        if (vDxImage_i* bg = vTrExercise_c::GetBgImage()) {
            BltClipped({p.x, p.y}, *bg, box);
        } else {
            FillRect(box, MakeColor(kTrGreyPaletteIndex));
        }
        DrawTextBox(box, text, platform::FontChoice{"DejaVu Sans Mono", false, 10}, platform::TextColour{0, 0, 0});
    }
    Changed();
}

void vEdRecordExercise_c::RedrawDisplay() {
    for (int i = 0; i < kSlots; ++i) DrawSlot(i);
    DrawFrames();
    DrawPairs();
}

void vEdRecordExercise_c::SetDisplayMode(int mode) { vTrWordBase_c::SetDisplayMode(mode); }

void vEdRecordExercise_c::WordRecorded(vRecording_c& recording) {
    vRecording_c& take = Take(mActive);
    take = recording;
    take.SetProcessor(&Processor());
    CalculateWith(take, mScore);
    DrawSlot(mActive);
    DrawPairs();
    SetActive(mActive + 1);
}

void vEdRecordExercise_c::LoadTake(const std::string& file, int slot) {
    vRecording_c& take = Take(slot);
    take.SetProcessor(&Processor());
    take.LoadWave(platform::MatchExistingCase(platform::ToForwardSlashes(file)));
    CalculateWith(take, mScore);
    DrawSlot(slot);
}

void vEdRecordExercise_c::LoadExerciseFile() {
    Suspend();
    dialogs::FileChoice choice;
    choice.filters = {{"Editor files (*.exc)", "*.exc"}};
    choice.folderKey = "editor-load";
    choice.folder = gLastLoadFolder;
    const std::optional<std::string> file = dialogs::ChooseOpenFile(choice);
    if (!file) {
        Resume();
        return;
    }
    gLastLoadFolder = std::filesystem::path(*file).parent_path().generic_string();
    try {
        LoadExerciseTakes(*file);
    } catch (const vException_c& e) {
        Report(e, vWindow_c::kWarning);
    }
    Resume();
}

void vEdRecordExercise_c::LoadExerciseTakes(const std::string& path) {
    vIncludeFileInpStrm_c in;
    in.SetTokenSyntax(gDBTokenSyntax);
    in.Open(platform::MatchExistingCase(platform::ToForwardSlashes(path)));
    std::string active;
    const char* names[] = {"WavFileName", "EditorWavFileName1", "EditorWavFileName2", "EditorWavFileName3"};
    for (int i = 0; i < 4; ++i) {
        if (!in.SkipTo(names[i])) throw vPrintException_c(0, "Strm error: cannot find property '%s'", names[i]);
        if (in.NextToken() != "=") throw vTextException_c("Strm error: '=' expected.");
        std::string value = in.NextToken();
        if (value.size() < 2 || value.front() != '"' || value.back() != '"')
            throw vTextException_c("Strm error: string constant expected.");
        value = value.substr(1, value.size() - 2);
        if (in.NextToken() != ";") throw vTextException_c("Strm error: ';' expected.");
        if (i == 0) {
            active = value;
        } else if (value.empty()) {
            // A slot the teacher left empty when she saved stays empty.
            Take(i - 1).Clear();
            Take(i - 1).SetWavFileName("");
            DrawSlot(i - 1);
        } else {
            LoadTake(value, i - 1);
            Take(i - 1).SetWavFileName(value);
        }
    }
    // Its phones, when it has them, come back into the save dialog.
    mPhones.clear();
    if (in.SkipTo("Phones") && in.NextToken() == "=") {
        const std::string value = in.NextToken();
        if (value.size() >= 2 && value.front() == '"' && value.back() == '"') mPhones = value.substr(1, value.size() - 2);
    }
    DrawPairs();
    for (int slot = 0; slot < kSlots; ++slot) {
        if (strcasecmp(Take(slot).WavFileName().c_str(), active.c_str()) == 0) {
            SetActive(slot);
            return;
        }
    }
    platform::ShowMessageBox({"Cannot set active reference. (Red box.)", "Warning!", platform::BoxIcon::Exclamation});
}

void vEdRecordExercise_c::StartPlayback() {
    vRecording_c& take = Take(mActive);
    if (!take.HasData() || !Detector().Settings().waveSupport) return;
    const std::string folder = PlaybackFolder();
    if (folder.empty()) return;
    std::error_code ec;
    std::filesystem::create_directories(folder, ec);
    const bool slash = folder.back() == '/' || folder.back() == '\\';
    mLastPlaybackFile = folder + (slash ? "" : "/") + "vTrPlay.wav";
    take.SaveWave(mLastPlaybackFile, false);
    vTrPlayback_c* playback = Playback();
    if (!playback || playback->HasDevice()) return;
    vTrWordBase_c::StartPlayback();
    try {
        playback->PlayFile(mLastPlaybackFile.c_str());
    } catch (const vException_c& e) {
        Report(e, vWindow_c::kWarning);
        PlaybackFinished();
    }
}

// --- markers ---

size_t vEdRecordExercise_c::AddMarker(int32_t frame, const std::string& label, const std::string& code) {
    vRecording_c& take = Take(mActive);
    auto marker = std::make_unique<vSegmentMarker_c>();
    marker->label = label;
    marker->segmentCode = code;
    marker->SetPos(std::clamp(frame, 0, std::max(take.RecSize() - 1, 0)), false);
    if (take.WordBegin() >= 0) marker->MakeAbsolute(take.WordBegin());
    take.Markers().Add(std::move(marker));
    mSelected = static_cast<int>(take.Markers().Count()) - 1;
    DrawSlot(mActive);
    return static_cast<size_t>(mSelected);
}

void vEdRecordExercise_c::MoveMarker(size_t index, int32_t frame) {
    vRecording_c& take = Take(mActive);
    auto* marker = dynamic_cast<vSegmentMarker_c*>(&take.Markers()[index]);
    if (!marker) return;
    marker->SetPos(std::clamp(frame, 0, std::max(take.RecSize() - 1, 0)), false);
    if (take.WordBegin() >= 0) marker->MakeAbsolute(take.WordBegin());
    DrawSlot(mActive);
}

void vEdRecordExercise_c::RemoveMarker(size_t index) {
    vRecMarkerList_c& markers = Take(mActive).Markers();
    if (index >= markers.Count()) return;
    markers.erase(markers.begin() + static_cast<std::ptrdiff_t>(index));
    mSelected = -1;
    DrawSlot(mActive);
}

void vEdRecordExercise_c::EditMarkerClicked() {
    if (mSelected >= 0) EditMarker(static_cast<size_t>(mSelected));
}

bool vEdRecordExercise_c::EditMarker(size_t index) {
    vRecording_c& take = Take(mActive);
    if (index >= take.Markers().Count()) return false;
    auto* marker = dynamic_cast<vSegmentMarker_c*>(&take.Markers()[index]);
    if (!marker) return false;
    dialogs::MarkerText text;
    text.label = marker->label;
    text.code = marker->segmentCode;
    text.font = {marker->fontName, marker->fontSize};
    text.defaultFont = {take.MarkerFontName(), take.MarkerFontSize()};
    if (!dialogs::EditMarker(text)) return false;
    marker->label = text.label;
    marker->segmentCode = text.code;
    marker->fontName = text.font.face;
    marker->fontSize = text.font.points;
    take.SetMarkerFontName(text.defaultFont.face);
    take.SetMarkerFontSize(text.defaultFont.points);
    DrawSlot(mActive);
    return true;
}

int32_t vEdRecordExercise_c::FrameAt(int x, int y) {
    vRecording_c& take = Take(mActive);
    const vDxPoint p = SlotPos(mActive);
    if (!take.HasData() || take.RecSize() <= 0 || y < p.y || y >= p.y + mDispHeight || x < p.x ||
        x >= p.x + mDispWidth)
        return -1;
    const auto args = SlotArgs(mActive);
    const int32_t first = Display().ColumnX(args, 0);
    if (x < first) return -1;
    const int32_t frame = (x - first) / std::max(args.columnWidth, 1);
    return frame < take.RecSize() ? frame : -1;
}

int32_t vEdRecordExercise_c::MarkerFrame(const vRecording_c& take, const vSegmentMarker_c& marker) {
    if (marker.pos != kMarkerUndefined) return marker.pos;
    if (marker.absPos != kMarkerUndefined && take.WordBegin() >= 0) return marker.absPos - take.WordBegin();
    return kMarkerUndefined;
}

int32_t vEdRecordExercise_c::MarkerFrame(size_t index) {
    vRecording_c& take = Take(mActive);
    if (index >= take.Markers().Count()) return kMarkerUndefined;
    const auto* m = dynamic_cast<const vSegmentMarker_c*>(&take.Markers()[index]);
    return m ? MarkerFrame(take, *m) : kMarkerUndefined;
}

int vEdRecordExercise_c::MarkerNear(int32_t frame) {
    const vRecMarkerList_c& markers = Take(mActive).Markers();
    for (size_t i = 0; i < markers.Count(); ++i) {
        const int32_t at = MarkerFrame(i);
        if (at != kMarkerUndefined && std::abs(at - frame) <= kMarkerGrip) return static_cast<int>(i);
    }
    return -1;
}

vEdRecordExercise_c::Result vEdRecordExercise_c::OnLeftDown(int x, int y, std::uintptr_t keyFlags) {
    const int32_t frame = FrameAt(x, y);
    vTrAppServices_i* app = AppServices();
    if (frame < 0 || !app || app->TeacherLoggedIn() == 0) return vCmdTarget_c::OnLeftDown(x, y, keyFlags);
    mSelected = MarkerNear(frame);
    if (mSelected < 0) AddMarker(frame, std::to_string(Take(mActive).Markers().Count() + 1), "");
    mDragging = true;
    return 0;
}

vEdRecordExercise_c::Result vEdRecordExercise_c::OnMouseMove(int x, int y, std::uintptr_t keyFlags) {
    if (!mDragging || mSelected < 0) return vCmdTarget_c::OnMouseMove(x, y, keyFlags);
    const int32_t frame = FrameAt(x, y);
    if (frame >= 0) MoveMarker(static_cast<size_t>(mSelected), frame);
    return 0;
}

vEdRecordExercise_c::Result vEdRecordExercise_c::OnLeftUp(int x, int y, std::uintptr_t keyFlags) {
    if (!mDragging) return vCmdTarget_c::OnLeftUp(x, y, keyFlags);
    mDragging = false;
    return 0;
}

vEdRecordExercise_c::Result vEdRecordExercise_c::OnLeftDouble(int x, int y, std::uintptr_t keyFlags) {
    const int32_t frame = FrameAt(x, y);
    const int near = frame >= 0 ? MarkerNear(frame) : -1;
    if (near < 0) return vCmdTarget_c::OnLeftDouble(x, y, keyFlags);
    mSelected = near;
    EditMarker(static_cast<size_t>(near));
    return 0;
}

vEdRecordExercise_c::Result vEdRecordExercise_c::OnKeyDown(std::uintptr_t key, unsigned repeat, unsigned flags) {
    if (key != platform::key::kDelete || mSelected < 0) return vCmdTarget_c::OnKeyDown(key, repeat, flags);
    RemoveMarker(static_cast<size_t>(mSelected));
    return 0;
}

std::vector<int32_t> vEdRecordExercise_c::AutoSegment() {
    vRecording_c& take = Take(mActive);
    const int32_t n = take.RecSize();
    std::vector<int32_t> frames;
    if (n <= 0) return frames;
    // Spectral change at frame i: the band levels of the two frames after
    // the boundary against the two before, summed over the bands.
    auto level = [&](int32_t i, int b) { return take.WordFrame(std::clamp(i, 0, n - 1)).channels[b]; };
    std::vector<double> change(static_cast<size_t>(n), 0.0);
    for (int32_t i = 2; i + 1 < n; ++i) {
        double d = 0;
        for (int b = 0; b < kBandCount; ++b)
            d += std::abs((level(i, b) + level(i + 1, b)) - (level(i - 1, b) + level(i - 2, b))) / 2.0;
        change[static_cast<size_t>(i)] = d;
    }
    double mean = 0, square = 0;
    for (double d : change) mean += d;
    mean /= n;
    for (double d : change) square += (d - mean) * (d - mean);
    const double threshold = mean + 0.5 * std::sqrt(square / n);
    std::vector<int32_t> peaks;
    for (int32_t i = 2; i + 1 < n; ++i) {
        const double d = change[static_cast<size_t>(i)];
        if (d > threshold && d >= change[static_cast<size_t>(i - 1)] && d > change[static_cast<size_t>(i + 1)])
            peaks.push_back(i);
    }
    std::sort(peaks.begin(), peaks.end(),
              [&](int32_t a, int32_t b) { return change[static_cast<size_t>(a)] > change[static_cast<size_t>(b)]; });
    // A sound that builds up slowly (the low bands' filters ring in) peaks
    // late: the boundary is where its change first reached half the peak.
    for (int32_t& p : peaks) {
        const double half = change[static_cast<size_t>(p)] / 2;
        while (p > 2 && change[static_cast<size_t>(p - 1)] >= half) --p;
    }
    // Segments shorter than about 50 ms are not sounds of their own.
    constexpr int32_t kMinSegment = 4;
    constexpr size_t kMaxBoundaries = 7;
    frames.push_back(0);
    for (int32_t p : peaks) {
        if (frames.size() > kMaxBoundaries) break;
        if (p < kMinSegment || p > n - kMinSegment) continue;
        if (std::all_of(frames.begin(), frames.end(), [&](int32_t f) { return std::abs(f - p) >= kMinSegment; }))
            frames.push_back(p);
    }
    std::sort(frames.begin(), frames.end());
    take.Markers().clear();
    for (size_t i = 0; i < frames.size(); ++i) AddMarker(frames[i], std::to_string(i + 1), "");
    return frames;
}

// --- saving ---

bool vEdRecordExercise_c::SaveExercise() {
    Suspend();
    if (!Take(mActive).HasData()) {
        // After a first take the red box has moved on to an empty slot: say
        // so rather than let the button seem dead.
        TellOnSaving("Take " + std::to_string(mActive + 1) +
                     " (the red box) holds no word. Record it, or choose a take that holds one with the take button.");
        Resume();
        return false;
    }
    dialogs::FileChoice choice;
    choice.title = "Save the exercise";
    choice.filters = {{"Exercise files (*.exc)", "*.exc"}};
    choice.folderKey = "editor-save";
    if (vTrAppServices_i* app = AppServices()) choice.folder = app->CurrentMenuDir();
    dialogs::FileField phones{"Phones (e.g. F IH SH; empty: the dictionary's for the name)", mPhones};
    std::optional<std::string> file;
    bool saved = false;
    // A phone string the acoustic model cannot say is refused before
    // anything is written, and the chooser comes back with the teacher's
    // name and phones for her to mend.
    while (!saved && (file = dialogs::ChooseSaveFile(choice, &phones))) {
        try {
            PhoneString(phones.text);
        } catch (const vException_c& e) {
            Report(e, vWindow_c::kError);
            choice.folder = std::filesystem::path(*file).parent_path().string();
            choice.fileName = std::filesystem::path(*file).filename().string();
            choice.folderKey.clear();
            continue;
        }
        try {
            SaveExerciseAs(*file, phones.text);
            saved = true;
        } catch (const vException_c& e) {
            Report(e, vWindow_c::kError);
            break;
        }
    }
    if (saved && ParsePhones(phones.text).empty()) TellOfNameWithoutPhones(*file);
    if (saved) {
        // The card: a picture the teacher chooses, else the word's name
        // written on it.
        dialogs::FileChoice pictureChoice;
        pictureChoice.title = "A picture for the new card (Cancel: the card shows the word's name)";
        pictureChoice.filters = {{"Pictures (*.bmp, *.jpg)", "*.bmp;*.jpg"}};
        pictureChoice.folderKey = "editor-card";
        if (const std::optional<std::string> picture = dialogs::ChooseOpenFile(pictureChoice)) {
            try {
                SaveCardPicture(*file, *picture);
            } catch (const vException_c& e) {
                Report(e, vWindow_c::kError);
            }
        }
    }
    Resume();
    return saved;
}

void vEdRecordExercise_c::TellOfNameWithoutPhones(const std::string& excPath) {
    const vMarkSourceSettings_c marks = vMarkSourceSettings_c::Read();
    const std::string name = std::filesystem::path(platform::ToForwardSlashes(excPath)).stem().string();
    if (marks.source == vMarkSource::Warp || !vTrAcousticMarks_c::DictionaryLacks(name, marks.acousticModel)) return;
    TellOnSaving("The pronouncing dictionary has no word \"" + name +
                 "\", so this exercise is marked only by comparing the pupil with your recording. To have the "
                 "acoustic judge mark it too, save it again and give its phones (e.g. F IH SH for fish).");
}

void vEdRecordExercise_c::SaveExerciseAs(const std::string& excPath, const std::string& phones) {
    namespace fs = std::filesystem;
    const fs::path exc(platform::ToForwardSlashes(excPath));
    const fs::path folder = exc.parent_path();
    const std::string stem = exc.stem().string();
    if (stem.empty()) throw vTextException_c("The exercise needs a name.");
    const std::string phoneString = PhoneString(phones);
    vRecording_c& active = Take(mActive);
    if (!active.HasData()) throw vTextException_c("The active take holds no word.");
    std::error_code ec;
    if (!fs::is_directory(folder.empty() ? fs::path(".") : folder, ec))
        throw vPrintException_c(0, "Cannot save into %s: there is no such folder.", folder.c_str());

    // The takes first: the etalon and the exercise name them, the active
    // one being the etalon's sound.
    std::array<std::string, kSlots> takeNames;
    for (int i = 0; i < kSlots; ++i) {
        if (!Take(i).HasData()) continue;
        const fs::path wav = folder / (stem + "_" + std::to_string(i + 1) + ".wav");
        try {
            Take(i).SaveWave(wav.string(), false);
        } catch (const vException_c&) {
            // The recording's own message does not name the file.
            throw vPrintException_c(0, "Cannot write %s: %s", wav.c_str(), std::strerror(errno));
        }
        takeNames[static_cast<size_t>(i)] = DefinitionName(wav);
    }
    const std::string wavName = takeNames[static_cast<size_t>(mActive)];

    std::string dat = "// Etalon of \"" + stem + "\", recorded in the editor.\n<vRecording_c> Obj = {\n";
    dat += "  WavFileName = " + Quoted(wavName) + ";\n";
    if (!active.MarkerFontName().empty()) dat += "  MarkerFontName = " + Quoted(active.MarkerFontName()) + ";\n";
    dat += "  MarkerFontSize = " + std::to_string(active.MarkerFontSize()) + ";\n";
    dat += "  Markers = {\n";
    for (size_t i = 0; i < active.Markers().Count(); ++i) {
        const auto* m = dynamic_cast<const vSegmentMarker_c*>(&active.Markers()[i]);
        if (!m) continue;
        const int32_t pos = MarkerFrame(active, *m);
        if (pos < 0 || pos >= active.RecSize()) continue;  // outside the word
        dat += "    <vSegmentMarker_c> = {\n      Label = " + Quoted(m->label) + ";\n      SegmentCode = " +
               Quoted(m->segmentCode) + ";\n";
        if (!m->fontName.empty()) dat += "      FontName = " + Quoted(m->fontName) + ";\n";
        dat += "      Pos = " + std::to_string(pos) + ";\n    }\n";
    }
    dat += "  }\n}\n";
    const fs::path datPath = folder / (stem + ".dat");
    WriteWhole(datPath.string(), dat);

    std::string text = "// Word exercise \"" + stem + "\", made in the editor.\n<vTrWordExercise_c> Obj = {\n";
    text += "  ExerciseType = 3;\n";
    // The course's layout of a word exercise (buttons, result pictures,
    // card place), so that the new exercise is used like the shipped ones.
    const std::string& layout = mWordLayout;
    if (!layout.empty()) text += "  #include " + Quoted(layout) + "\n";
    text += "  EtalonFile = " + Quoted(DefinitionName(datPath)) + ";\n";
    text += "  WavFileName = " + Quoted(wavName) + ";\n";
    for (int i = 0; i < kSlots; ++i)
        text += "  EditorWavFileName" + std::to_string(i + 1) + " = " + Quoted(takeNames[static_cast<size_t>(i)]) +
                ";\n";
    if (!phoneString.empty()) text += "  Phones = " + Quoted(phoneString) + ";\n";
    if (layout.empty()) {
        text += "  EtalonPos = { x = 40; y = 40; }\n  SayPos = { x = 40; y = 230; }\n";
        text += "  ResDisplay = { PosX = 660; PosY = 80; }\n";
    }
    text += "}\n";
    WriteWhole(exc.string(), text);
}

void vEdRecordExercise_c::SaveCardPicture(const std::string& excPath, const std::string& picture) {
    namespace fs = std::filesystem;
    std::string extension = fs::path(picture).extension().string();
    std::transform(extension.begin(), extension.end(), extension.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    if (extension != ".bmp" && extension != ".jpg")
        throw vPrintException_c(0, "%s is not a card picture: a card takes a .bmp or .jpg file.", picture.c_str());
    std::string bytes;
    if (!platform::ReadRegularFile(picture, bytes, kMaxCardPictureBytes))
        throw vPrintException_c(0, "Cannot read %s: it %s", picture.c_str(), platform::OpenFailureText(errno).c_str());
    fs::path target(platform::ToForwardSlashes(excPath));
    target.replace_extension(extension);
    WriteWhole(target.string(), bytes);
}

void vEdRecordExercise_c::OnDeclare(const char* path, const char* className, const vPropDesc_c& prop,
                                    void* address) {
    if (Named(prop, "ExImage")) {
        DeclareImage(prop, className, &vDxImage_i::sTypeInfo);
    } else if (Named(prop, "ChActBtn")) {
        MakeControlButton(mChActBtn, 0, 0);
    } else if (Named(prop, "DispErrBtn")) {
        MakeControlButton(mDispErrBtn, 0, 0);
    } else if (Named(prop, "SaveBtn")) {
        MakeControlButton(mSaveBtn, 0, 0);
    } else if (Named(prop, "EditBtn")) {
        MakeControlButton(mEditBtn, 0, 0);
    } else if (Named(prop, "AutoSegmentBtn")) {
        MakeControlButton(mAutoSegmentBtn, 0, 0);
    } else if (Named(prop, "ResDisplay") || Named(prop, "ResDisplay2")) {
        MakeResultView(Named(prop, "ResDisplay") ? mResDisplay : mResDisplay2);
    } else {
        vTrWordBase_c::OnDeclare(path, className, prop, address);
    }
}

V_REGISTER_CLASS(vEdRecordExercise_c,
    V_PROP_DECLARED("ExImage", mExImage),
    V_PROP_FIXED("ChActBtn", mChActBtn),
    V_PROP_FIXED("DispErrBtn", mDispErrBtn),
    V_PROP_FIXED("SaveBtn", mSaveBtn),
    V_PROP_FIXED("EditBtn", mEditBtn),
    V_PROP_FIXED("AutoSegmentBtn", mAutoSegmentBtn),
    V_PROP_FIXED("ResDisplay", mResDisplay),
    V_PROP_FIXED("ResDisplay2", mResDisplay2),
    V_PROP("ShowSpirant", mShowSpirant),
    V_PROP("ShowVocal", mShowVocal),
    V_PROP("EtalonFile", mEtalonFile),
    V_PROP("WavFileName", mWavFileName),
    V_PROP("WordLayout", mWordLayout),
    V_PROP("MinValues", mMinValues),
    V_PROP("MaxValues", mMaxValues),
    V_PROP("MinWeight", mMinWeight),
    V_PROP("MaxWeight", mMaxWeight));
