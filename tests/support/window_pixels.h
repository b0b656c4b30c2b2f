#pragma once
// Looking at a program's window on the X display with ImageMagick: one
// pixel's colour, and waiting for a pixel to change (windows are drawn a
// little after they show). Tests that include this drive windows with
// xdotool and run under xvfb-run.

#include "run_program.h"

#include <unistd.h>

#include <string>

namespace lorvano_test {

// xdotool and ImageMagick on an X display.
inline bool CanDriveWindows() {
    return HaveXDisplay() && !CommandOutput("command -v xdotool").empty() &&
           !CommandOutput("command -v import").empty();
}

// The colour of one pixel of what an ImageMagick command reads first, as it
// writes it ("#808080").
inline std::string PixelFrom(const std::string& reader, int x, int y) {
    const std::string line = CommandOutput(reader + " -crop 1x1+" + std::to_string(x) + "+" + std::to_string(y) +
                                           " -depth 8 txt:- | tail -n 1");
    const size_t hash = line.find('#');
    return hash == std::string::npos ? line : line.substr(hash, 7);
}

// One pixel of a window.
inline std::string PixelOf(const std::string& window, int x, int y) {
    return PixelFrom("import -window " + window, x, y);
}

// One pixel of a picture file.
inline std::string PictureColour(const std::string& path, int x, int y) {
    return PixelFrom("convert '" + path + "'", x, y);
}

// Looks until the pixel is (or, with equal false, is no longer) the colour
// given, for seconds at most (a few by default); returns the last colour seen.
inline std::string WaitForPixel(const std::string& window, int x, int y, const std::string& colour,
                                bool equal = true, int seconds = 5) {
    std::string seen;
    for (int attempt = 0; attempt < seconds * 10; ++attempt) {
        if (attempt) usleep(100 * 1000);
        seen = PixelOf(window, x, y);
        if ((seen == colour) == equal) break;
    }
    return seen;
}

}  // namespace lorvano_test
