#include "exercises/app_services.h"

namespace {
vTrAppServices_i* gServices = nullptr;
}

vTrAppServices_i* AppServices() { return gServices; }
void SetAppServices(vTrAppServices_i* app) { gServices = app; }
