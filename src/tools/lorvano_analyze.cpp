// lorvano-analyze: the speech analysis of the trainer on WAV files, for
// teachers, researchers and tests.
//
//   lorvano-analyze frames FILE.wav [--data DIR] [--calculate] [--ini FILE]
//   lorvano-analyze score ETALON.wav SAY.wav [--data DIR] [--ini FILE] [--sounds ETALON.def [--target CODE]]
//                         [--acoustic [--word WORD | --phones "PH PH ..."]]
//   lorvano-analyze detect FILE.wav [--data DIR] [--ini FILE]
//   lorvano-analyze models ETALON.dat... [--data DIR] [--ini FILE] [--out DIR]
//   lorvano-analyze sustained FILE.wav --exercise EX.exc [--level N] [--data DIR] [--ini FILE]
//   lorvano-analyze gop SAY.wav (--word WORD | --phones "PH PH ...") [--target CODE]
//
// --data names the language directory whose settings (trainer.ini) and data
// files (coef.dat, calib.txt, the sound models and limits) are used, so the
// results are those the trainer would give (default: the bundled english
// one beside the program's bin folder); --ini names another settings file.
// --sounds gives the etalon's definition file (<vRecording_c> Obj = {...});
// its segment markers divide the etalon into sounds, and score prints one
// line per sound (code, frames, mark) after the word line; --target names
// the exercise's trained sound, whose mark (the one the word exercise shows
// with per-sound marks) ends the output. With ResDisplay/CohortSize K the
// word line adds cohort=K cohort_score=N: the say warped onto K other
// etalons of the language's Words folder (the etalon itself left out), N =
// 1000 * distance / their median distance, from which the mark comes. With
// --acoustic, where the language's word exercises show the acoustic
// judge's mark (ResDisplay/MarkSource acoustic or fused), a last line gives
// it and the mark the exercise shows: source=S acoustic_distance=D
// acoustic_mark=M shown=N phones="PH PH ..." (the word is the etalon's file
// name as a word exercise's name is read, or --word, or its phones --phones).
// A refused WAV file prints the reason and exits with code 2.
//
// models reads labelled recordings, etalon definition files whose WAV file
// names are relative to the language directory, and writes the sound models
// and limits files (names from the settings, "Models.ini" and "Limits.ini" by
// default) into --out (default: the current directory).
//
// sustained plays a recording of a held sound, buffer by buffer as the
// microphone would, to the judge of a live spectrum exercise (the corridor
// of level N, 1 by default, from its definition file relative to the
// language directory), and prints the mean and median of the marks the
// exercise would show while its ring of analysed windows holds only the
// sound.
//
// gop marks a say without an etalon, against the speaker-independent
// acoustic model (where the program is built with it): the word's phones
// from the model's pronouncing dictionary, or ARPAbet phones given with
// --phones; one line per phone (ARPAbet, SAMPA code, frames of 10 ms, its
// goodness of pronunciation in nats per frame), then the word's score and
// mark; --target names the trained sound (SAMPA): its score and mark, and
// the mark shown, from the mean of its score and the word's. A say the
// judge cannot mark (silence, too short, not alignable) prints the reason
// and exits with code 3.
//
// Every command runs on the analysis and its judges alone: no screen, no
// exercise, no audio device.

#include <strings.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <charconv>
#include <cstdio>
#include <filesystem>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "analysis/framing.h"
#if LORVANO_POCKETSPHINX
#include "analysis/scoring/acoustic_judge.h"
#include "analysis/scoring/phone_strings.h"
#endif
#include "analysis/hm_block_processor.h"
#include "analysis/recording.h"
#include "analysis/scoring/mark_source.h"
#include "analysis/scoring/spectrum_judge.h"
#include "analysis/scoring/word_judge.h"
#include "analysis/sound_limits.h"
#include "analysis/sound_model_builder.h"
#include "analysis/spectrum_settings.h"
#include "analysis/word_detector.h"
#include "objects/loader.h"
#include "objects/prop_strm.h"
#include "objects/token_stream.h"
#include "platform/exception.h"
#include "platform/path_case.h"
#include "platform/regular_file.h"
#include "settings/settings.h"
#include "settings/shared_keys.h"

