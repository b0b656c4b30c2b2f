#include "exercises/app_services.h"

namespace {
vTrAppServices_i* gApp = nullptr;
}

vTrAppServices_i* AppServices() { return gApp; }
void SetAppServices(vTrAppServices_i* app) { gApp = app; }
