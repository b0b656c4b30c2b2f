#include "analysis/markers.h"

#include <algorithm>
#include <utility>

#include "analysis/recording.h"
#include "analysis/time_warp.h"
#include "platform/exception.h"
#include "settings/settings.h"

vSegmentMarker_c::vSegmentMarker_c()
    : drawLine(gSettings.FileName() ? kDrawSegmentLine.Read() : kDrawSegmentLine.def) {}

int32_t vSegmentMarker_c::GetPos(bool absolute) const {
    if (absolute) {
        if (absPos == kMarkerUndefined) throw vTextException_c("Marker already relative!");
        return absPos;
    }
    if (pos == kMarkerUndefined) throw vTextException_c("Marker already absolute!");
    return pos;
}

void vSegmentMarker_c::SetPos(int32_t value, bool absolute) {
    if (absolute) {
        absPos = value;
        pos = kMarkerUndefined;
    } else {
        pos = value;
        absPos = kMarkerUndefined;
    }
}

void vSegmentMarker_c::MakeAbsolute(int32_t base) {
    if (absPos != kMarkerUndefined) throw vTextException_c("Marker already absolute!");
    if (pos == kMarkerUndefined) throw vTextException_c("Marker is undefined!");
    // Wrapping is harmless here, but signed overflow is not: add unsigned.
    absPos = static_cast<int32_t>(static_cast<uint32_t>(base) + static_cast<uint32_t>(pos));
    pos = kMarkerUndefined;
}

std::unique_ptr<vRecordMarker_c> vSegmentMarker_c::Clone() const {
    auto clone = std::make_unique<vSegmentMarker_c>();
    clone->label = label;
    clone->segmentCode = segmentCode;
    clone->pos = pos;
    return clone;
}

std::unique_ptr<vRecordMarker_c> vSegmentMarker_c::Copy() const {
    return std::make_unique<vSegmentMarker_c>(*this);
}

std::string vSegmentMarker_c::EffectiveFontName(const std::string& ownerFont) const {
    if (!fontName.empty()) return fontName;
    if (!ownerFont.empty()) return ownerFont;
    return "Arial";
}

vRecMarkerList_c& vRecMarkerList_c::operator=(const vRecMarkerList_c& other) {
    if (this == &other) return *this;
    std::vector<std::unique_ptr<vRecordMarker_c>> copy;
    copy.reserve(other.size());
    for (const auto& m : other) copy.push_back(m->Copy());
    std::vector<std::unique_ptr<vRecordMarker_c>>::operator=(std::move(copy));
    return *this;
}

int vRecMarkerList_c::MakeRelativeAbsolute(int32_t base) {
    int converted = 0;
    for (auto& m : *this) {
        if (m->IsAbsolute()) continue;
        // A marker that was never placed has no position to convert; it stays
        // unplaced rather than failing the whole recording.
        try {
            m->MakeAbsolute(base);
            ++converted;
        } catch (const vTextException_c&) {
        }
    }
    return converted;
}

vRecMarkerList_c CarriedMarkers(const vRecording_c& from, const vRecording_c& to, const vWarpData_c& warp) {
    vRecMarkerList_c carried;
    if (!warp.HasMatrix() || to.RecPos() <= 0) return carried;
    // (position in from, marker), in the order of their positions.
    std::vector<std::pair<int64_t, const vRecordMarker_c*>> placed;
    for (const auto& m : from.Markers()) {
        try {
            const int64_t at = m->IsAbsolute() ? m->GetPos(true) : int64_t{from.WordBegin()} + m->GetPos(false);
            placed.emplace_back(at, m.get());
        } catch (const vTextException_c&) {
            // Never placed: nothing to carry.
        }
    }
    std::stable_sort(placed.begin(), placed.end(), [](const auto& a, const auto& b) { return a.first < b.first; });
    const int64_t last = to.RecPos() - 1;
    int64_t previous = -1;
    for (const auto& [at, marker] : placed) {
        const int64_t i = at - from.WordBegin();
        int64_t j;
        if (i < 0)
            j = i;
        else if (i < warp.Cols())
            j = warp.RowForColumn(static_cast<int32_t>(i));
        else
            j = warp.Rows() + (i - warp.Cols());
        const int64_t position = std::clamp(std::max(to.WordBegin() + j, previous + 1), int64_t{0}, last);
        auto copy = marker->Copy();
        copy->SetPos(static_cast<int32_t>(position), true);
        carried.Add(std::move(copy));
        previous = position;
    }
    return carried;
}

V_REGISTER_CLASS(vRecordMarker_c);
V_REGISTER_CLASS(vSegmentMarker_c,
    V_PROP("FontName", fontName),
    V_PROP("FontSize", fontSize),
    V_PROP("Label", label),
    V_PROP("SegmentCode", segmentCode),
    V_PROP("Pos", pos),
    V_PROP("AbsPos", absPos));
