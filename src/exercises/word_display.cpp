#include "exercises/word_display.h"

#include <algorithm>
#include <memory>

#include "analysis/recording.h"
#include "analysis/time_warp.h"
#include "display/dx_dc.h"
#include "exercises/marker_draw.h"
#include "platform/exception.h"
#include "settings/settings.h"

namespace {

// Palette colours of the error marks.
constexpr int kCrossColor = 250;    // green: the say is louder than the etalon
constexpr int kOutlineColor = 255;  // white: the say is quieter
constexpr int32_t kLevelCeiling = 5000;

vDxRect Corners(int32_t x0, int32_t y0, int32_t x1, int32_t y1) { return {x0, y0, x1 - x0, y1 - y0}; }

}  // namespace

vWordDisplaySettings_c vWordDisplaySettings_c::Read() {
    vWordDisplaySettings_c s;
    if (!gSettings.FileName()) return s;
    s.pitchScale = keys::kDisplayPitchScale.Read();
    s.beginSilent = std::max(0, keys::kDisplayBeginSilent.Read());
    s.endSilent = std::max(0, keys::kDisplayEndSilent.Read());
    s.spirantLimit = keys::kSpirantLimit.Read();
    s.showVocal = keys::kDisplayShowVocal.Read();
    s.showSpirant = keys::kShowSpirant.Read();
    const int32_t dontCare = keys::kDontCareLevel.Read();
    s.displayDontCareLevel = gSettings.GetInt("ResDisplay/DisplayDontCareLevel", dontCare);
    return s;
}

vTrWordDisplay_c::vTrWordDisplay_c(vWordDisplayBackground_i& background, const vWordDisplaySettings_c& settings)
    : mBackground(background), mSettings(settings) {}

vColor_c vTrWordDisplay_c::ScaleColor(int index) {
    if (index < 8) {
        const auto level = static_cast<uint8_t>(std::min(32 * index, 255));
        return vColor_c(level, level, 128);
    }
    return vColor_c(255, static_cast<uint8_t>(32 * (index - 8)), 0);
}

void vTrWordDisplay_c::ConvertColors(vDxImage_i& target) {
    for (int i = 0; i < kScaleSize; ++i) {
        const vColor_c c = ScaleColor(i);
        mScale[static_cast<size_t>(i)] = target.MakeColor(c.mRed, c.mGreen, c.mBlue);
    }
}

int vTrWordDisplay_c::ColorIndex(int32_t level, bool plain) const {
    const int64_t floor = mSettings.displayDontCareLevel;
    int64_t index = 0;
    // A floor at or above the ceiling leaves no range to spread the levels over.
    if (floor < kLevelCeiling) {
        const int64_t v = std::min<int64_t>(std::max<int64_t>(level, floor), kLevelCeiling - 1);
        index = std::clamp<int64_t>((v - floor) * 8 / (kLevelCeiling - floor), 0, 7);
    }
    return static_cast<int>(plain ? index : index + 8);
}

bool vTrWordDisplay_c::IsPlain(vAllHmData_c& frame) const {
    if (mSettings.showSpirant) return !frame.IsSpirant(mSettings.spirantLimit);
    if (mSettings.showVocal) return frame.pitch > 10;
    return true;
}

int32_t vTrWordDisplay_c::ColumnX(const Args& args, int32_t i) const {
    const int64_t offset = (static_cast<int64_t>(i) + mSettings.beginSilent) * mWidth / std::max(args.frames, 1);
    return static_cast<int32_t>(args.position.x + 1 + offset);
}

vTrWordDisplay_c::Args vTrWordDisplay_c::ArgsFor(vDxImage_i& target, vDxPoint position, vRecording_c& recording,
                                                 vRecording_c* reference, const vWarpData_c* warp) const {
    Args a;
    a.target = &target;
    a.position = position;
    a.recording = &recording;
    const int32_t n = reference ? reference->RecSize() : recording.RecSize();
    a.columnWidth = ColumnWidthFor(n);
    a.frames = FramesFor(n);
    a.reference = reference;
    a.warp = warp;
    return a;
}

int32_t vTrWordDisplay_c::BarHeight() const { return std::max(mHeight / 20 - 2, 2); }

int32_t vTrWordDisplay_c::ColumnWidthFor(int32_t recSize) const {
    const int32_t perFrame = recSize > 0 ? mWidth / recSize - 1 : BarHeight();
    return std::max(std::min(perFrame, BarHeight()), 1);
}

template <class Column>
bool vTrWordDisplay_c::ForEachColumn(const Args& args, Column&& column) {
    mBackground.DrawDisplayBackground(*args.target, args.position);
    vRecording_c& rec = *args.recording;
    if (!rec.HasData()) return false;
    const bool warped = args.reference != nullptr;
    if (warped && !args.warp) {
        if (args.reference->HasData()) throw vTextException_c("Cannot display a warped recording if aWarpData == NULL");
        return false;
    }
    if (args.frames <= 0) return false;
    const int32_t n = warped ? args.reference->RecSize() : rec.RecSize();
    for (int32_t i = -mSettings.beginSilent; i < n + mSettings.endSilent; ++i) {
        if (i < 0) continue;
        try {
            vAllHmData_c& frame = rec.WordFrame(warped ? args.warp->RowForColumn(i) : i);
            const int32_t x0 = ColumnX(args, i);
            column(i, frame, x0, x0 + args.columnWidth);
        } catch (const vException_c&) {
            // A frame that cannot be found leaves its column empty.
        }
    }
    return true;
}

