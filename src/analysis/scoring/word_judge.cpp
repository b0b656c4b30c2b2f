#include "analysis/scoring/word_judge.h"

#include <algorithm>
#include <cstdio>
#include <filesystem>

#include "analysis/markers.h"
#include "analysis/recording.h"
#include "analysis/sound_limits.h"
#include "platform/exception.h"

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

int32_t vWordJudge_c::SetCohort(const std::vector<std::string>& files, const RecordingLoader& load) {
    mCohort.clear();
    if (mSettings.cohortSize <= 0) return 0;
    for (const std::string& file : files) {
        vRecording_c recording;
        try {
            load(file, recording);
            Prepare(recording);
        } catch (const vException_c&) {
            std::fprintf(stderr, "Cohort etalon %s cannot be read; left out.\n", file.c_str());
            continue;
        }
        if (recording.RecSize() > 0) mCohort.push_back(std::move(recording));
    }
    if (CohortCount() < mSettings.cohortSize) {
        std::fprintf(stderr, "Only %d of %d cohort etalons usable; the word's mark comes from its plain distance.\n",
                     CohortCount(), mSettings.cohortSize);
        mCohort.clear();
    }
    return CohortCount();
}

vWordJudgment_c vWordJudge_c::Judge(const vRecording_c& etalon, vRecording_c& say) {
    Prepare(say);
    mWarp.Configure(mSettings);
    std::vector<int64_t> others;
    for (const vRecording_c& other : mCohort) {
        mWarp.Warp(other, say, mSettings.FrameLevel());
        others.push_back(mWarp.Distance());
    }
    // The etalon's warp last: it stays for the displays and the sounds.
    mWarp.Warp(etalon, say, mSettings.FrameLevel());
    mJudged = true;
    vWordJudgment_c j;
    j.distance = mWarp.Distance();
    j.wordMark = MarkFromDistance(j.distance, mSettings.minResult, mSettings.maxResult);
    if (!others.empty()) {
        std::sort(others.begin(), others.end());
        const size_t half = others.size() / 2;
        const int64_t median = others.size() % 2 ? others[half] : (others[half - 1] + others[half]) / 2;
        j.cohortScore = static_cast<int32_t>(
            std::min<int64_t>(static_cast<int64_t>(j.distance) * 1000 / std::max<int64_t>(median, 1), kWarpInfinite));
        j.wordMark = MarkFromDistance(j.cohortScore, mSettings.cohortMinResult, mSettings.cohortMaxResult);
    }
    if (PerSound() && mLimits && mSoundFrames.Count() > 0) {
        mSoundFrames.FillMeasured(say, mWarp);
        j.sounds = mSoundFrames.ComputeSoundMarks(*mLimits);
        j.soundMark = j.sounds.viMark;
    }
    j.mark = j.soundMark > 0 ? j.soundMark : j.wordMark;
    if (mSettings.wordGate > 0 && j.cohortScore >= mSettings.wordGate) j.mark = j.wordMark;
    mLast = j;
    return j;
}

void vWordJudge_c::CarryMarkers(const vRecording_c& from, vRecording_c& to) const {
    Prepare(to);
    vWarpData_c warp;
    warp.Configure(mSettings);
    warp.Warp(from, to, mSettings.FrameLevel());
    to.Markers() = CarriedMarkers(from, to, warp);
}

std::vector<std::string> ChooseCohort(std::vector<std::string> files, const std::string& etalon, int32_t k) {
    namespace fs = std::filesystem;
    const auto stem = [](const std::string& file) {
        return fs::path(file).lexically_normal().replace_extension().generic_string();
    };
    const std::string own = stem(etalon);
    std::erase_if(files, [&](const std::string& f) { return stem(f) == own; });
    std::sort(files.begin(), files.end());
    const size_t n = files.size(), want = static_cast<size_t>(std::max(k, 0));
    if (n <= want) return files;
    std::vector<std::string> chosen;
    for (size_t q = 0; q < want; ++q) chosen.push_back(files[q * n / want]);
    return chosen;
}