namespace fs = std::filesystem;

namespace {

constexpr int kUsageError = 64;
constexpr int kWaveRefused = 2;
constexpr int kNoMark = 3;

void Usage() {
    std::fprintf(stderr,
                 "usage: lorvano-analyze frames FILE.wav [--data DIR] [--calculate] [--ini FILE]\n"
                 "       lorvano-analyze score ETALON.wav SAY.wav [--data DIR] [--ini FILE] [--sounds ETALON.def [--target CODE]]\n"
                 "                                    [--acoustic [--word WORD | --phones \"PH PH ...\"]]\n"
                 "       lorvano-analyze detect FILE.wav [--data DIR] [--ini FILE]\n"
                 "       lorvano-analyze models ETALON.dat... [--data DIR] [--ini FILE] [--out DIR]\n"
                 "       lorvano-analyze sustained FILE.wav --exercise EX.exc [--level N] [--data DIR] [--ini FILE]\n"
                 "       lorvano-analyze gop SAY.wav (--word WORD | --phones \"PH PH ...\") [--target CODE]\n");
}

struct Options {
    std::string command;
    std::vector<std::string> files;
    std::string dataDir;
    std::string ini;
    std::string sounds;
    std::string target;
    std::string exercise;
    std::string word;
    std::string phones;
    int level = 1;
    std::string out = ".";
    bool calculate = false;
    bool acoustic = false;
};

bool Parse(int argc, char** argv, Options& o) {
    if (argc < 2) return false;
    o.command = argv[1];
    for (int i = 2; i < argc; ++i) {
        const std::string a = argv[i];
        if ((a == "--data" || a == "--ini" || a == "--sounds" || a == "--out" || a == "--target") && i + 1 < argc)
            (a == "--data"     ? o.dataDir
             : a == "--ini"    ? o.ini
             : a == "--sounds" ? o.sounds
             : a == "--target" ? o.target
                               : o.out) = argv[++i];
        else if (a == "--exercise" && i + 1 < argc)
            o.exercise = argv[++i];
        else if ((a == "--word" || a == "--phones") && i + 1 < argc)
            (a == "--word" ? o.word : o.phones) = argv[++i];
        else if (a == "--level" && i + 1 < argc)
            o.level = std::atoi(argv[++i]);
        else if (a == "--calculate")
            o.calculate = true;
        else if (a == "--acoustic" && o.command == "score")
            o.acoustic = true;
        else if (a.rfind("--", 0) == 0)
            return false;
        else
            o.files.push_back(a);
    }
    if (o.command == "gop")
        return o.files.size() == 1 && o.word.empty() != o.phones.empty() && o.sounds.empty() && !o.calculate;
    // score --acoustic may name the word, or its phones, instead of the etalon's file name.
    if ((!o.word.empty() || !o.phones.empty()) && !(o.acoustic && o.word.empty() != o.phones.empty())) return false;
    if (!o.target.empty() && o.sounds.empty()) return false;
    if (!o.exercise.empty() != (o.command == "sustained")) return false;
    if (o.command == "sustained") return o.files.size() == 1 && !o.calculate && o.sounds.empty() && o.level >= 1;
    if (o.command == "models") return !o.files.empty() && !o.calculate && o.sounds.empty();
    const size_t want = o.command == "score" ? 2 : 1;
    if (o.command != "frames" && o.command != "score" && o.command != "detect") return false;
    if (o.calculate && o.command != "frames") return false;
    if (!o.sounds.empty() && o.command != "score") return false;
    return o.files.size() == want;
}

// The language folder bundled with the program: <prefix>/bin/.. /english.
std::string BundledDataDir() {
    std::error_code ec;
    const fs::path exe = fs::read_symlink("/proc/self/exe", ec);
    if (ec) return "english";
    return (exe.parent_path().parent_path() / "english").string();
}

std::string InDataDir(const std::string& dir, const std::string& file) {
    if (file.empty() || fs::path(file).is_absolute()) return file;
    return (fs::path(dir) / file).string();
}

std::string DataDir(const Options& o) { return o.dataDir.empty() ? BundledDataDir() : o.dataDir; }

std::unique_ptr<vHMBlockProcessor_c> MakeProcessor(const Options& o) {
    const std::string dir = DataDir(o);
    // With a settings file the processor's own settings apply too; its data
    // files are looked up in the data folder.
    vHMProcessorSetup_c setup = gSettings.FileName() ? vHMProcessorSetup_c::FromSettings() : vHMProcessorSetup_c{};
    setup.coefficients = InDataDir(dir, setup.coefficients);
    setup.calibration = InDataDir(dir, setup.calibration);
    setup.window = InDataDir(dir, setup.window);
    return std::make_unique<vHMBlockProcessor_c>(setup);
}

// A WAV file LoadWave refused: its own exit code.
struct WaveRefused {
    std::string message;
};

void Load(vRecording_c& rec, const std::string& path) {
    try {
        rec.LoadWave(path);
    } catch (const vTextException_c& e) {
        throw WaveRefused{e.Text()};
    }
}

// The samples of a WAV file as they are, before any analysis.
std::vector<int16_t> SamplesOf(const std::string& path) {
    vRecording_c recording;
    Load(recording, path);
    std::vector<int16_t> samples;
    for (int32_t i = 0; i <= recording.RecPos() && i < recording.Size(); ++i) {
        const vAllHmData_c& f = recording.Frame(i);
        if (f.Samples()) samples.insert(samples.end(), f.Samples(), f.Samples() + f.SampleCount());
    }
    return samples;
}

int Frames(const Options& o) {
    auto processor = MakeProcessor(o);
    vRecording_c rec;
    rec.SetProcessor(processor.get());
    Load(rec, o.files[0]);
    const vWordScoreSettings_c score = vWordScoreSettings_c::Read();
    if (o.calculate) vWordJudge_c(score, *processor).Prepare(rec);
    std::string out = "index";
    for (int k = 0; k < kBandCount; ++k) out += ",Channel" + std::to_string(k);
    out += ",FullBand,LowBand,Pitch,PitchFreq,SemiTone,spirant\n";
    std::fwrite(out.data(), 1, out.size(), stdout);
    // Rows through to_chars into one buffer: printf was an eighth of a run.
    constexpr size_t kRowMax = 29 * 12;
    std::vector<char> buffer(static_cast<size_t>(std::max(rec.RecPos(), 0)) * kRowMax);
    char* at = buffer.data();
    auto put = [&at](int32_t v, char after) {
        at = std::to_chars(at, at + 11, v).ptr;
        *at++ = after;
    };
    for (int32_t i = 0; i < rec.RecPos(); ++i) {
        vAllHmData_c& f = rec.Frame(i);
        put(i, ',');
        for (int k = 0; k < kBandCount; ++k) put(f.channels[k], ',');
        for (int32_t v : {f.fullBand, f.lowBand, f.pitch, f.pitchFreq, f.semiTone}) put(v, ',');
        put(f.IsSpirant(score.spirantLimit) ? 1 : 0, '\n');
    }
    std::fwrite(buffer.data(), 1, static_cast<size_t>(at - buffer.data()), stdout);
    return 0;
}

// The etalon recording of a definition file, for its segment markers.
std::unique_ptr<vRecording_c> LoadEtalonDefinition(const std::string& path) {
    if (!fs::is_regular_file(path)) throw vPrintException_c(0, "Cannot open %s file!", path.c_str());
    vLoader_c loader;
    LoadDefinitionFile(path, loader);
    std::unique_ptr<vPropCntnr_c> object = loader.Release();
    if (!dynamic_cast<vRecording_c*>(object.get()))
        throw vPrintException_c(0, "%s does not hold a vRecording_c object.", path.c_str());
    return std::unique_ptr<vRecording_c>(static_cast<vRecording_c*>(object.release()));
}

// The new calculation: each sound of the etalon (from its segment markers)
// marked against the say frames the warp aligned to it, one line per sound.
void PrintSoundMarks(const Options& o, const vSoundFrames_c& table, const vWordJudgment_c& judgment) {
    for (int32_t r = 0; r < table.Count(); ++r) {
        if (table[r].code.empty()) continue;
        int32_t end = r + 1;
        while (end < table.Count() && table[end].code.empty()) ++end;
        std::printf("sound=%s frames=%d mark=%d distance=%d\n", table[r].code.c_str(), end - r, table[r].mark,
                    table[r].distance);
    }
    if (!o.target.empty())
        std::printf("target=%s mark=%d shown=%d\n", o.target.c_str(), judgment.sounds.viMark, judgment.mark);
}

// Where the language shows the acoustic judge's mark, alone or fused: the
// mark the word exercise shows ("shown"); the word is the etalon's name.
void PrintAcousticMark(const Options& o, const vMarkSourceSettings_c& marks, int32_t warpMark) {
    const char* source = marks.source == vMarkSource::Acoustic ? "acoustic" : "fused";
#if LORVANO_POCKETSPHINX
    vAcousticJudge_c judge(marks.acousticModel.empty() ? vAcousticJudge_c::DefaultModelFolder() : marks.acousticModel,
                           {marks.acousticMinResult, marks.acousticMaxResult});
    const std::string word =
        o.word.empty() ? fs::path(platform::ToForwardSlashes(o.files[0])).stem().string() : o.word;
    const std::vector<std::string> phones = o.phones.empty() ? judge.PhonesOf(word) : ParsePhones(o.phones);
    if (phones.empty()) {
        std::printf("source=%s acoustic=none shown=%d (the pronouncing dictionary has no word \"%s\": name it with "
                    "--word or give its phones with --phones)\n",
                    source, warpMark, word.c_str());
        return;
    }
    const std::vector<int16_t> samples = SamplesOf(o.files[1]);
    const vAcousticJudgment_c j = judge.Judge(samples.data(), samples.size(), 22050, phones, o.target);
    if (!j.Marked()) {
        std::printf("source=%s acoustic=none shown=%d (%s)\n", source, warpMark, j.error.c_str());
        return;
    }
    const int32_t shown = marks.source == vMarkSource::Acoustic ? j.mark : marks.Fused(j.distance, warpMark);
    std::printf("source=%s acoustic_distance=%d acoustic_mark=%d shown=%d phones=\"%s\"\n", source, j.distance, j.mark,
                shown, JoinPhones(phones).c_str());
#else
    std::printf("source=%s acoustic=none shown=%d (this build has no acoustic judge)\n", source, warpMark);
#endif
}

int Score(const Options& o) {
    auto processor = MakeProcessor(o);
    vWordScoreSettings_c s = vWordScoreSettings_c::Read();
    // The sounds are marked whenever the etalon's definition is given.
    s.newCalculation = !o.sounds.empty();
    vWordJudge_c judge(s, *processor);
    std::unique_ptr<vSoundLimits> limits;
    if (judge.PerSound()) {
        limits = std::make_unique<vSoundLimits>(o.target, InDataDir(DataDir(o), s.limitsFile));
        judge.SetLimits(limits.get());
        const std::string models = InDataDir(DataDir(o), s.modelsFile);
        judge.SetModelLoader([models](vSoundFrames_c& table) { return table.LoadModels(models); });
    }
    std::unique_ptr<vRecording_c> etalon =
        o.sounds.empty() ? std::make_unique<vRecording_c>() : LoadEtalonDefinition(o.sounds);
    vRecording_c say;
    etalon->SetProcessor(processor.get());
    say.SetProcessor(processor.get());
    Load(*etalon, o.files[0]);
    Load(say, o.files[1]);
    if (s.cohortSize > 0) {
        // Both sides canonical, so that the etalon is found among the words
        // however its path was written.
        std::error_code ec;
        const std::string words = fs::weakly_canonical(fs::path(DataDir(o)) / "Words", ec).string();
        const std::string own = fs::weakly_canonical(o.files[0], ec).string();
        judge.SetCohort(ChooseCohort(platform::ListRegularFiles(words, ".wav"), own, s.cohortSize),
                        [](const std::string& file, vRecording_c& into) { into.LoadWave(file); });
    }
    judge.SetEtalon(*etalon);
    const vWordJudgment_c judgment = judge.Judge(*etalon, say);
    std::printf("distance=%d mark=%d etalon_frames=%d say_frames=%d", judgment.distance, judgment.wordMark,
                etalon->RecSize(), say.RecSize());
    if (judgment.cohortScore >= 0) std::printf(" cohort=%d cohort_score=%d", judge.CohortCount(), judgment.cohortScore);
    std::printf("\n");
    if (judge.PerSound()) PrintSoundMarks(o, judge.SoundFrames(), judgment);
    const vMarkSourceSettings_c marks = vMarkSourceSettings_c::Read();
    if (o.acoustic && marks.source != vMarkSource::Warp) PrintAcousticMark(o, marks, judge.PerSound() ? judgment.mark : judgment.wordMark);
    return 0;
}

// Prints each word as the exercise would receive it and starts over.
struct WordPrinter : vWordListener_i {
    explicit WordPrinter(const vWordDetector_c& d) : detector(d) {}
    void Suspend() override {}
    void WordRecorded(vRecording_c& rec) override {
        std::printf("word=%d first=%lld last=%lld frames=%d\n", ++words, static_cast<long long>(detector.FirstFrameIndex()),
                    static_cast<long long>(detector.LastFrameIndex()), rec.RecPos());
        rec.Rewind();
    }
    void Resume() override {}
    const vWordDetector_c& detector;
    int words = 0;
};

int Detect(const Options& o) {
    auto processor = MakeProcessor(o);
    // The file's samples, unanalysed: the detector analyses them as it would
    // the microphone's buffers.
    std::vector<int16_t> stream = SamplesOf(o.files[0]);
    vWordDetector_c detector(vWordDetectorSettings_c::Read());
    const vWordDetectorSettings_c& s = detector.Settings();
    // After the file the room falls silent, long enough to end a word in progress.
    const size_t frame = s.windowSize * s.interLeave;
    stream.resize(stream.size() + frame * (static_cast<size_t>(std::max(s.trigHoldEnd, 0)) + 1), 0);

    vRecording_c rec(vRecording_c::kLoaderCapacity);
    WordPrinter printer(detector);
    detector.StartListening(rec);
    const size_t buffer = static_cast<size_t>(s.windowSize) * s.windowNum;
    for (size_t pos = 0; pos + buffer <= stream.size(); pos += buffer)
        detector.ProcessBuffer(stream.data() + pos, buffer, *processor, rec, printer);
    std::printf("words=%d\n", printer.words);
    return 0;
}

// Builds the models and limits files from the etalons.
int Models(const Options& o) {
    auto processor = MakeProcessor(o);
    const vWordScoreSettings_c s = vWordScoreSettings_c::Read();
    const vWordJudge_c judge(s, *processor);
    vSoundModelBuilder_c builder;
    for (const std::string& file : o.files) {
        std::unique_ptr<vRecording_c> etalon = LoadEtalonDefinition(file);
        etalon->SetProcessor(processor.get());
        Load(*etalon, etalon->WavFileName());
        judge.Prepare(*etalon);
        builder.Add(*etalon);
    }
    const fs::path out = o.out;
    const std::string models = (out / s.modelsFile).string(), limits = (out / s.limitsFile).string();
    builder.Write(models, limits);
    std::printf("recordings=%d sounds=%zu models=%s limits=%s\n", builder.Recordings(), builder.Models().size(),
                models.c_str(), limits.c_str());
    return 0;
}

// The class of a definition file's object and its top-level properties, as
// written (quotes kept off): the values of "Name = value;", "{" for an
// object or body, whose contents are skipped. Enough for the live
// spectrum's corridors.
std::map<std::string, std::string> ObjectProperties(const std::string& path, std::string& className) {
    vIncludeFileInpStrm_c in;
    in.SetTokenSyntax(gDBTokenSyntax);
    in.Open(path);
    std::map<std::string, std::string> properties;
    int depth = 0;
    std::string before, name;
    for (std::string token = in.NextToken(); !token.empty(); token = in.NextToken()) {
        if (depth == 0 && before == "<") {
            className = token;
        } else if (token == "{") {
            if (depth == 1 && before == "=" && !name.empty()) properties[name] = token;
            ++depth;
        } else if (token == "}") {
            --depth;
        } else if (depth == 1 && before == "=" && !name.empty() && token != "{") {
            if (token.size() >= 2 && token.front() == '"' && token.back() == '"') token = token.substr(1, token.size() - 2);
            properties[name] = token;
        }
        if (depth == 1 && token == "=") name = before;
        before = token;
    }
    return properties;
}

bool IsTrue(const std::string& word) { return strcasecmp(word.c_str(), "true") == 0 || strcasecmp(word.c_str(), "yes") == 0; }

// One level's corridor array of the spectrum exercise: bands values within 0..limit.
std::array<int32_t, kRtHmBands> CorridorArray(const std::map<std::string, std::string>& properties,
                                              const std::string& name, int bands, int32_t limit) {
    std::array<int32_t, kRtHmBands> values{};
    const auto it = properties.find(name);
    const std::string list = it == properties.end() ? std::string() : it->second;
    int count = 0;
    const char* p = list.c_str();
    while (*p && count < kRtHmBands) {
        while (*p == '(' || *p == ',' || *p == ' ') ++p;
        char* end = nullptr;
        const long v = std::strtol(p, &end, 10);
        if (end == p) break;
        if (count < bands && (v < 0 || v > limit))
            throw vPrintException_c(0, "%s: value %ld of band %d is outside 0..%d", name.c_str(), v, count, limit);
        values[static_cast<size_t>(count++)] = static_cast<int32_t>(v);
        p = end;
    }
    if (count < bands) throw vPrintException_c(0, "%s has fewer than %d values", name.c_str(), bands);
    return values;
}

// The marks a live spectrum exercise shows while it hears the recording:
// each buffer's analysed windows go into the spectrum judge's ring, as the
// exercise frames them, and the judge marks the ring after every buffer.
int Sustained(const Options& o) {
    const std::vector<int16_t> samples = SamplesOf(o.files[0]);
    std::string className;
    const std::map<std::string, std::string> exercise = ObjectProperties(o.exercise, className);
    if (className != "vTrRtHmExercise_c")
        throw vPrintException_c(0, "%s does not hold a vTrRtHmExercise_c object.", o.exercise.c_str());
    const auto property = [&exercise](const char* name, const char* otherwise) {
        const auto it = exercise.find(name);
        return it == exercise.end() ? std::string(otherwise) : it->second;
    };
    const vSpectrumScoreSettings_c score = vSpectrumScoreSettings_c::Read();
    vSpectrumJudgeSettings_c settings;
    settings.oldFormat = IsTrue(property("OldDBFormat", "false"));
    settings.doResults = IsTrue(property("DoResults", "true"));
    settings.newCalculation = score.newCalculation;
    settings.minResult = score.minResult;
    settings.maxResult = score.maxResult;
    const std::string level = std::to_string(o.level);
    // A level is one with a picture, as in the exercise.
    if (o.level > 3 || !exercise.count("Level" + level + "Pic")) throw vTextException_c("Cannot set active image!");
    std::array<int32_t, kRtHmBands> arrays[4];
    const char* names[4] = {"MinValues", "MaxValues", "MinWeight", "MaxWeight"};
    for (int a = 0; a < 4; ++a)
        arrays[a] = CorridorArray(exercise, names[a] + level, settings.Bands(), a < 2 ? kRtHmMaxLevel : kRtHmMaxWeight);
    const vRtHmCorridor_c corridor{arrays[0].data(), arrays[1].data(), arrays[2].data(), arrays[3].data()};

    vSpectrumJudge_c judge;
    judge.SetShadows(score.shadows);
    vRtHmPenalty_c penalty;
    std::unique_ptr<vSoundLimits> limits;
    if (settings.newCalculation) {
        limits = std::make_unique<vSoundLimits>(property("VISound", ""), InDataDir(DataDir(o), score.limitsFile));
        judge.SetTracking(limits->TrackingIsol());
        penalty = {limits->Constant(o.level, 1), limits->Constant(o.level, 2), limits->Constant(o.level, 3)};
    }

    // The exercise's analysis: the live bank's calibration key, its own
    // window file or else the preprocessor's, none when switched off.
    vHMProcessorSetup_c setup = vHMProcessorSetup_c::FromSettings();
    setup.calibration = keys::kLiveCalibration.Read();
    const std::string window = keys::kSpectrumWindowFile.Read();
    const bool windowed = keys::kSpectrumWindowOn.Read();
    if (!window.empty()) setup.window = window;
    for (std::string* file : {&setup.coefficients, &setup.calibration, &setup.window})
        *file = InDataDir(DataDir(o), *file);
    vHMBlockProcessor_c processor(setup);
    processor.SetApplyWindow(windowed);
    const vTrFraming_s framing = vTrFraming_s::Read("HM1_Processor", 224, 3, 3);

    // The ring holds Shadows analysed windows, one per buffer: a mark counts
    // once the last Shadows buffers are all of the held sound, which is where
    // the level is within 20 dB of the loudest buffer's.
    const size_t length = static_cast<size_t>(framing.BufferLength());
    const size_t shadows = judge.Shadows();
    const size_t buffers = samples.size() / length;
    std::vector<double> power(buffers, 0);
    for (size_t b = 0; b < buffers; ++b)
        for (size_t i = b * length; i < (b + 1) * length; ++i) power[b] += static_cast<double>(samples[i]) * samples[i];
    const double loud = (buffers ? *std::max_element(power.begin(), power.end()) : 0) / 100;
    std::vector<int32_t> marks;
    double distances = 0;  // of the marked buffers: the continuous score behind the marks
    vAllHmData_c frame;
    size_t held = 0;
    for (size_t b = 0; b < buffers; ++b) {
        for (int w = 0; w < framing.AnalysedWindows(); ++w) {
            const size_t at = b * length + static_cast<size_t>(w) * static_cast<size_t>(framing.WindowStep());
            processor.ProcessBlock(samples.data() + at, static_cast<int32_t>(framing.windowSize / 8 * 8), false, frame,
                                   true, false);
            judge.Store(frame.channels);
        }
        const int64_t distance = judge.Distance(corridor, settings, penalty);
        held = power[b] >= loud && power[b] > 0 ? held + 1 : 0;
        if (held >= shadows) {
            distances += static_cast<double>(distance);
            marks.push_back(vSpectrumJudge_c::Mark(distance, settings, limits ? &limits->MarkLimits() : nullptr));
        }
    }
    if (marks.empty()) throw vPrintException_c(0, "%s is too short to be held.", o.files[0].c_str());
    double mean = 0;
    for (int32_t m : marks) mean += m;
    mean /= static_cast<double>(marks.size());
    std::nth_element(marks.begin(), marks.begin() + static_cast<std::ptrdiff_t>(marks.size() / 2), marks.end());
    std::printf("buffers=%zu mean_mark=%.2f median_mark=%d mean_distance=%.1f\n", buffers, mean, marks[marks.size() / 2],
                distances / static_cast<double>(marks.size()));
    return 0;
}

// The acoustic judge on one say: per-phone scores, the word's score and mark.
int Gop(const Options& o) {
#if LORVANO_POCKETSPHINX
    // Marked as the language's word exercises mark it.
    const vMarkSourceSettings_c marks = vMarkSourceSettings_c::Read();
    vAcousticJudge_c judge(marks.acousticModel.empty() ? vAcousticJudge_c::DefaultModelFolder() : marks.acousticModel,
                           {marks.acousticMinResult, marks.acousticMaxResult});
    const std::vector<std::string> phones = o.phones.empty() ? judge.PhonesOf(o.word) : ParsePhones(o.phones);
    if (phones.empty())
        throw vPrintException_c(0, "The pronouncing dictionary has no word \"%s\"; give its phones with --phones.",
                                o.word.c_str());
    const std::vector<int16_t> samples = SamplesOf(o.files[0]);
    const vAcousticJudgment_c j = judge.Judge(samples.data(), samples.size(), 22050, phones, o.target);
    if (!j.Marked()) {
        std::fprintf(stderr, "%s\n", j.error.c_str());
        return kNoMark;
    }
    for (const vPhoneScore_c& p : j.phones)
        std::printf("phone=%s sampa=%s frames=%d gop=%.3f\n", p.phone.c_str(), p.sampa.c_str(), p.frames, p.score);
    std::printf("word=%s score=%.3f mark=%d\n", o.word.empty() ? "-" : o.word.c_str(), j.wordScore, j.wordMark);
    if (!o.target.empty()) {
        if (j.targetMark < 0)
            std::printf("target=%s score=none mark=-1 shown=%d shown_score=%.3f\n", o.target.c_str(), j.mark,
                        j.score);
        else
            std::printf("target=%s score=%.3f mark=%d shown=%d shown_score=%.3f rival=%s contrast=%.3f\n",
                        o.target.c_str(), j.targetScore, j.targetMark, j.mark, j.score,
                        j.targetRival.empty() ? "-" : j.targetRival.c_str(), j.targetContrast);
    }
    return 0;
#else
    (void)o;
    throw vTextException_c("lorvano-analyze is built without the acoustic model (LORVANO_POCKETSPHINX off).");
#endif
}

}  // namespace

