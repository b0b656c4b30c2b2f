#pragma once
// Drawing of segment markers over a recording display: a vertical line (when
// the marker's "ResDisplay/DrawSegmentLine" was on at its creation) with the
// label written under it.
//
// User-interface thread only.

#include <string>

#include "display/dx_image.h"

class vSegmentMarker_c;

struct vMarkerDrawArgs {
    int top = 0, bottom = 0;   // of the display
    int x = 0;                 // the marker's column
    bool selected = false;
    bool active = false;
    std::string ownerFont;     // the recording's marker font name
};

// The label font: the marker's face rules and its FontSize in points.
platform::FontChoice MarkerFont(const vSegmentMarker_c& marker, const std::string& ownerFont);

void DrawSegmentMarker(const vSegmentMarker_c& marker, vDxImage_i& image, const vMarkerDrawArgs& args);
