#pragma once
// The backend side of an AudioDevice (private to the platform layer).
//
// A driver owns the real-time side: it calls the device's CaptureSamples /
// RenderSamples on its audio thread with its device lock held, and
// DeviceLostLocked when the device disappears. The AudioDevice calls the
// driver's operations on the user-interface thread.

#include <memory>

#include "platform/audio_device.h"

namespace platform {

class AudioDriver {
public:
    // Stops the audio thread: once it returns no more calls into the device happen.
    virtual ~AudioDriver() = default;
    // Excludes the audio thread's calls into the device while held.
    virtual void Lock() = 0;
    virtual void Unlock() = 0;
    // Capture: begin / stop delivering samples. Output drivers run from the
    // start (the device plays silence while paused or starved).
    virtual int Start() = 0;
    virtual void Stop() = 0;
    // A buffer has been queued (a driver that sleeps may want to wake).
    virtual void BufferQueued() {}
};

class DriverLock {
public:
    explicit DriverLock(AudioDriver& d) : mDriver(d) { mDriver.Lock(); }
    ~DriverLock() { mDriver.Unlock(); }
    DriverLock(const DriverLock&) = delete;
    DriverLock& operator=(const DriverLock&) = delete;

private:
    AudioDriver& mDriver;
};

// Backends. On failure they return null and set result to the code.
std::unique_ptr<AudioDriver> OpenSdlDriver(AudioDevice& device, int deviceId, int& result);
std::unique_ptr<AudioDriver> OpenFileDriver(AudioDevice& device, int deviceId, int& result);

// The format check shared by the backends: PCM, 1..8 channels, 8, 16 or 32
// bits, consistent block alignment, 1000..192000 samples per second.
bool IsPlayableFormat(const AudioFormat& format);

}  // namespace platform
