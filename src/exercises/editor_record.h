#pragma once
// vEdRecordExercise_c: the teacher's recorder of reference words. Three takes
// of one word stand one above the other; each detected word goes into the
// slot of the red box, which then moves on. Every pair of takes is warped and
// marked so that the most typical take can be chosen; the active take plays,
// and the three takes of an exercise file can be loaded back.
//
// Beyond recording, the teacher makes a new word exercise from the active
// take: segment markers are placed (click), moved (drag), edited (dialog 120)
// and deleted (Delete key) on its display, or proposed by the auto-segmenter;
// saving writes the take's WAV, the etalon definition with its markers and
// the word exercise that uses them.
//
// Owns the three takes, the pairwise results and every object of its
// properties. User-interface thread only.

#include <array>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "analysis/time_warp.h"
#include "exercises/marker_commands.h"
#include "exercises/word_base.h"
#include "objects/str_tmpl.h"

class vTrResultView_c;
class vSegmentMarker_c;
class vEdChActBtn_c;
class vEdDispErrBtn_c;
class vEdSaveBtn_c;
class vEdLoadBtn_c;
class vTrEditBtn_c;
class vHm1EdAutoSegmentBtn_c;

class vEdRecordExercise_c : public vTrWordBase_c, public vTrMarkerCommands_i {
    V_RTTI_CLASS(vEdRecordExercise_c, vTrWordBase_c)
public:
    static constexpr int kSlots = kEditorTakes;
    // Where a playback file goes: $TEMP, else $TMPDIR, else "/tmp"; empty
    // when the variable is 200 characters or longer.
    static std::string PlaybackFolder();

    vEdRecordExercise_c();
    ~vEdRecordExercise_c() override;

    // --- vTrExercise_c ---
    // The word base's show (which drops the teacher's buttons when no
    // teacher is logged in), then listening.
    void Show() override;
    // Background and the three display pictures; full: slot 0 active, the
    // buttons shown, the result views at entry 0 and the takes drawn.
    void DrawBackground(bool full) override;
    void DrawControls() override;
    int GetKind() override { return 6; }
    void OnDeclare(const char* path, const char* className, const vPropDesc_c& prop, void* address) override;
    Result OnLeftDown(int x, int y, std::uintptr_t keyFlags) override;
    Result OnMouseMove(int x, int y, std::uintptr_t keyFlags) override;
    Result OnLeftUp(int x, int y, std::uintptr_t keyFlags) override;
    Result OnLeftDouble(int x, int y, std::uintptr_t keyFlags) override;
    Result OnKeyDown(std::uintptr_t key, unsigned repeat, unsigned flags) override;

    // --- vTrWordBase_c ---
    // Writes the active take as "vTrPlay.wav" in the playback folder and plays it.
    void StartPlayback() override;
    void SetDisplayMode(int mode) override;
    // Slots 0, 1, 2, their frames and the pairwise results.
    void RedrawDisplay() override;
    // The word fills the active slot; the red box moves to the next.
    void WordRecorded(vRecording_c& recording) override;
    void DrawDisplayBackground(vDxImage_i& target, vDxPoint position) override;
    // The load button: the three takes of an exercise file.
    void LoadRecording() override { LoadExerciseFile(); }

    // --- vTrMarkerCommands_i ---
    void AutoSegmentClicked() override { AutoSegment(); }
    // The marker editor on the selected marker, when there is one.
    void EditMarkerClicked() override;
    void SaveExerciseClicked() override { SaveExercise(); }
    void ActiveTakeClicked(int take) override { SetActive(take); }
    void EditorDisplayClicked(int mode) override { SetDisplayMode(mode); }

    // --- editor operations ---
    void SetActive(int slot);
    // The open dialog, then LoadExerciseTakes; failures shown as warnings.
    void LoadExerciseFile();
    // Reads WavFileName and EditorWavFileName1..3 of the file in this order,
    // loading the three takes (an empty name empties its slot); the take
    // named by WavFileName becomes active, else the "Cannot set active
    // reference. (Red box.)" box; its Phones are offered when saving again.
    // Raises the stream errors; takes already loaded stay.
    void LoadExerciseTakes(const std::string& path);
    void LoadTake(const std::string& file, int slot);

    // --- markers of the active take (word-relative frames) ---
    // Adds a segment marker; returns its index.
    size_t AddMarker(int32_t frame, const std::string& label, const std::string& code);
    void MoveMarker(size_t index, int32_t frame);
    void RemoveMarker(size_t index);
    // Dialog 120 on the marker; true on OK.
    bool EditMarker(size_t index);
    // The word frame of the active take's marker; kMarkerUndefined when it has none.
    int32_t MarkerFrame(size_t index);
    // The selected marker (by a click or the last one added); -1: none.
    int SelectedMarker() const { return mSelected; }
    // Replaces the active take's markers by ones at the strongest spectral
    // changes of the word (plus one at its start); returns their frames.
    std::vector<int32_t> AutoSegment();
    // The word frame under x on the active take's display; -1 outside it.
    int32_t FrameAt(int x, int y);