int main(int argc, char** argv) {
    Options o;
    if (!Parse(argc, argv, o)) {
        Usage();
        return kUsageError;
    }
    // The command line's files are the caller's; the files the definitions
    // name are found from the language directory, the current directory of
    // the trainer too.
    for (std::string& file : o.files) file = fs::absolute(file).string();
    for (std::string* path : {&o.sounds, &o.ini})
        if (!path->empty()) *path = fs::absolute(*path).string();
    o.out = fs::absolute(o.out).string();
    o.dataDir = fs::absolute(DataDir(o)).string();
    std::error_code noLanguage;
    fs::current_path(o.dataDir, noLanguage);
    try {
        if (!o.ini.empty()) {
            if (::access(o.ini.c_str(), R_OK) != 0) {
                std::fprintf(stderr, "Cannot read %s\n", o.ini.c_str());
                return 1;
            }
            gSettings.SetFileName(o.ini.c_str());
        } else {
            // The language directory's own settings, as the trainer reads them.
            const std::string languageIni = (fs::path(DataDir(o)) / "trainer.ini").string();
            if (::access(languageIni.c_str(), R_OK) == 0) gSettings.SetFileName(languageIni.c_str());
        }
        if (o.command == "frames") return Frames(o);
        if (o.command == "score") return Score(o);
        if (o.command == "models") return Models(o);
        if (o.command == "sustained") return Sustained(o);
        if (o.command == "gop") return Gop(o);
        return Detect(o);
    } catch (const WaveRefused& e) {
        std::fprintf(stderr, "%s\n", e.message.c_str());
        return kWaveRefused;
    } catch (const vException_c& e) {
        std::fprintf(stderr, "%s", e.Message().c_str());
        return 1;
    }
}
