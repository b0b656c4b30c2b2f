#pragma once
// vAcousticJudge_c: marks a say without an etalon, against a speaker-
// independent acoustic model ("goodness of pronunciation"). The say is
// resampled to 16 kHz; its expected phones are force-aligned to it, and the
// same samples are decoded by a free phone loop. A phone's score (GOP) is
// the aligned log-likelihood of its frames less the loop's log-likelihood of
// the same frames, per frame, in nats: near 0 when the loop heard what the
// word expects there, far below 0 when it heard another sound. The trained
// sound's phones also lose how much better its best rival fits in their
// place (targetContrast). The word's score is the mean of its phones' scores
// (each phone counts once, so a short consonant weighs as much as a long
// vowel); the trained sound's, the mean of the phones that say it. The score
// shown is the mean of the trained sound's and the word's: the sound alone
// praises another word that shares a good sound with it (on the synthetic
// voices the mean parts right from wrong says better than either,
// scripts/gop_tables.py).
//
// Marks as the warp does: distance = -1000 * score (thousandths of a nat per
// frame) through MarkFromDistance with minResult/maxResult.
//
// Owns the loaded model (a fraction of a second to load: make one judge and
// keep it). Knows no screen, settings store or current directory: the model
// folder and the mark limits come from the caller. One thread at a time;
// that may be a worker thread (an exercise should judge off the
// user-interface thread: a 1-s word takes a noticeable time).

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "analysis/scoring/mark_source.h"

namespace platform {
class PhoneDecoder;
}

// The two limits of the mark, as the warp's MinResult/MaxResult: the
// distance (-1000 * score) at and above which the mark is 1, and below
// which it is 5. Fitted on the tuning voices (scripts/gop_tables.py --fit).
struct vAcousticScoreSettings_c {
    int32_t minResult = vMarkSourceSettings_c::kAcousticMinResult.def;
    int32_t maxResult = vMarkSourceSettings_c::kAcousticMaxResult.def;
};

// One phone of the word as the aligner found it.
struct vPhoneScore_c {
    std::string phone;  // ARPAbet
    std::string sampa;  // its SAMPA code
    int32_t firstFrame = 0;  // from the say's first sample
    int32_t frames = 0;  // 10 ms each
    double score = 0;    // GOP, nats per frame
};

// What the judge found for one say. With an error nothing was marked.
struct vAcousticJudgment_c {
    std::string error;  // why the say has no mark (empty: marked)
    std::vector<vPhoneScore_c> phones;
    double wordScore = 0;
    int32_t wordMark = -1;
    double targetScore = 0;  // the trained sound's phones (targetMark -1: none)
    int32_t targetDistance = 0;
    int32_t targetMark = -1;
    // The trained sound's places opened to every phone: the phone the model
    // heard in the first, and how far (nats per frame of the trained sound)
    // that reading beats the expected one (0: the expected sound fits best);
    // already taken off the sound's phones' scores.
    std::string targetRival;
    double targetContrast = 0;
    // The score and mark to show: of the mean of the trained sound's and the
    // word's scores when the word has the sound, else of the word's (mark
    // -1 with an error).
    double score = 0;
    int32_t distance = 0;  // -1000 * score, rounded: what the mark comes from
    int32_t mark = -1;
    bool Marked() const { return error.empty(); }
};

class vAcousticJudge_c {
public:
    // Loads the model of folder (see platform::PhoneDecoder); a missing or
    // damaged folder throws vTextException_c naming it.
    vAcousticJudge_c(const std::string& modelFolder, const vAcousticScoreSettings_c& settings);
    ~vAcousticJudge_c();

    // The folder the system's acoustic model is installed in.
    static std::string DefaultModelFolder();

    const vAcousticScoreSettings_c& Settings() const { return mSettings; }
    // The phones of a word or an exercise's name in the model's pronouncing
    // dictionary (ARPAbet, see DictionaryPhones); empty when it lacks them.
    std::vector<std::string> PhonesOf(const std::string& word) const;
    // The same from the dictionary of the model in modelFolder, without
    // loading the model; throws vTextException_c when it cannot be read.
    static std::vector<std::string> PhonesIn(const std::string& modelFolder, const std::string& word);

    // Judges count samples at rate Hz against the word's phones (ARPAbet);
    // target is the trained sound's SAMPA code (empty: none). An empty or
    // unknown phone string, silence, a say too short for its phones or one
    // that cannot be aligned give a judgment with an error and no mark. A
    // model that fails while decoding (a damaged file read late) throws
    // vTextException_c, and so does every later call.
    vAcousticJudgment_c Judge(const int16_t* samples, size_t count, int32_t rate,
                              const std::vector<std::string>& phones, const std::string& target = {});

private:
    vAcousticScoreSettings_c mSettings;
    std::unique_ptr<platform::PhoneDecoder> mDecoder;
    std::vector<int16_t> mResampled;
};
