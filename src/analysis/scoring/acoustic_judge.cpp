#include "analysis/scoring/acoustic_judge.h"

#include <samplerate.h>

#include <algorithm>
#include <cmath>

#include "analysis/scoring/phone_strings.h"
#include "analysis/time_warp.h"
#include "platform/pocketsphinx/phone_decoder.h"

namespace {

using platform::PhoneDecoder;

// A say whose loudest 10 ms stay below -60 dBFS (RMS) is silence.
constexpr double kSilenceRms = 32767 * 1e-3;
// Each phone of the model has three states: at least a frame each.
constexpr size_t kFramesPerPhone = 3;
// Quiet added before and after the say: a word cut off inside its last
// sound (a recording that stops mid-fricative) cannot be aligned without
// room after it. 100 ms, as the word detector's lead-in gives.
constexpr int32_t kPadFrames = 10;

int32_t Distance(double score) {
    const double d = std::round(-1000 * score);
    return static_cast<int32_t>(std::clamp(d, -2147483647.0, 2147483647.0));
}

// The decoder's front end takes its cepstral mean and noise estimate from
// the whole say, so whatever surrounds the word moved every phone's score:
// 0.3 s of silence around the tuning voices' words, or a quiet room's hiss
// under them, took their right says from three quarters marked 4-5 to a
// quarter. The say is therefore cut to its speech: from the first to the
// last frame within kSpeechRangeDb of the loudest and kAboveQuietestDb above
// the quietest (a room's hiss), kSpeechMarginFrames more either side. It is
// heard over a noise floor kNoiseFloorDb below its loudest frame, so that
// digital silence (a synthesiser's, the padding's) never reaches the front
// end; a higher floor (40 dB) masked the child voice's consonants.
constexpr double kSpeechRangeDb = 40;
constexpr double kAboveQuietestDb = 10;
constexpr int32_t kSpeechMarginFrames = 5;
constexpr double kNoiseFloorDb = 60;

// The mean power of each 10 ms frame of the say.
std::vector<double> FramePowers(const std::vector<int16_t>& samples) {
    const size_t n = PhoneDecoder::kSamplesPerFrame;
    std::vector<double> powers;
    for (size_t at = 0; at + n <= samples.size(); at += n) {
        double power = 0;
        for (size_t i = at; i < at + n; ++i) power += static_cast<double>(samples[i]) * samples[i];
        powers.push_back(power / n);
    }
    return powers;
}

// Keeps the say's speech (above); returns the number of frames cut at its start.
int32_t CutToSpeech(std::vector<int16_t>& samples, const std::vector<double>& powers, double loudest) {
    const double quietest = *std::min_element(powers.begin(), powers.end());
    // Under a hiss less than kAboveQuietestDb below the voice, the word's loudest part.
    const double quiet = std::min(
        std::max(loudest * std::pow(10.0, -kSpeechRangeDb / 10), quietest * std::pow(10.0, kAboveQuietestDb / 10)),
        loudest * std::pow(10.0, -kAboveQuietestDb / 10));
    int32_t first = 0, last = static_cast<int32_t>(powers.size()) - 1;
    while (first < last && powers[static_cast<size_t>(first)] < quiet) ++first;
    while (last > first && powers[static_cast<size_t>(last)] < quiet) --last;
    first = std::max(first - kSpeechMarginFrames, 0);
    last = std::min(last + kSpeechMarginFrames, static_cast<int32_t>(powers.size()) - 1);
    const size_t n = PhoneDecoder::kSamplesPerFrame;
    samples.erase(samples.begin() + static_cast<std::ptrdiff_t>((static_cast<size_t>(last) + 1) * n), samples.end());
    samples.erase(samples.begin(), samples.begin() + static_cast<std::ptrdiff_t>(static_cast<size_t>(first) * n));
    return first;
}

// Adds white noise of the given RMS, the same sequence for every say so
// that a result repeats (a linear congruential generator; four uniform
// values summed are near enough Gaussian).
void AddNoiseFloor(std::vector<int16_t>& samples, double rms) {
    uint32_t state = 12345;
    for (int16_t& s : samples) {
        double noise = 0;
        for (int k = 0; k < 4; ++k) {
            state = state * 1664525u + 1013904223u;
            noise += (state >> 8) / 16777216.0 - 0.5;
        }
        noise *= std::sqrt(3.0);  // unit variance
        s = static_cast<int16_t>(std::clamp(std::lround(s + noise * rms), -32768L, 32767L));
    }
}

// The loop hears the whole say freely, so a sound replaced by a near one
// ("tea" for "sea") loses little against it. The trained sound is therefore
// also weighed against its rivals in place: the word aligned again with the
// sound's places (open) free to be any phone, the rest held. Returns how
// much better (nats, over the whole say) the best rival reading fits than
// the forced alignment, 0 when the expected sound fits best, and names the
// phone heard in the first open place (empty when none was found).
double RivalContrast(PhoneDecoder& decoder, const std::vector<int16_t>& say, const std::vector<std::string>& phones,
                     const std::vector<bool>& open, const std::vector<platform::PhoneSegment>& forced,
                     std::string& rival) {
    rival.clear();
    const std::vector<platform::PhoneSegment> best = decoder.Align(say.data(), say.size(), phones, open);
    if (best.empty()) return 0;
    double forcedTotal = 0, bestTotal = 0;
    for (const platform::PhoneSegment& s : forced) forcedTotal += s.score;
    size_t at = 0;
    for (const platform::PhoneSegment& s : best) {
        bestTotal += s.score;
        if (s.phone == "SIL") continue;
        if (at < open.size() && open[at] && rival.empty()) rival = s.phone;
        ++at;
    }
    return std::max(bestTotal - forcedTotal, 0.0);
}

vAcousticJudgment_c Refused(std::string why) {
    vAcousticJudgment_c j;
    j.error = std::move(why);
    return j;
}

}  // namespace