    // --- saving a new exercise ---
    // The save dialog (a new ".exc" name and the word's phones), then
    // SaveExerciseAs; failures shown. Phones the acoustic judge does not
    // know are named and the dialog is shown again; a name the acoustic
    // judge cannot say, given without phones, is told of once saved.
    bool SaveExercise();
    // Writes the takes as <name>_1.wav ... <name>_3.wav, <name>.dat (the
    // etalon definition of the active take with its markers) and the word
    // exercise excPath naming them (its WavFileName the active take's), with
    // phones (ARPAbet, e.g. "f ih sh") as its Phones property unless empty.
    // Each file whole or not at all; raises on the first failure, and on an
    // unknown phone before anything is written.
    void SaveExerciseAs(const std::string& excPath, const std::string& phones = "");
    // Copies a .bmp or .jpg picture beside the exercise under its name, as
    // its card picture; raises when it is neither or cannot be read.
    void SaveCardPicture(const std::string& excPath, const std::string& picture);
    // The definition file a saved exercise includes for its layout
    // (definition property "WordLayout"; empty: a bare layout of its own).
    void SetWordLayout(const std::string& name) { mWordLayout = name; }
    // A card picture is a small picture; anything bigger is refused.
    static constexpr uint64_t kMaxCardPictureBytes = 16u << 20;

    // --- state ---
    int Active() const { return mActive; }
    vRecording_c& Take(int slot) { return mTakes[static_cast<size_t>(slot)]; }
    // Pairs 0: takes 1-2, 1: 2-3, 2: 3-1, as last drawn.
    int32_t PairDistance(int pair) const { return mPairDistance[static_cast<size_t>(pair)]; }
    int32_t PairMark(int pair) const { return mPairMark[static_cast<size_t>(pair)]; }
    const std::string& LastPlaybackFile() const { return mLastPlaybackFile; }
    vDxPoint SlotPos(int slot) const { return kSlotPos[static_cast<size_t>(slot)]; }
    vEdChActBtn_c* ChActBtn() const { return mChActBtn.get(); }
    vEdDispErrBtn_c* DispErrBtn() const { return mDispErrBtn.get(); }
    vEdSaveBtn_c* SaveBtn() const { return mSaveBtn.get(); }
    vTrEditBtn_c* EditBtn() const { return mEditBtn.get(); }
    vHm1EdAutoSegmentBtn_c* AutoSegmentBtn() const { return mAutoSegmentBtn.get(); }

    static constexpr std::array<vDxPoint, kSlots> kSlotPos{{{45, 30}, {45, 150}, {45, 270}}};

private:
    // Where the language marks words acoustically and the model's
    // dictionary lacks the name of excPath, tells the teacher that only the
    // warp will mark it.
    void TellOfNameWithoutPhones(const std::string& excPath);
    void DrawSlot(int slot);
    void DrawFrames();
    void DrawPairs();
    vTrWordDisplay_c::Args SlotArgs(int slot);
    static int32_t MarkerFrame(const vRecording_c& take, const vSegmentMarker_c& marker);
    // The marker of the active take at frame (within two frames); -1: none.
    int MarkerNear(int32_t frame);

    // Properties.
    std::unique_ptr<vDxImage_i> mExImage;
    std::unique_ptr<vEdChActBtn_c> mChActBtn;
    std::unique_ptr<vEdDispErrBtn_c> mDispErrBtn;
    std::unique_ptr<vEdSaveBtn_c> mSaveBtn;
    std::unique_ptr<vTrEditBtn_c> mEditBtn;
    std::unique_ptr<vHm1EdAutoSegmentBtn_c> mAutoSegmentBtn;
    std::unique_ptr<vTrResultView_c> mResDisplay;
    std::unique_ptr<vTrResultView_c> mResDisplay2;
    vStrTmpl_c mEtalonFile;
    vStrTmpl_c mWavFileName;
    vStrTmpl_c mWordLayout;
    // The Phones of the exercise last loaded, offered when saving.
    std::string mPhones;
    int32_t mMinValues[kBandCount] = {};
    int32_t mMaxValues[kBandCount] = {};
    int32_t mMinWeight[kBandCount] = {};
    int32_t mMaxWeight[kBandCount] = {};

    // Settings.
    vWordScoreSettings_c mScore;
    int32_t mErrorLevel = kDisplayErrorLevel.def;

    // State.
    std::array<vRecording_c, kSlots> mTakes;
    int mActive = 0;
    std::array<int32_t, kSlots> mPairDistance{};
    std::array<int32_t, kSlots> mPairMark{};
    std::string mLastPlaybackFile;
    int mSelected = -1;
    bool mDragging = false;
};
