#pragma once
// vWordJudge_c: marks a say against an etalon, the same way wherever the
// recordings come from (the word exercise, the command-line tool). A
// recording is analysed where its frames lack it, from a fresh processor
// state, then its levels and word section are found; the say is warped onto
// the etalon's time axis and the warp's distance gives the word's mark 1..5.
// With per-sound marks ("newCalculation" of the settings) the judge also
// keeps the etalon's per-frame sound table: codes from its segment markers,
// models from the caller's loader, and marks each sound of the say against
// the limits of the trained sound.
//
// Knows no screen, file or current directory: the settings arrive as a
// struct, the processor, the limits and the models through the caller. Owns
// the warp of the last say and the sound table. One thread at a time.

#include <cstdint>
#include <functional>

#include "analysis/sound_marks.h"
#include "analysis/time_warp.h"

class vHMBlockProcessor_c;
class vRecording_c;
class vSoundLimits;

// What the judge found for one say.
struct vWordJudgment_c {
    int32_t distance = kWarpInfinite;
    int32_t wordMark = -1;  // from the distance (-1 before any say)
    int32_t soundMark = 0;  // the trained sound's mean mark (0: not marked)
    // The mark shown: the trained sound's when it was marked, else the
    // word's (an exercise without a trained sound, or an etalon without it
    // among its sounds, keeps the word's own mark rather than none).
    int32_t mark = -1;
    vSoundMarkSummary_c sounds;
};

class vWordJudge_c {
public:
    // Fills the coded frames of a sound table with their models; false
    // when some frame got none.
    using ModelLoader = std::function<bool(vSoundFrames_c&)>;

    // processor analyses the recordings whose frames lack it (not owned;
    // it must outlive the judge).
    vWordJudge_c(const vWordScoreSettings_c& settings, vHMBlockProcessor_c& processor);

    const vWordScoreSettings_c& Settings() const { return mSettings; }
    bool PerSound() const { return mSettings.newCalculation; }
    // Per-sound marks on or off (an etalon set later builds its table).
    void SetPerSound(bool on) { mSettings.newCalculation = on; }
    // The limits of the trained sound (not owned; null: no sound marks).
    void SetLimits(vSoundLimits* limits) { mLimits = limits; }
    // How the etalon's sound table gets its models.
    void SetModelLoader(ModelLoader loadModels) { mLoadModels = std::move(loadModels); }

    // Analyses what the recording lacks (from a fresh processor state),
    // then its levels, spirant smoothing and word section.
    void Prepare(vRecording_c& recording) const;
    // Prepares the etalon and, with per-sound marks, its sound table.
    void SetEtalon(vRecording_c& etalon);
    // Prepares the say, warps it onto the etalon (given to SetEtalon) and
    // marks it.
    vWordJudgment_c Judge(const vRecording_c& etalon, vRecording_c& say);

    // Replaces the markers of to (a new etalon) by those of from (an
    // analysed etalon of the same word), carried along a warp of to onto
    // from made with the judge's settings; to is prepared first. The last
    // say's warp stays as it was.
    void CarryMarkers(const vRecording_c& from, vRecording_c& to) const;

    // The warp of the last say (null before any).
    const vWarpData_c* Warp() const { return mJudged ? &mWarp : nullptr; }
    const vWordJudgment_c& Last() const { return mLast; }
    // The etalon's sound table (empty without per-sound marks).
    vSoundFrames_c& SoundFrames() { return mSoundFrames; }
    const vSoundFrames_c& SoundFrames() const { return mSoundFrames; }

private:
    vWordScoreSettings_c mSettings;
    vHMBlockProcessor_c* mProcessor;
    vSoundLimits* mLimits = nullptr;
    ModelLoader mLoadModels;
    vSoundFrames_c mSoundFrames;
    vWarpData_c mWarp;
    bool mJudged = false;
    vWordJudgment_c mLast;
};
