#include "exercises/marker_draw.h"

#include "analysis/markers.h"
#include "display/dx_dc.h"

platform::FontChoice MarkerFont(const vSegmentMarker_c& marker, const std::string& ownerFont) {
    platform::FontChoice font;
    font.face = marker.EffectiveFontName(ownerFont);
    font.bold = false;
    font.points = marker.fontSize;
    return font;
}

void DrawSegmentMarker(const vSegmentMarker_c& marker, vDxImage_i& image, const vMarkerDrawArgs& args) {
    const bool white = args.selected && args.active;
    const uint32_t colour = white ? image.MakeColor(255, 255, 255) : image.MakeColor(0, 0, 255);
    if (marker.label.empty() && !args.selected) return;
    if (marker.DrawsLine()) image.CreateDC()->DrawLine(args.x, args.top + 3, args.x, args.bottom - 23, colour);
    if (marker.label.empty()) return;
    const platform::FontChoice font = MarkerFont(marker, args.ownerFont);
    // One line, as wide as it needs; the box only places it.
    const vDxRect box{args.x + 3, args.bottom - 18, platform::TextWidth(font, marker.label) + 1, -1};
    image.DrawTextBox(box, marker.label, font, platform::TextColour{255, 255, 255});
}