void vTrWordDisplay_c::DrawBands(const Args& args, int32_t barHeight, bool errorMarks, int32_t errorLevel) {
    vDxImage_i& target = *args.target;
    const int32_t floor = mSettings.displayDontCareLevel;
    const int32_t h = mHeight - args.margin;
    const bool warped = args.reference != nullptr;
    const uint32_t cross = target.MakeColor(kCrossColor);
    const uint32_t outline = target.MakeColor(kOutlineColor);
    std::unique_ptr<vDxDC_i> dc;
    ForEachColumn(args, [&](int32_t i, vAllHmData_c& frame, int32_t x0, int32_t x1) {
        const vAllHmData_c* ref = nullptr;
        if (warped) ref = &args.reference->WordFrame(i);
        const bool plain = IsPlain(frame);
        for (int k = 0; k < kBandCount; ++k) {
            const int32_t v = frame.channels[k];
            if (v <= floor) continue;
            const int32_t y1 = args.position.y + mHeight - args.margin - ((h - 1) * k) / 20 - 2;
            const int32_t y0 = y1 - barHeight;
            target.FillRect(Corners(x0, y0, x1, y1), mScale[static_cast<size_t>(ColorIndex(v, plain))]);
            if (!errorMarks || !ref) continue;
            const int64_t d = static_cast<int64_t>(v) - std::max(ref->channels[k], floor);
            if (d <= errorLevel && d >= -static_cast<int64_t>(errorLevel)) continue;
            // The pixel access object locks the target: only while marks are drawn.
            if (!dc) dc = target.CreateDC();
            if (d > errorLevel) {
                dc->DrawLine(x0, y0, x1, y1, cross);
                dc->DrawLine(x0, y1, x1, y0, cross);
            } else {
                dc->DrawLine(x0, y0, x1, y0, outline);
                dc->DrawLine(x1, y0, x1, y1, outline);
                dc->DrawLine(x1, y1, x0, y1, outline);
                dc->DrawLine(x0, y1, x0, y0, outline);
            }
            dc.reset();
        }
    });
}

void vTrWordDisplay_c::DrawVolume(const Args& args) {
    vDxImage_i& target = *args.target;
    const int32_t top = args.position.y + 1, bottom = args.position.y + mHeight - args.margin - 1;
    auto y = [&](int32_t v) {
        const int64_t raw = args.position.y + mHeight -
                            static_cast<int64_t>(mHeight - args.margin - 2) * std::max(v, 0) / kLevelCeiling - 1;
        return static_cast<int32_t>(std::clamp<int64_t>(raw, top, std::max(top, bottom)));
    };
    ForEachColumn(args, [&](int32_t, vAllHmData_c& frame, int32_t x0, int32_t x1) {
        const int index = ColorIndex(frame.fullBand, IsPlain(frame));
        target.FillRect(Corners(x0, y(frame.fullBand), x1, y(0)), mScale[static_cast<size_t>(index)]);
    });
}

void vTrWordDisplay_c::DrawPitch(const Args& args) {
    vDxImage_i& target = *args.target;
    const uint32_t colour = mScale[static_cast<size_t>(ColorIndex(kLevelCeiling, true))];
    const int32_t mean = args.recording->MeanSemiTone();
    const int32_t scale = std::max(mSettings.pitchScale, 1);
    const int32_t top = args.position.y + 1, bottom = args.position.y + mHeight - args.margin - 1;
    auto y = [&](int32_t s) {
        const int64_t rise = s < 0 ? -static_cast<int64_t>(mean) : static_cast<int64_t>(s) - mean;
        const int64_t raw = args.position.y + mHeight - mHeight / 2 - rise * (mHeight - args.margin - 2) / scale - 1;
        return static_cast<int32_t>(std::clamp<int64_t>(raw, top, std::max(top, bottom)));
    };
    std::unique_ptr<vDxDC_i> dc;
    bool started = false;
    ForEachColumn(args, [&](int32_t i, vAllHmData_c& frame, int32_t x0, int32_t) {
        if (!dc) dc = target.CreateDC();
        const vDxPoint p{x0, y(frame.semiTone)};
        if (i == 0) {
            dc->MoveTo(p.x, p.y);
            return;
        }
        if (frame.pitch <= 0) return;
        if (!started) {
            started = true;
            dc->MoveTo(p.x, p.y);
            return;
        }
        const vDxPoint from = dc->GetPos();
        for (int dy : {0, 1, -1, 2, -2}) dc->DrawLine(from.x, from.y + dy, p.x, p.y + dy, colour);
        dc->MoveTo(p.x, p.y);
    });
}

void vTrWordDisplay_c::DrawMarkers(const Args& args) {
    vRecording_c& rec = *args.recording;
    if (args.frames <= 0) return;
    const int32_t n = args.reference ? args.reference->RecSize() : rec.RecSize();
    for (const auto& m : rec.Markers()) {
        const auto* marker = dynamic_cast<const vSegmentMarker_c*>(m.get());
        if (!marker || !marker->IsAbsolute()) continue;
        const int64_t r = static_cast<int64_t>(marker->absPos) - rec.WordBegin();
        if (r < -mSettings.beginSilent || r >= n + mSettings.endSilent) continue;
        vMarkerDrawArgs draw;
        draw.top = args.position.y;
        draw.bottom = args.position.y + mHeight;
        draw.x = ColumnX(args, static_cast<int32_t>(r));
        draw.ownerFont = rec.MarkerFontName();
        DrawSegmentMarker(*marker, *args.target, draw);
    }
}
