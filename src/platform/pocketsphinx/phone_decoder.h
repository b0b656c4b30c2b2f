#pragma once
// platform::PhoneDecoder: a speaker-independent acoustic model (pocketsphinx
// with its US-English model) that aligns a known phone string to speech and
// decodes the same speech with a free loop of phones. Both searches score
// every senone of every frame ("-compallsen"), so their acoustic scores have
// the same per-frame normalisation and their difference is meaningful.
//
// Owns the decoder (model, dictionary, the two searches); loading takes a
// fraction of a second, so make one and keep it. One thread at a time; any
// one thread (the decoder keeps no thread-bound state). pocketsphinx's own
// log is silenced for the whole process, and a fatal error inside it (which
// would end the process) throws vTextException_c instead and leaves the
// decoder unusable.
//
// Phones are the model's ARPAbet names ("F", "IH", "SH"; "SIL" is silence).
// Nothing else of pocketsphinx shows through this header.

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace platform {

// A stretch of frames (10 ms each, from the first sample) given to one phone.
struct PhoneSegment {
    std::string phone;   // ARPAbet, "SIL" for silence
    int32_t firstFrame;  // inclusive
    int32_t lastFrame;   // inclusive
    double score;        // acoustic log-likelihood over the stretch, in nats
};

class PhoneDecoder {
public:
    static constexpr int32_t kSampleRate = 16000;
    static constexpr int32_t kSamplesPerFrame = 160;

    // Loads the model of folder, which holds the acoustic model "en-us/",
    // the pronouncing dictionary "cmudict-en-us.dict" and the phone language
    // model "en-us-phone.lm.bin" (as Debian's pocketsphinx-en-us installs
    // them). A missing or damaged folder throws vTextException_c naming it.
    explicit PhoneDecoder(const std::string& folder);
    ~PhoneDecoder();
    PhoneDecoder(const PhoneDecoder&) = delete;
    PhoneDecoder& operator=(const PhoneDecoder&) = delete;

    // The folder Debian's pocketsphinx-en-us installs.
    static std::string DefaultFolder();
    // The pronouncing dictionary of the folder (ARPAbet phones per word).
    std::string DictionaryFile() const;
    static std::string DictionaryIn(const std::string& folder);
    // Whether phone is one of the model's phones (ARPAbet, upper case).
    bool KnowsPhone(const std::string& phone) const;

    // Forced alignment of 16 kHz samples to phones (each a word of its own),
    // with optional silence before and after: one segment per phone and per
    // silence, in order. Empty when the speech cannot be aligned. Throws
    // vTextException_c for a phone the model lacks. Each alignment starts a
    // new say: the front end's noise estimate starts afresh, so a say scores
    // the same whatever was said before it.
    // A phone whose place in open is true may be any phone of the model
    // (not silence): the aligner takes whichever fits the speech best.
    std::vector<PhoneSegment> Align(const int16_t* samples, size_t count, const std::vector<std::string>& phones,
                                    const std::vector<bool>& open = {});
    // The context-independent free phone loop (weighted by the phone
    // language model) over the same samples, continuing the say the last
    // Align started (its noise estimate), as the judge's limits were fitted.
    std::vector<PhoneSegment> PhoneLoop(const int16_t* samples, size_t count);

private:
    struct Impl;
    std::unique_ptr<Impl> mImpl;
};

}  // namespace platform
