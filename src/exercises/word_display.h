#pragma once
// vTrWordDisplay_c: the three recording displays of the word exercises. One
// recording is drawn into a display rectangle, one column per frame, either
// plainly or warped onto a reference recording's time axis: the 20 band
// energies as bars (display modes 1 and 2, mode 2 with error crosses and
// outlines against the reference), the full-band volume (mode 3) or the
// pitch curve (mode 4). Owns the 16-entry colour scale and the display
// settings; the exercise that owns it draws each display's background.
//
// User-interface thread only.

#include "settings/setting.h"
#include <array>
#include <cstdint>

#include "display/dx_image.h"
#include "analysis/time_warp.h"
#include "objects/point_color.h"
#include "settings/shared_keys.h"

class vAllHmData_c;
class vRecording_c;
class vWarpData_c;

namespace keys {
inline constexpr vIntSetting_c kDisplayPitchScale{"ResDisplay/PitchScale", 3600};
inline constexpr vIntSetting_c kDisplayBeginSilent{"ResDisplay/BeginScilentNum", 5};
inline constexpr vIntSetting_c kDisplayEndSilent{"ResDisplay/EndScilentNum", 5};
inline constexpr vBoolSetting_c kDisplayShowVocal{"ResDisplay/ShowVocal", false};
}  // namespace keys

// The INI keys of the displays, read when the exercise is built.
struct vWordDisplaySettings_c {
    int32_t pitchScale = keys::kDisplayPitchScale.def;  // cents
    int32_t beginSilent = keys::kDisplayBeginSilent.def;
    int32_t endSilent = keys::kDisplayEndSilent.def;
    int32_t spirantLimit = keys::kSpirantLimit.def;
    bool showVocal = keys::kDisplayShowVocal.def;
    bool showSpirant = keys::kShowSpirant.def;
    int32_t displayDontCareLevel = 2000;  // "ResDisplay/DisplayDontCareLevel" ("TimeWarp/DontCareLevel")

    static vWordDisplaySettings_c Read();
};

// Draws the background behind one display (the exercise's picture of the
// current mode, or black).
class vWordDisplayBackground_i {
public:
    virtual void DrawDisplayBackground(vDxImage_i& target, vDxPoint position) = 0;

protected:
    ~vWordDisplayBackground_i() = default;
};

class vTrWordDisplay_c {
public:
    static constexpr int kScaleSize = 16;

    // One display: where, what, and onto which time axis.
    struct Args {
        vDxImage_i* target = nullptr;  // drawn into; must not be null
        vDxPoint position;             // top-left corner of the display
        int32_t margin = 0;            // bottom margin in pixels
        vRecording_c* recording = nullptr;
        int32_t columnWidth = 1;
        int32_t frames = 0;            // column positions across the width
        vRecording_c* reference = nullptr;  // warp onto this one when given
        const vWarpData_c* warp = nullptr;
    };

    vTrWordDisplay_c(vWordDisplayBackground_i& background, const vWordDisplaySettings_c& settings);

    vWordDisplaySettings_c& Settings() { return mSettings; }
    const vWordDisplaySettings_c& Settings() const { return mSettings; }
    void SetSize(int32_t width, int32_t height) { mWidth = width; mHeight = height; }
    int32_t Width() const { return mWidth; }
    int32_t Height() const { return mHeight; }

    // The scale entries as colour triples, and converted to target's format.
    static vColor_c ScaleColor(int index);
    void ConvertColors(vDxImage_i& target);
    uint32_t ScaleEntry(int index) const { return mScale[static_cast<size_t>(index)]; }
    // The scale entry for a level (0..7, plus 8 when the frame is not plain).
    int ColorIndex(int32_t level, bool plain) const;

    // Band bars of height barHeight. With errorMarks and a reference, bands
    // that differ from the reference by more than errorLevel get a cross
    // (louder) or an outline (quieter).
    void DrawBands(const Args& args, int32_t barHeight, bool errorMarks, int32_t errorLevel);
    void DrawVolume(const Args& args);
    void DrawPitch(const Args& args);
    // The recording's placed markers over its display (lines from the top
    // to the bottom of the display, labels under them).
    void DrawMarkers(const Args& args);

    // A display of recording at position on target, laid out for the word
    // length of the reference (warped) or of the recording (plain).
    Args ArgsFor(vDxImage_i& target, vDxPoint position, vRecording_c& recording, vRecording_c* reference,
                 const vWarpData_c* warp) const;
    // The x of display index i (-beginSilent .. n + endSilent - 1).
    int32_t ColumnX(const Args& args, int32_t i) const;
    // Column width and frames shown for a recording of recSize word frames
    // drawn with bars of barHeight, as the word exercises lay them out.
    int32_t ColumnWidthFor(int32_t recSize) const;
    int32_t FramesFor(int32_t recSize) const { return recSize + mSettings.beginSilent + mSettings.endSilent; }
    int32_t BarHeight() const;

private:
    // Runs column(i, frame) for every display index whose frame can be
    // found; the others stay empty. Returns false when nothing is to be drawn.
    template <class Column>
    bool ForEachColumn(const Args& args, Column&& column);
    bool IsPlain(vAllHmData_c& frame) const;

    vWordDisplayBackground_i& mBackground;
    vWordDisplaySettings_c mSettings;
    int32_t mWidth = 600;
    int32_t mHeight = 150;
    std::array<uint32_t, kScaleSize> mScale{};
};
