#include "platform/pocketsphinx/phone_decoder.h"

#include <pocketsphinx.h>
#include <unistd.h>

#include <string_view>

#include "platform/exception.h"

namespace platform {

namespace {

// Senone scores inside pocketsphinx are kept shifted right by this many
// bits (its SENSCR_SHIFT, not in the public headers): path scores are in
// units of 2^10 log-base steps.
constexpr int kScoreShift = 10;

// The one-phone words of the alignment grammar: "ph_" + the phone, so that
// no dictionary word is shadowed.
constexpr std::string_view kWordPrefix = "ph_";

// The model's phones (ARPAbet without stress) and silence.
constexpr const char* kPhones[] = {"AA", "AE", "AH", "AO", "AW", "AY", "B",  "CH", "D",  "DH",
                                   "EH", "ER", "EY", "F",  "G",  "HH", "IH", "IY", "JH", "K",
                                   "L",  "M",  "N",  "NG", "OW", "OY", "P",  "R",  "S",  "SH",
                                   "T",  "TH", "UH", "UW", "V",  "W",  "Y",  "Z",  "ZH", "SIL"};

bool Readable(const std::string& path) { return ::access(path.c_str(), R_OK) == 0; }

}  // namespace

struct PhoneDecoder::Impl {
    std::string folder;
    cmd_ln_t* config = nullptr;
    ps_decoder_t* decoder = nullptr;

    ~Impl() {
        if (decoder) ps_free(decoder);
        if (config) cmd_ln_free_r(config);
    }

    // Runs the named search over the samples; its segments (none without a
    // hypothesis), the prefix of grammar words taken off.
    std::vector<PhoneSegment> Decode(const char* search, const int16_t* samples, size_t count) {
        std::vector<PhoneSegment> out;
        if (ps_set_search(decoder, search) < 0 || ps_start_utt(decoder) < 0) return out;
        const int processed = ps_process_raw(decoder, samples, count, FALSE, TRUE);
        ps_end_utt(decoder);
        int32 best = 0;
        if (processed < 0 || !ps_get_hyp(decoder, &best)) return out;
        logmath_t* lmath = ps_get_logmath(decoder);
        for (ps_seg_t* seg = ps_seg_iter(decoder); seg; seg = ps_seg_next(seg)) {
            const char* word = ps_seg_word(seg);
            int first = 0, last = -1;
            ps_seg_frames(seg, &first, &last);
            if (!word || first < 0 || last < first) continue;
            int32 ascr = 0, lscr = 0, lback = 0;
            ps_seg_prob(seg, &ascr, &lscr, &lback);
            std::string_view name = word;
            if (name.substr(0, kWordPrefix.size()) == kWordPrefix) name.remove_prefix(kWordPrefix.size());
            out.push_back({std::string(name), first, last, logmath_log_to_ln(lmath, ascr) * (1 << kScoreShift)});
        }
        return out;
    }
};

PhoneDecoder::PhoneDecoder(const std::string& folder) : mImpl(std::make_unique<Impl>()) {
    mImpl->folder = folder;
    const std::string model = folder + "/en-us";
    for (const std::string& file : {model + "/mdef", model + "/means", model + "/variances", model + "/sendump",
                                    model + "/transition_matrices", model + "/noisedict", DictionaryFile(),
                                    folder + "/en-us-phone.lm.bin"})
        if (!Readable(file))
            throw vPrintException_c(0, "The acoustic model in %s is missing or incomplete: cannot read %s.",
                                    folder.c_str(), file.c_str());
    // The model's own feat.params (its front end, cepstral mean) apply
    // under these settings.
    mImpl->config = cmd_ln_init(nullptr, ps_args(), TRUE, "-hmm", model.c_str(), "-dict", DictionaryFile().c_str(),
                                "-samprate", "16000", "-compallsen", "yes", "-fsgusefiller", "no", "-allphone_ci",
                                "yes", "-beam", "1e-100", "-pbeam", "1e-100", "-wbeam", "1e-80", "-logfn",
                                "/dev/null", nullptr);
    if (!mImpl->config) throw vPrintException_c(0, "The acoustic model in %s cannot be configured.", folder.c_str());
    mImpl->decoder = ps_init(mImpl->config);
    if (!mImpl->decoder)
        throw vPrintException_c(0, "The acoustic model in %s is damaged: it cannot be loaded.", folder.c_str());
    constexpr size_t kCount = sizeof kPhones / sizeof kPhones[0];
    for (size_t i = 0; i < kCount; ++i) {
        const std::string word = std::string(kWordPrefix) + kPhones[i];
        if (ps_add_word(mImpl->decoder, word.c_str(), kPhones[i], i + 1 == kCount) < 0)
            throw vPrintException_c(0, "The acoustic model in %s is damaged: it lacks the phone %s.", folder.c_str(),
                                    kPhones[i]);
    }
    const std::string loop = folder + "/en-us-phone.lm.bin";
    if (ps_set_allphone_file(mImpl->decoder, "loop", loop.c_str()) < 0)
        throw vPrintException_c(0, "The phone language model %s is damaged: it cannot be loaded.", loop.c_str());
}

PhoneDecoder::~PhoneDecoder() = default;

std::string PhoneDecoder::DefaultFolder() { return LORVANO_POCKETSPHINX_MODEL_DIR "/en-us"; }

std::string PhoneDecoder::DictionaryFile() const { return mImpl->folder + "/cmudict-en-us.dict"; }

bool PhoneDecoder::KnowsPhone(const std::string& phone) const {
    for (const char* known : kPhones)
        if (phone == known) return true;
    return false;
}

std::vector<PhoneSegment> PhoneDecoder::Align(const int16_t* samples, size_t count,
                                             const std::vector<std::string>& phones) {
    std::string grammar = "#JSGF V1.0;\ngrammar word;\npublic <word> = [ ph_SIL ]";
    for (const std::string& phone : phones) {
        if (!KnowsPhone(phone)) throw vPrintException_c(0, "The acoustic model has no phone \"%s\".", phone.c_str());
        grammar += " " + std::string(kWordPrefix) + phone;
    }
    grammar += " [ ph_SIL ];\n";
    if (phones.empty() || ps_set_jsgf_string(mImpl->decoder, "align", grammar.c_str()) < 0) return {};
    return mImpl->Decode("align", samples, count);
}

std::vector<PhoneSegment> PhoneDecoder::PhoneLoop(const int16_t* samples, size_t count) {
    return mImpl->Decode("loop", samples, count);
}

}  // namespace platform
