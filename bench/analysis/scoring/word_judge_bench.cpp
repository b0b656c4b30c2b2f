// Marking a say of about one second against its etalon, as the word exercise
// and lorvano-analyze score do it through the word judge: the say's filter
// bank and pitch from a fresh state, levels and word section, the warp onto
// the etalon and the word's mark; with per-sound marks (argument 1) also the
// aligned measurements and the marks of the etalon's sounds; with argument 2
// the warp removes each frame's mean and keeps to the slope limit. The etalon
// is prepared once (its sound table, models and limits too), as an exercise
// does.
#include <benchmark/benchmark.h>

#include <filesystem>
#include <memory>
#include <string>

#include "analysis/hm_block_processor.h"
#include "analysis/recording.h"
#include "analysis/scoring/word_judge.h"
#include "analysis/sound_limits.h"
#include "objects/loader.h"
#include "objects/prop_strm.h"

namespace {

const std::string kLanguage = LORVANO_SOURCE_DIR "/data/english/";

// The samples of a WAV file, not yet analysed.
vRecording_c Unanalysed(const std::string& path) {
    vRecording_c rec;
    rec.LoadWave(path);
    return rec;
}

void BM_WordJudge(benchmark::State& state) {
    const bool perSound = state.range(0) == 1;
    vHMProcessorSetup_c setup;
    setup.coefficients = kLanguage + "coef.dat";
    setup.calibration = kLanguage + "calib.txt";
    vHMBlockProcessor_c processor(setup);
    vWordScoreSettings_c settings;
    settings.newCalculation = perSound;
    settings.meanRemoval = settings.slopeLimit = state.range(0) == 2;
    if (settings.slopeLimit) settings.frameFloor = 1000;
    vWordJudge_c judge(settings, processor);
    vSoundLimits limits("s", kLanguage + "Limits.ini");
    judge.SetLimits(&limits);
    judge.SetModelLoader([](vSoundFrames_c& table) { return table.LoadModels(kLanguage + "Models.ini"); });

    // The etalon's definition (its segment markers) names its WAV file
    // relative to the language folder.
    std::filesystem::current_path(kLanguage);
    vLoader_c loader;
    LoadDefinitionFile("Words/S/Sea.dat", loader);
    auto* definition = dynamic_cast<vRecording_c*>(loader.Object());
    if (!definition || !definition->HasData()) {
        state.SkipWithError("no etalon");
        return;
    }
    vRecording_c etalon = *definition;
    judge.SetEtalon(etalon);
    const vRecording_c say = Unanalysed(kLanguage + "Words/S/Sock.wav");
    int32_t mark = 0;
    for (auto _ : state) {
        state.PauseTiming();
        vRecording_c copy = say;
        state.ResumeTiming();
        mark = judge.Judge(etalon, copy).mark;
        benchmark::DoNotOptimize(mark);
    }
    state.counters["say_frames"] = say.RecPos();
    state.counters["sounds"] = perSound ? judge.SoundFrames().Count() : 0;
    state.counters["mark"] = mark;
}
BENCHMARK(BM_WordJudge)->Arg(0)->Arg(1)->Arg(2)->Unit(benchmark::kMillisecond);

}  // namespace
