#include "exercises/app_services.h"

#include "listening/capture.h"

namespace {
vTrAppServices_i* gServices = nullptr;
}

vTrAppServices_i* AppServices() { return gServices; }
void SetAppServices(vTrAppServices_i* app) { gServices = app; }

vTrCapture_c& vTrAppServices_i::Capture() { return SharedCapture(); }

vTrCapture_c& SharedCapture() {
    // It lives to the end: a device's last reports may still be on their way.
    static vTrCapture_c& shared = *new vTrCapture_c;
    return shared;
}

vTrCapture_c& ExerciseCapture() { return gServices ? gServices->Capture() : SharedCapture(); }
