#pragma once
// Playback. vWaveOut_c runs an output device whose played buffers come back
// as message 957; vPlayback_c plays one WAV file, loaded whole, and closes the
// device when the sound has finished; vTrPlayback_c also tells its exercise.
// While a sound plays, the owner window's close message (16) is posted
// again, so the window closes only after the sound; when the window is
// destroyed all the same, the sound stops.
//
// User-interface thread only.

#include <memory>
#include <string>

#include "audio/wave.h"

class vWaveOut_c : public vWave_c {
public:
    ~vWaveOut_c() override;

    // 955 opened, 956 closed, 957 buffer done (p2 = the buffer record); 16
    // deferred while a sound plays. Failures are shown as warnings.
    Result OnMessage(platform::MessageId id, std::uintptr_t p1, std::intptr_t p2) override;
    // Closes the device (vPlayback_c joins the destroy chain).
    Result OnDestroy() override;

    using vWave_c::Open;
    void Open(int deviceId, const platform::AudioFormat& format) override;
    // Closes the device; while it still plays, resets and pauses it and
    // hands the returned buffers to BufferDone, then tries again.
    void Close() override;
    // Resume / pause; both raise -1 without a device.
    void Start() override;
    void Stop() override;
    void AddBuffer(platform::AudioBuffer* header) override;
    void ProcessBuffer(platform::AudioBuffer* header) final { BufferDone(header); }
    // A buffer has been played.
    virtual void BufferDone(platform::AudioBuffer* header) = 0;

private:
    Result Handle(platform::MessageId id, std::uintptr_t p1, std::intptr_t p2);
};

class vPlayback_c : public vWaveOut_c {
public:
    // Attaches to the window.
    explicit vPlayback_c(vWindow_c& window);
    ~vPlayback_c() override;

    // Loads the file whole and plays it on the device (-1: the default one).
    // Raises 0 when the file cannot be used (nothing is opened then), the
    // device's code when it refuses, and 33 while a sound is still playing.
    void PlayFile(const char* fileName, int deviceId = platform::audio::kDefaultDevice);

    // Frees the sound and closes the device.
    void BufferDone(platform::AudioBuffer* header) override;

    bool Finished() const { return mFinished; }
    const std::string* FileName() const { return mFileName.get(); }

private:
    bool mFinished = false;
    std::unique_ptr<std::string> mFileName;
    std::unique_ptr<vWaveBuffer_c> mSound;
};

// What an exercise hears from its playback object.
class vPlaybackListener_i {
public:
    // The sound has ended and the device is closed. Once per PlayFile.
    virtual void OnPlaybackFinished() = 0;

protected:
    ~vPlaybackListener_i() = default;
};

class vTrPlayback_c : public vPlayback_c {
public:
    vTrPlayback_c(vWindow_c& window, vPlaybackListener_i& exercise) : vPlayback_c(window), mExercise(exercise) {}
    void OnClose() override;

private:
    vPlaybackListener_i& mExercise;
};
