#pragma once
// vTrCapture_c: the program's microphone. One capture device serves
// whichever object is listening (an exercise, the settings sheet's meters):
// each filled buffer, after the test tone and the overload check, goes to
// that listener through vTrCaptureListener_i, with the overload indication.
// The application owns one and offers it to its exercises; listeners come
// and go, the capture stays.
//
// A listener stays bound after it stops listening, until another one listens
// or it lets go (Forget, from its destructor): buffers handed in by hand
// (recorded input) still reach it.
//
// Each Listen that opens the device reads "Preprocessor/OverloadDelay" and
// "Preprocessor/PreAllocNum" anew. User-interface thread only.

#include "audio/tr_wave_in.h"

class vWindow_c;

// The test tone an exercise may put in place of the microphone.
struct vTestTone_s {
    bool on = false;
    double frequency = 1000;  // Hz
    double amplitude = 1.0;   // peak, as a fraction of full scale
};

// What the object that listens receives.
class vTrCaptureListener_i {
public:
    virtual ~vTrCaptureListener_i() = default;
    // A filled buffer of 16-bit samples (after the tone and the overload check).
    virtual void OnCaptureBuffer(platform::AudioBuffer& buffer) = 0;
    // The input clips; the indication ends OverloadDelay buffers after the last clip.
    virtual void OnOverloadBegin() {}
    virtual void OnOverloadEnd() {}
};

class vTrCapture_c : public vTrWaveIn_c {
public:
    vTrCapture_c();
    ~vTrCapture_c() override;  // closes the device

    // Binds listener with its tone and, unless the device already runs for
    // it, opens (-1, 22050, 1, 16) with buffers of bufferLength samples,
    // reporting through window, and starts. Another listener is stopped
    // first. Raises the device's code when it cannot open (-1 without a
    // window); nothing runs then, and the listener stays bound.
    void Listen(vTrCaptureListener_i& listener, int bufferLength, vWindow_c* window, const vTestTone_s& tone);
    // Stops and closes the device when listener is the bound one.
    void StopListening(const vTrCaptureListener_i& listener);
    // Unbinds listener (stopping first); nothing when another is bound.
    void Forget(const vTrCaptureListener_i& listener);
    // Listener bound and the device open.
    bool IsListening(const vTrCaptureListener_i& listener) const { return mListener == &listener && HasDevice(); }
    bool IsBound(const vTrCaptureListener_i& listener) const { return mListener == &listener; }
    // The tone of the bound listener, from its next buffer on.
    void SetTestTone(const vTestTone_s& tone);

    void ProcessBuffer(platform::AudioBuffer* header) override;
    void OnOverloadBegin() override;
    void OnOverloadEnd() override;

private:
    vTrCaptureListener_i* mListener = nullptr;
};
