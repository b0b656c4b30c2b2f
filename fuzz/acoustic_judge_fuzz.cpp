// The acoustic judge on arbitrary audio and phone strings: every input is
// marked or refused with an error, never a crash or hang, and a mark is
// 1..5. Input: a byte choosing the sample rate, a byte the phone count (0-7),
// one byte per phone (the model's phones, silence and an unknown one), a
// byte the trained sound, then little-endian 16-bit samples (at most a
// quarter second, so that a run stays short). The model is loaded once.
#include <algorithm>
#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

#include "analysis/scoring/acoustic_judge.h"

namespace {

const char* const kPhones[] = {"AA", "AE", "AH", "AO", "AW", "AY", "B",  "CH", "D",  "DH", "EH", "ER", "EY", "F",
                               "G",  "HH", "IH", "IY", "JH", "K",  "L",  "M",  "N",  "NG", "OW", "OY", "P",  "R",
                               "S",  "SH", "T",  "TH", "UH", "UW", "V",  "W",  "Y",  "Z",  "ZH", "SIL", "XX"};
constexpr size_t kPhoneCount = sizeof kPhones / sizeof kPhones[0];
const char* const kTargets[] = {"", "s", "S", "i:", "tS", "Q", "@", "x"};
constexpr int32_t kRates[] = {8000, 11025, 16000, 22050, 44100, 0};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static vAcousticJudge_c judge(vAcousticJudge_c::DefaultModelFolder(), {});
    if (size < 3) return 0;
    const int32_t rate = kRates[data[0] % (sizeof kRates / sizeof kRates[0])];
    const size_t count = data[1] % 8;
    if (size < 3 + count) return 0;
    std::vector<std::string> phones;
    for (size_t i = 0; i < count; ++i) phones.emplace_back(kPhones[data[2 + i] % kPhoneCount]);
    const std::string target = kTargets[data[2 + count] % (sizeof kTargets / sizeof kTargets[0])];
    size_t at = 3 + count;
    const size_t samples = std::min((size - at) / 2, static_cast<size_t>(rate > 0 ? rate / 4 : 4000));
    std::vector<int16_t> say(samples);
    if (samples > 0) std::memcpy(say.data(), data + at, samples * 2);
    const vAcousticJudgment_c j = judge.Judge(say.data(), say.size(), rate, phones, target);
    if (j.Marked() ? (j.mark < 1 || j.mark > 5 || j.phones.size() != phones.size()) : j.mark != -1) __builtin_trap();
    return 0;
}
