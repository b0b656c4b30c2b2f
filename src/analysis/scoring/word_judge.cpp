#include "analysis/scoring/word_judge.h"

#include <algorithm>

#include "analysis/markers.h"
#include "analysis/recording.h"
#include "analysis/sound_limits.h"

vWordJudge_c::vWordJudge_c(const vWordScoreSettings_c& settings, vHMBlockProcessor_c& processor)
    : mSettings(settings), mProcessor(&processor) {}

void vWordJudge_c::Prepare(vRecording_c& recording) const {
    recording.SetProcessor(mProcessor);
    recording.Calculate(mSettings.dontCareLevel, mSettings.medianWidth, mSettings.spirantLimit, mSettings.normToMax,
                        vWordScoreSettings_c::kPitchFrames);
}

void vWordJudge_c::SetEtalon(vRecording_c& etalon) {
    Prepare(etalon);
    if (!PerSound()) return;
    mSoundFrames.Allocate(std::max(etalon.RecSize(), 0), mLimits ? mLimits->TrackingWord() : 0);
    mSoundFrames.SetCodesFromMarkers(etalon);
    if (mLoadModels) mLoadModels(mSoundFrames);
}

vWordJudgment_c vWordJudge_c::Judge(const vRecording_c& etalon, vRecording_c& say) {
    Prepare(say);
    mWarp.SetDeviationLimit(mSettings.deviationLimit);
    mWarp.Warp(etalon, say, mSettings.dontCareLevel);
    mJudged = true;
    vWordJudgment_c j;
    j.distance = mWarp.Distance();
    j.wordMark = MarkFromDistance(j.distance, mSettings.minResult, mSettings.maxResult);
    if (PerSound() && mLimits && mSoundFrames.Count() > 0) {
        mSoundFrames.FillMeasured(say, mWarp);
        j.sounds = mSoundFrames.ComputeSoundMarks(*mLimits);
        j.soundMark = j.sounds.viMark;
    }
    j.mark = j.soundMark > 0 ? j.soundMark : j.wordMark;
    mLast = j;
    return j;
}

void vWordJudge_c::CarryMarkers(const vRecording_c& from, vRecording_c& to) const {
    Prepare(to);
    vWarpData_c warp;
    warp.SetDeviationLimit(mSettings.deviationLimit);
    warp.Warp(from, to, mSettings.dontCareLevel);
    to.Markers() = CarriedMarkers(from, to, warp);
}
