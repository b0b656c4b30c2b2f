#pragma once
// The video modes the display offers, for the settings sheet's choice of
// screen mode. User-interface thread only.

#include <optional>
#include <vector>

namespace platform {

struct DisplayMode {
    int width = 0, height = 0, bits = 0;
};

// The modes of the first display; nullopt when the display system cannot be
// started or cannot list its modes.
std::optional<std::vector<DisplayMode>> ListDisplayModes();

}  // namespace platform
