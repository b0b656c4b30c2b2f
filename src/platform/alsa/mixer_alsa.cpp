#include "platform/mixer.h"

#include <alsa/asoundlib.h>

#include <algorithm>
#include <cstring>

namespace platform {
namespace {

// a * b / c rounded to the nearest whole number, halves away from zero.
long MulDiv(long a, long b, long c) {
    if (c == 0) return 0;
    const long long p = static_cast<long long>(a) * b;
    const long long half = (c < 0 ? -c : c) / 2;
    return static_cast<long>(((p < 0) != (c < 0) ? p - half : p + half) / c);
}

bool HasCaptureVolume(snd_mixer_elem_t* e) {
    return snd_mixer_selem_is_active(e) && snd_mixer_selem_has_capture_volume(e);
}

// The card's recording level: "Capture" where there is one, else the
// microphone's own capture volume, else the first capture volume at all.
snd_mixer_elem_t* FindCaptureVolume(snd_mixer_t* mixer) {
    snd_mixer_elem_t* found = nullptr;
    int foundRank = 3;
    for (snd_mixer_elem_t* e = snd_mixer_first_elem(mixer); e; e = snd_mixer_elem_next(e)) {
        if (!HasCaptureVolume(e)) continue;
        const char* name = snd_mixer_selem_get_name(e);
        const int rank = std::strcmp(name, "Capture") == 0 ? 0 : std::strcmp(name, "Mic") == 0 ? 1 : 2;
        if (rank < foundRank) found = e, foundRank = rank;
    }
    return found;
}

// A machine without a sound card is normal here: alsa-lib is kept from
// printing its complaints while the mixer is looked for.
void Quiet(const char*, int, const char*, int, const char*, ...) {}

}  // namespace

unsigned MixerToPercent(long value, long min, long max) {
    return static_cast<unsigned>(std::clamp(MulDiv(value - min, 100, max - min), 0L, 100L));
}

long PercentToMixer(unsigned percent, long min, long max) {
    return min + MulDiv(std::min(percent, 100u), max - min, 100);
}

CaptureVolume::CaptureVolume() {
    snd_lib_error_set_handler(&Quiet);
    if (snd_mixer_open(&mMixer, 0) < 0) mMixer = nullptr;
    if (mMixer && snd_mixer_attach(mMixer, "default") == 0 && snd_mixer_selem_register(mMixer, nullptr, nullptr) == 0 &&
        snd_mixer_load(mMixer) == 0) {
        snd_mixer_elem_t* e = FindCaptureVolume(mMixer);
        if (e && snd_mixer_selem_get_capture_volume_range(e, &mMin, &mMax) == 0 && mMax > mMin) mElement = e;
    }
    snd_lib_error_set_handler(nullptr);
}

CaptureVolume::~CaptureVolume() {
    if (mMixer) snd_mixer_close(mMixer);
}

std::string CaptureVolume::ControlName() const { return mElement ? snd_mixer_selem_get_name(mElement) : ""; }

std::optional<unsigned> CaptureVolume::Get() const {
    long value = 0;
    if (!mElement || snd_mixer_selem_get_capture_volume(mElement, SND_MIXER_SCHN_FRONT_LEFT, &value) < 0)
        return std::nullopt;
    return MixerToPercent(value, mMin, mMax);
}

bool CaptureVolume::Set(unsigned percent) {
    return mElement && snd_mixer_selem_set_capture_volume_all(mElement, PercentToMixer(percent, mMin, mMax)) == 0;
}

}  // namespace platform
