#pragma once
// The microphone's recording level on the sound card's mixer: the capture
// volume of the default card, in percent. A card without a capture volume
// control, or no card at all, gives an object that is not valid and whose
// calls do nothing. Owns the mixer handle. User-interface thread only.

#include <optional>
#include <string>

struct _snd_mixer;
struct _snd_mixer_elem;

namespace platform {

// Percent of a control's range and back, rounded to the nearest step (half
// away from zero); percent above 100 counts as 100.
unsigned MixerToPercent(long value, long min, long max);
long PercentToMixer(unsigned percent, long min, long max);

class CaptureVolume {
public:
    CaptureVolume();  // opens the mixer and finds the control
    ~CaptureVolume();
    CaptureVolume(const CaptureVolume&) = delete;
    CaptureVolume& operator=(const CaptureVolume&) = delete;

    bool Valid() const { return mElement != nullptr; }
    // The control's name ("Capture", "Mic", ...); empty when not valid.
    std::string ControlName() const;
    // The first channel's level; nullopt when not valid or the mixer fails.
    std::optional<unsigned> Get() const;
    // Sets every channel; false when not valid or the mixer fails.
    bool Set(unsigned percent);

private:
    _snd_mixer* mMixer = nullptr;
    _snd_mixer_elem* mElement = nullptr;
    long mMin = 0, mMax = 0;
};

}  // namespace platform
