#pragma once
// vTrCaptureClient_c: an exercise's hold on the program's microphone
// (ExerciseCapture()), which every listening exercise shares. Keeps what is
// the exercise's own: its buffer length and its test tone (off when the
// exercise is made). Remembers the capture it listened through, so that it
// stops and lets go of that one even when the application has gone since.
// User-interface thread only.

#include "listening/capture.h"

class vTrCaptureClient_c : public vTrCaptureListener_i {
public:
    explicit vTrCaptureClient_c(int bufferLength) : mBufferLength(bufferLength) {}
    ~vTrCaptureClient_c() override;  // lets go of the capture
    vTrCaptureClient_c(const vTrCaptureClient_c&) = delete;
    vTrCaptureClient_c& operator=(const vTrCaptureClient_c&) = delete;

    int BufferLength() const { return mBufferLength; }
    // Bound to the capture and its device open.
    bool Listening() const { return mCapture && mCapture->IsListening(*this); }
    // The capture listened through last (the program's, before the first time).
    vTrCapture_c& Capture() const;
    const vTestTone_s& TestTone() const { return mTone; }

protected:
    // Listens with notifications through window; raises the device's code
    // (-1 without a window) and nothing runs then (see vTrCapture_c::Listen).
    void StartListening(vWindow_c* window);
    // Stops and closes the device when this exercise is the one listening.
    void StopListening();
    // The tone; ToneChanged hands it to the capture while bound.
    vTestTone_s& Tone() { return mTone; }
    void ToneChanged();

private:
    int mBufferLength;
    vTestTone_s mTone;
    vTrCapture_c* mCapture = nullptr;
};
