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
// With a cohort ("cohortSize" K > 0) the word's mark comes not from the
// distance d0 to the etalon alone but from d0 relative to the say's
// distances to K other etalons of the language: score = 1000 * d0 / median
// of the cohort distances (1000: as near as a typical other word), mapped by
// cohortMinResult/cohortMaxResult. A distance's scale differs from etalon to etalon and
// from speaker to speaker; the ratio does far less, so one mapping serves
// them all. The cohort is chosen by ChooseCohort from the language's word
// etalons (a teacher's own etalon is just another one of them) and analysed
// once per etalon; with fewer than K usable the plain distance is mapped
// by minResult/maxResult.
//
// Knows no screen, file or current directory: the settings arrive as a
// struct, the processor, the limits, the models and the cohort's recordings
// through the caller. Owns the warp of the last say, the sound table and the
// cohort. One thread at a time.

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "analysis/recording.h"
#include "analysis/sound_marks.h"
#include "analysis/time_warp.h"

class vHMBlockProcessor_c;
class vSoundLimits;

// What the judge found for one say.
struct vWordJudgment_c {
    int32_t distance = kWarpInfinite;
    int32_t wordMark = -1;  // from the distance (-1 before any say)
    // 1000 * distance / median cohort distance (-1 without a cohort); the
    // word's mark comes from it when present.
    int32_t cohortScore = -1;
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
    // Loads a recording's samples (or frames) from a file; throws
    // vException_c when it cannot.
    using RecordingLoader = std::function<void(const std::string& file, vRecording_c& into)>;

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
    // Loads and prepares the cohort etalons (K = cohortSize files from
    // ChooseCohort); a file that fails to load is left out. With fewer than
    // K usable ones the word's mark falls back to the plain distance, said
    // once on stderr. Returns the cohort's size in use (0: none).
    int32_t SetCohort(const std::vector<std::string>& files, const RecordingLoader& load);
    int32_t CohortCount() const { return static_cast<int32_t>(mCohort.size()); }
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
    std::vector<vRecording_c> mCohort;
    vHMBlockProcessor_c* mProcessor;
    vSoundLimits* mLimits = nullptr;
    ModelLoader mLoadModels;
    vSoundFrames_c mSoundFrames;
    vWarpData_c mWarp;
    bool mJudged = false;
    vWordJudgment_c mLast;
};

// The cohort of an etalon: of the language's word etalons (files), sorted
// bytewise, less the etalon itself (any file with its path and name before
// the extension), the k spread evenly over the list: entries q * N / k for
// q = 0..k-1 of the N left, so the cohort spans the course's sound groups.
// Fewer than k left: all of them.
std::vector<std::string> ChooseCohort(std::vector<std::string> files, const std::string& etalon, int32_t k);