vAcousticJudge_c::vAcousticJudge_c(const std::string& modelFolder, const vAcousticScoreSettings_c& settings)
    : mSettings(settings), mDecoder(std::make_unique<PhoneDecoder>(modelFolder)) {}

vAcousticJudge_c::~vAcousticJudge_c() = default;

std::string vAcousticJudge_c::DefaultModelFolder() { return PhoneDecoder::DefaultFolder(); }

std::vector<std::string> vAcousticJudge_c::PhonesOf(const std::string& word) const {
    return DictionaryPhones(mDecoder->DictionaryFile(), word);
}

std::vector<std::string> vAcousticJudge_c::PhonesIn(const std::string& modelFolder, const std::string& word) {
    return DictionaryPhones(PhoneDecoder::DictionaryIn(modelFolder), word);
}

vAcousticJudgment_c vAcousticJudge_c::Judge(const int16_t* samples, size_t count, int32_t rate,
                                            const std::vector<std::string>& phones, const std::string& target) {
    if (phones.empty()) return Refused("The word has no phone string.");
    for (const std::string& phone : phones)
        if (SampaOfPhone(phone).empty() || !mDecoder->KnowsPhone(phone))
            return Refused("Unknown phone \"" + phone + "\" in the phone string.");
    if (rate <= 0) return Refused("The say has no sample rate.");

    // To the model's 16 kHz through libsamplerate.
    mResampled.clear();
    if (rate == PhoneDecoder::kSampleRate) {
        mResampled.assign(samples, samples + count);
    } else if (count > 0) {
        const double ratio = static_cast<double>(PhoneDecoder::kSampleRate) / rate;
        std::vector<float> in(count), out(static_cast<size_t>(std::ceil(count * ratio)) + 16);
        src_short_to_float_array(samples, in.data(), static_cast<int>(count));
        SRC_DATA data{};
        data.data_in = in.data();
        data.input_frames = static_cast<long>(count);
        data.data_out = out.data();
        data.output_frames = static_cast<long>(out.size());
        data.src_ratio = ratio;
        if (src_is_valid_ratio(ratio) == 0 || src_simple(&data, SRC_SINC_MEDIUM_QUALITY, 1) != 0)
            return Refused("The say's sample rate cannot be converted.");
        mResampled.resize(static_cast<size_t>(data.output_frames_gen));
        src_float_to_short_array(out.data(), mResampled.data(), static_cast<int>(data.output_frames_gen));
    }
    if (mResampled.size() / PhoneDecoder::kSamplesPerFrame < kFramesPerPhone * phones.size())
        return Refused("The say is too short for the word's phones.");
    const std::vector<double> powers = FramePowers(mResampled);
    const double loudest = powers.empty() ? 0 : *std::max_element(powers.begin(), powers.end());
    if (loudest < kSilenceRms * kSilenceRms) return Refused("The say is silence.");
    std::vector<int16_t> whole = mResampled;
    const int32_t cut = CutToSpeech(mResampled, powers, loudest);
    if (mResampled.size() / PhoneDecoder::kSamplesPerFrame < kFramesPerPhone * phones.size())
        return Refused("The say is too short for the word's phones.");
    const double floorRms = std::sqrt(loudest) * std::pow(10.0, -kNoiseFloorDb / 20);

    vAcousticJudgment_c j;
    bool looped = false;
    // Aligns the phones to the say (its first frame at offset in the
    // caller's say), scores each against the free loop and the trained
    // sound's against its rivals; false when the aligner found no path.
    auto hear = [&](std::vector<int16_t>& say, int32_t offset) {
        const size_t pad = static_cast<size_t>(kPadFrames) * PhoneDecoder::kSamplesPerFrame;
        say.insert(say.begin(), pad, 0);
        say.insert(say.end(), pad, 0);
        AddNoiseFloor(say, floorRms);
        const std::vector<platform::PhoneSegment> aligned = mDecoder->Align(say.data(), say.size(), phones);
        const std::vector<platform::PhoneSegment> loop = mDecoder->PhoneLoop(say.data(), say.size());
        looped = !loop.empty();
        // The loop's score spread evenly over the frames of each of its phones.
        std::vector<double> loopPerFrame(say.size() / PhoneDecoder::kSamplesPerFrame + 1, 0);
        for (const platform::PhoneSegment& s : loop)
            for (int32_t f = s.firstFrame; f <= s.lastFrame && f < static_cast<int32_t>(loopPerFrame.size()); ++f)
                loopPerFrame[static_cast<size_t>(f)] = s.score / (s.lastFrame - s.firstFrame + 1);
        j.phones.clear();
        for (const platform::PhoneSegment& s : aligned) {
            if (s.phone == "SIL") continue;
            vPhoneScore_c p{s.phone, SampaOfPhone(s.phone), std::max(s.firstFrame - kPadFrames, 0) + offset,
                            s.lastFrame - s.firstFrame + 1, s.score};
            for (int32_t f = s.firstFrame; f <= s.lastFrame && f < static_cast<int32_t>(loopPerFrame.size()); ++f)
                p.score -= loopPerFrame[static_cast<size_t>(f)];
            p.score /= p.frames;
            j.phones.push_back(std::move(p));
        }
        if (j.phones.size() != phones.size()) return false;
        std::vector<bool> open(phones.size());
        int32_t targetFrames = 0;
        for (size_t i = 0; i < phones.size(); ++i)
            if (!target.empty() && PhoneSaysSampa(phones[i], target)) {
                open[i] = true;
                targetFrames += j.phones[i].frames;
            }
        j.targetContrast = targetFrames > 0 ? RivalContrast(*mDecoder, say, phones, open, aligned, j.targetRival) /
                                                  targetFrames
                                            : 0;
        for (size_t i = 0; i < phones.size(); ++i)
            if (open[i]) j.phones[i].score -= j.targetContrast;
        return true;
    };
    // Now and then a wrong word cut to its speech leaves the aligner no path
    // through the phones; the whole say then gives it room.
    const bool wasCut = whole.size() != mResampled.size();
    if (!hear(mResampled, cut) && (!wasCut || !hear(whole, 0)))
        return Refused("The say cannot be aligned with the word's phones.");
    if (!looped) return Refused("The phone loop found no phones in the say.");

    int32_t targets = 0;
    for (const vPhoneScore_c& p : j.phones) {
        j.wordScore += p.score;
        if (PhoneSaysSampa(p.phone, target)) {
            j.targetScore += p.score;
            ++targets;
        }
    }
    j.wordScore /= static_cast<double>(j.phones.size());
    j.wordMark = MarkFromDistance(Distance(j.wordScore), mSettings.minResult, mSettings.maxResult);
    j.score = j.wordScore;
    if (targets > 0) {
        j.targetScore /= targets;
        j.targetDistance = Distance(j.targetScore);
        j.targetMark = MarkFromDistance(j.targetDistance, mSettings.minResult, mSettings.maxResult);
        j.score = (j.targetScore + j.wordScore) / 2;
    }
    j.distance = Distance(j.score);
    j.mark = MarkFromDistance(j.distance, mSettings.minResult, mSettings.maxResult);
    return j;
}
