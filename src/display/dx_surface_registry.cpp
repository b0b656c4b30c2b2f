#include "display/dx_surface_registry.h"

#include "display/dx_image.h"
#include "platform/exception.h"

#include <algorithm>
#include <vector>

namespace {

std::vector<vDxImage_i*>& Registry() {
    static std::vector<vDxImage_i*> images;
    return images;
}

vDxImage_i* gScreen = nullptr;
bool gRestoring = false;

}  // namespace

void RegisterSurfaceImage(vDxImage_i* image) { Registry().push_back(image); }

void UnregisterSurfaceImage(vDxImage_i* image) {
    auto& r = Registry();
    r.erase(std::remove(r.begin(), r.end(), image), r.end());
    if (gScreen == image) gScreen = nullptr;
}

void SetScreenImage(vDxImage_i* screen) {
    UnregisterSurfaceImage(screen);
    gScreen = screen;
}

int RegisteredSurfaceCount() { return static_cast<int>(Registry().size()); }

void RestoreAllSurfaces() {
    // A loss seen while restoring is not repaired by restoring again.
    if (gRestoring)
        throw vDxException_c(platform::surface_result::kSurfaceLost, "Surfaces were lost again while restoring");
    gRestoring = true;
    struct Reset {
        ~Reset() { gRestoring = false; }
    } reset;
    // A copy: restoring may create images.
    std::vector<vDxImage_i*> images = Registry();
    // Surfaces first get their memory back, all of them, so that an image
    // whose reload draws from another image (the picture cache) finds it usable.
    for (vDxImage_i* image : images) image->RestoreSurface();
    if (gScreen) gScreen->RestoreSurface();
    for (vDxImage_i* image : images) image->Restore();
    if (gScreen) {
        gScreen->Restore();
        gScreen->NotifyBeginUpdate();
    }
    for (vDxImage_i* image : images) image->Draw();
    if (gScreen) {
        gScreen->Draw();
        gScreen->NotifyEndUpdate();
    }
}
