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

bool Silent(const std::vector<int16_t>& samples) {
    const size_t n = PhoneDecoder::kSamplesPerFrame;
    for (size_t at = 0; at + n <= samples.size(); at += n) {
        double power = 0;
        for (size_t i = at; i < at + n; ++i) power += static_cast<double>(samples[i]) * samples[i];
        if (power / n >= kSilenceRms * kSilenceRms) return false;
    }
    return true;
}

// Digital silence (the exact zeros of synthesised or padded files) gives the
// front end log energies without a floor, which throw the cepstral mean off
// and can leave a word unalignable. A least significant bit of noise, the
// same sequence for every say, keeps the result repeatable.
void Dither(std::vector<int16_t>& samples) {
    uint32_t state = 12345;
    for (int16_t& s : samples) {
        state = state * 1664525u + 1013904223u;
        const int d = static_cast<int>(state >> 30) - 1;  // -1, 0, 1 or 2, which counts as 0
        const int v = s + (d > 1 ? 0 : d);
        s = static_cast<int16_t>(std::clamp(v, -32768, 32767));
    }
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
    if (Silent(mResampled)) return Refused("The say is silence.");
    const size_t pad = static_cast<size_t>(kPadFrames) * PhoneDecoder::kSamplesPerFrame;
    mResampled.insert(mResampled.begin(), pad, 0);
    mResampled.insert(mResampled.end(), pad, 0);
    Dither(mResampled);

    const std::vector<platform::PhoneSegment> aligned =
        mDecoder->Align(mResampled.data(), mResampled.size(), phones);
    const std::vector<platform::PhoneSegment> loop = mDecoder->PhoneLoop(mResampled.data(), mResampled.size());
    // The loop's score spread evenly over the frames of each of its phones.
    std::vector<double> loopPerFrame(mResampled.size() / PhoneDecoder::kSamplesPerFrame + 1, 0);
    for (const platform::PhoneSegment& s : loop)
        for (int32_t f = s.firstFrame; f <= s.lastFrame && f < static_cast<int32_t>(loopPerFrame.size()); ++f)
            loopPerFrame[static_cast<size_t>(f)] = s.score / (s.lastFrame - s.firstFrame + 1);

    vAcousticJudgment_c j;
    for (const platform::PhoneSegment& s : aligned) {
        if (s.phone == "SIL") continue;
        vPhoneScore_c p{s.phone, SampaOfPhone(s.phone), std::max(s.firstFrame - kPadFrames, 0),
                        s.lastFrame - s.firstFrame + 1, s.score};
        for (int32_t f = s.firstFrame; f <= s.lastFrame && f < static_cast<int32_t>(loopPerFrame.size()); ++f)
            p.score -= loopPerFrame[static_cast<size_t>(f)];
        p.score /= p.frames;
        j.phones.push_back(std::move(p));
    }
    if (j.phones.size() != phones.size()) return Refused("The say cannot be aligned with the word's phones.");
    if (loop.empty()) return Refused("The phone loop found no phones in the say.");

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
