#include "listening/capture.h"

#include "events/window.h"

vTrCapture_c::vTrCapture_c() : vTrWaveIn_c(0) {}

vTrCapture_c::~vTrCapture_c() {
    // Buffers handed back while closing must find no listener.
    mListener = nullptr;
    try {
        Close();
    } catch (const vException_c&) {
    }
}

void vTrCapture_c::Listen(vTrCaptureListener_i& listener, int bufferLength, vWindow_c* window,
                          const vTestTone_s& tone) {
    if (mListener != &listener && mListener) StopListening(*mListener);
    mListener = &listener;
    SetTestTone(tone);
    if (HasDevice() && bufferLength == BufferLength()) return;
    Close();
    Configure(bufferLength);
    if (!window) throw vException_c(-1);
    // The window may be another one than last time (or a new one where an
    // old one was): the notifications follow the listener's.
    LeaveChain(Chain::Message);
    LeaveChain(Chain::UserMessage);
    AttachToWindow(*window);
    try {
        Open(platform::audio::kDefaultDevice, 22050, 1, 16);
        Start();
    } catch (const vException_c&) {
        try {
            Close();
        } catch (const vException_c&) {
        }
        throw;
    }
}

void vTrCapture_c::StopListening(const vTrCaptureListener_i& listener) {
    if (mListener != &listener || !HasDevice()) return;
    Stop();
    Close();
}

void vTrCapture_c::Forget(const vTrCaptureListener_i& listener) {
    if (mListener != &listener) return;
    try {
        StopListening(listener);
    } catch (const vException_c&) {
        // The listener is going away; closing is all there was to do.
    }
    mListener = nullptr;
}

void vTrCapture_c::SetTestTone(const vTestTone_s& tone) {
    SetTone(tone.on);
    SetToneFrequency(tone.frequency);
    SetToneAmplitude(tone.amplitude);
}

void vTrCapture_c::ProcessBuffer(platform::AudioBuffer* header) {
    if (mListener) mListener->OnCaptureBuffer(*header);
}

void vTrCapture_c::OnOverloadBegin() {
    if (mListener) mListener->OnOverloadBegin();
}

void vTrCapture_c::OnOverloadEnd() {
    if (mListener) mListener->OnOverloadEnd();
}
