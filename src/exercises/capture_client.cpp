#include "exercises/capture_client.h"

#include "exercises/app_services.h"

vTrCaptureClient_c::~vTrCaptureClient_c() {
    if (mCapture) mCapture->Forget(*this);
}

vTrCapture_c& vTrCaptureClient_c::Capture() const { return mCapture ? *mCapture : ExerciseCapture(); }

void vTrCaptureClient_c::StartListening(vWindow_c* window) {
    vTrCapture_c& capture = ExerciseCapture();
    if (mCapture && mCapture != &capture) mCapture->Forget(*this);
    mCapture = &capture;
    capture.Listen(*this, mBufferLength, window, mTone);
}

void vTrCaptureClient_c::StopListening() {
    if (mCapture) mCapture->StopListening(*this);
}

void vTrCaptureClient_c::ToneChanged() {
    if (mCapture && mCapture->IsBound(*this)) mCapture->SetTestTone(mTone);
}
