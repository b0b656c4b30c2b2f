#include "platform/pocketsphinx/phone_decoder.h"

#include <pocketsphinx.h>
#include <sphinxbase/err.h>
#include <sphinxbase/jsgf.h>
#include <unistd.h>

#include <csetjmp>
#include <mutex>
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

// pocketsphinx ends the process with exit() on a fatal error (a damaged
// model file among them), after reporting it to the log callback. The
// callback jumps back to the Survive of the reporting thread instead, and
// keeps every other message quiet.
thread_local std::jmp_buf* tFatalExit = nullptr;

extern "C" void QuietLog(void*, err_lvl_t level, const char*, ...) {
    if (level == ERR_FATAL && tFatalExit) std::longjmp(*tFatalExit, 1);
}

// Runs call(context), plain C calls into pocketsphinx only (no object with a
// destructor lives in between): false when pocketsphinx failed fatally. What
// it had allocated is lost; the caller gives up the decoder.
bool Survive(void (*call)(void*), void* context) {
    static std::once_flag quiet;
    std::call_once(quiet, [] { err_set_callback(QuietLog, nullptr); });
    std::jmp_buf here;
    std::jmp_buf* const outer = tFatalExit;
    if (setjmp(here) != 0) {
        tFatalExit = outer;
        return false;
    }
    tFatalExit = &here;
    call(context);
    tFatalExit = outer;
    return true;
}

}  // namespace

struct PhoneDecoder::Impl {
    std::string folder;
    cmd_ln_t* config = nullptr;
    ps_decoder_t* decoder = nullptr;

    ~Impl() {
        if (decoder) ps_free(decoder);
        if (config) cmd_ln_free_r(config);
    }

    // The decoder, unless a fatal error left it in an unknown state.
    ps_decoder_t* Usable() const {
        if (!decoder)
            throw vPrintException_c(0, "The acoustic model in %s failed earlier and cannot be used.", folder.c_str());
        return decoder;
    }
    // The alignment search from a JSGF grammar. Not ps_set_jsgf_string:
    // this version of it keeps the parsed grammar for ever, a few kilobytes
    // per say.
    bool SetAlignment(const std::string& text) {
        ps_decoder_t* const d = Usable();
        jsgf_t* const jsgf = jsgf_parse_string(text.c_str(), nullptr);
        if (!jsgf) return false;
        jsgf_rule_t* const rule = jsgf_get_public_rule(jsgf);
        fsg_model_t* const fsg =
            rule ? jsgf_build_fsg(jsgf, rule, ps_get_logmath(d), cmd_ln_float32_r(ps_get_config(d), "-lw")) : nullptr;
        // The search keeps its own reference to the grammar's automaton.
        const bool set = fsg && ps_set_fsg(d, "align", fsg) >= 0;
        if (fsg) fsg_model_free(fsg);
        jsgf_grammar_free(jsgf);
        return set;
    }

    [[noreturn]] void Fail() {
        decoder = nullptr;  // lost with what pocketsphinx allocated
        throw vPrintException_c(0, "The acoustic model in %s is damaged: pocketsphinx failed on it.", folder.c_str());
    }

    // Runs the named search over the samples; its segments (none without a
    // hypothesis), the prefix of grammar words taken off.
    // A new stream (newSay) resets the front end's noise estimate, which
    // pocketsphinx otherwise carries from one utterance into the next.
    std::vector<PhoneSegment> Decode(const char* search, const int16_t* samples, size_t count, bool newSay) {
        struct Run {
            ps_decoder_t* decoder;
            const char* search;
            const int16_t* samples;
            size_t count;
            bool newSay;
            bool hypothesis;
        } run{Usable(), search, samples, count, newSay, false};
        const bool survived = Survive(
            [](void* context) {
                Run& r = *static_cast<Run*>(context);
                if (ps_set_search(r.decoder, r.search) < 0 || (r.newSay && ps_start_stream(r.decoder) < 0) ||
                    ps_start_utt(r.decoder) < 0)
                    return;
                const int processed = ps_process_raw(r.decoder, r.samples, r.count, FALSE, TRUE);
                ps_end_utt(r.decoder);
                int32 best = 0;
                r.hypothesis = processed >= 0 && ps_get_hyp(r.decoder, &best);
            },
            &run);
        if (!survived) Fail();
        std::vector<PhoneSegment> out;
        if (!run.hypothesis) return out;
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
    struct Init {
        cmd_ln_t* config;
        ps_decoder_t* decoder;
    } init{mImpl->config, nullptr};
    if (!Survive([](void* context) {
            Init& i = *static_cast<Init*>(context);
            i.decoder = ps_init(i.config);
        }, &init)) {
        mImpl->config = nullptr;  // ps_init may have kept it
        mImpl->Fail();
    }
    mImpl->decoder = init.decoder;
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
    struct Loop {
        ps_decoder_t* decoder;
        const char* file;
        int result;
    } phoneLoop{mImpl->decoder, loop.c_str(), -1};
    if (!Survive([](void* context) {
            Loop& l = *static_cast<Loop*>(context);
            l.result = ps_set_allphone_file(l.decoder, "loop", l.file);
        }, &phoneLoop))
        mImpl->Fail();
    if (phoneLoop.result < 0)
        throw vPrintException_c(0, "The phone language model %s is damaged: it cannot be loaded.", loop.c_str());
}

PhoneDecoder::~PhoneDecoder() = default;

std::string PhoneDecoder::DefaultFolder() { return LORVANO_POCKETSPHINX_MODEL_DIR "/en-us"; }

std::string PhoneDecoder::DictionaryFile() const { return DictionaryIn(mImpl->folder); }

std::string PhoneDecoder::DictionaryIn(const std::string& folder) { return folder + "/cmudict-en-us.dict"; }

bool PhoneDecoder::KnowsPhone(const std::string& phone) const {
    for (const char* known : kPhones)
        if (phone == known) return true;
    return false;
}

std::vector<PhoneSegment> PhoneDecoder::Align(const int16_t* samples, size_t count,
                                             const std::vector<std::string>& phones, const std::vector<bool>& open) {
    std::string grammar = "#JSGF V1.0;\ngrammar word;\npublic <word> = [ ph_SIL ]";
    for (size_t i = 0; i < phones.size(); ++i) {
        const std::string& phone = phones[i];
        if (!KnowsPhone(phone)) throw vPrintException_c(0, "The acoustic model has no phone \"%s\".", phone.c_str());
        if (i < open.size() && open[i]) {
            static const std::string kAnyPhone = [] {
                std::string any;
                for (const char* other : kPhones)
                    if (std::string_view(other) != "SIL")
                        any += (any.empty() ? "( " : " | ") + std::string(kWordPrefix) + other;
                return any + " )";
            }();
            grammar += " " + kAnyPhone;
        } else {
            grammar += " " + std::string(kWordPrefix) + phone;
        }
    }
    grammar += " [ ph_SIL ];\n";
    if (phones.empty() || !mImpl->SetAlignment(grammar)) return {};
    return mImpl->Decode("align", samples, count, true);
}

std::vector<PhoneSegment> PhoneDecoder::PhoneLoop(const int16_t* samples, size_t count) {
    return mImpl->Decode("loop", samples, count, false);
}

}  // namespace platform
