#pragma once
// The framing of the continuous analyses: how a capture buffer is cut into
// analysis windows, read from a settings section. Plain values; any thread.

#include <cstdint>

// How capture buffers are cut into analysis windows.
struct vTrFraming_s {
    uint32_t windowNum = 1;    // windows per capture buffer
    uint32_t windowSize = 224; // samples per window (a multiple of 8 is used)
    uint32_t interLeave = 1;   // every InterLeave-th window is analysed

    // "<section>/WindowNum", "/WindowSize", "/InterLeave". Values that would
    // break the framing are brought into range: WindowNum and InterLeave
    // at least 1, WindowSize 8..65536.
    static vTrFraming_s Read(const char* section, uint32_t defaultWindowSize, uint32_t defaultWindowNum = 1,
                             uint32_t defaultInterLeave = 1);
    int BufferLength() const { return static_cast<int>(windowSize * windowNum); }
    // Windows analysed per buffer, and from one analysed window's start to
    // the next one's (the samples read, then those skipped).
    int AnalysedWindows() const { return static_cast<int>(windowNum / interLeave); }
    int WindowStep() const { return static_cast<int>(windowSize / 8 * 8 + windowSize * (interLeave - 1)); }
};
