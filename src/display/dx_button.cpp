#include "display/dx_button.h"

#include "platform/message_queue.h"

namespace {

vWindow_c* gMainWindow = nullptr;

}  // namespace

vDxPoint DxScreenOrigin(const vDxImage_i& image) {
    vDxPoint origin{0, 0};
    // The root of the tree (the screen) is at the origin of the screen.
    for (const vDxImage_i* i = &image; i && i->GetParent(); i = i->GetParent()) {
        origin.x += i->GetPos().x;
        origin.y += i->GetPos().y;
    }
    return origin;
}

void SetDxMainWindow(vWindow_c* window) { gMainWindow = window; }
vWindow_c* DxMainWindow() { return gMainWindow; }

void PostToDxMainWindow(platform::MessageId id, std::uintptr_t p1, std::intptr_t p2) {
    platform::Post(gMainWindow ? gMainWindow->Handle() : platform::kNoWindow, id, p1, p2);
}
