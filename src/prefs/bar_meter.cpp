#include "prefs/bar_meter.h"

#include <algorithm>

vBarMeter_c::vBarMeter_c() { SetBarCount(10); }

vBarMeter_c::~vBarMeter_c() {
    if (mPicture) cairo_surface_destroy(mPicture);
}

void vBarMeter_c::SetBarCount(int n) {
    mValues.assign(static_cast<std::size_t>(std::max(n, 0)), 0);
    mDrawn = mValues;
    mWidth = mHeight = 0;  // the next paint starts a fresh picture
}

bool vBarMeter_c::SetValue(int bar, std::int32_t value) {
    if (bar < 0 || bar >= BarCount() || value < 0) return false;
    mValues[static_cast<std::size_t>(bar)] = std::min(value, mMaximum);
    return true;
}

void vBarMeter_c::SetMarks(std::int32_t low, std::int32_t high) {
    mMarks[0] = std::min(low, mMaximum);
    mMarks[1] = std::min(high, mMaximum);
}

int vBarMeter_c::BarHeight(std::int32_t value) const {
    const int usable = mHeight - 2 * mMargin;
    return static_cast<int>(static_cast<std::int64_t>(value) * usable / mMaximum);
}

void vBarMeter_c::DrawChanged() {
    const int bars = BarCount();
    if (bars == 0) return;
    const int usable = mHeight - 2 * mMargin;
    const int threshold = usable * mRedPercent / 100;
    const int step = (mWidth - mSideMargin) / bars;
    const int x0 = (mGap + mWidth - bars * step) / 2;
    const int bottom = mMargin + usable;
    cairo_t* cr = cairo_create(mPicture);
    auto band = [&](int x, int from, int to, const Colour& c) {
        if (to <= from) return;
        cairo_set_source_rgb(cr, c.red, c.green, c.blue);
        cairo_rectangle(cr, x, bottom - to, step - mGap, to - from);
        cairo_fill(cr);
    };
    for (int i = 0; i < bars; ++i) {
        const std::int32_t value = mValues[static_cast<std::size_t>(i)];
        std::int32_t& drawn = mDrawn[static_cast<std::size_t>(i)];
        if (value == drawn) continue;
        const int x = x0 + step * i;
        const int h = BarHeight(value);
        band(x, 0, std::min(h, threshold), mBar);
        if (h > threshold) band(x, threshold, h, mOver);
        if (value < drawn) band(x, h, BarHeight(drawn), mBackground);
        drawn = value;
    }
    cairo_destroy(cr);
}

void vBarMeter_c::Paint(cairo_t* cr, int width, int height) {
    if (width <= 0 || height <= 0) return;
    if (!mPicture || width != mWidth || height != mHeight) {
        if (mPicture) cairo_surface_destroy(mPicture);
        mPicture = cairo_image_surface_create(CAIRO_FORMAT_RGB24, width, height);
        mWidth = width;
        mHeight = height;
        cairo_t* fill = cairo_create(mPicture);
        cairo_set_source_rgb(fill, mBackground.red, mBackground.green, mBackground.blue);
        cairo_paint(fill);
        cairo_destroy(fill);
        std::fill(mDrawn.begin(), mDrawn.end(), 0);
    }
    DrawChanged();
    cairo_set_source_surface(cr, mPicture, 0, 0);
    cairo_paint(cr);
    for (std::int32_t mark : mMarks) {
        if (mark < 0) continue;
        const double y = mMargin + (mHeight - 2 * mMargin) - BarHeight(mark) + 0.5;
        cairo_set_source_rgb(cr, 0, 0, 0);
        cairo_set_line_width(cr, 1);
        cairo_move_to(cr, 0, y);
        cairo_line_to(cr, mWidth, y);
        cairo_stroke(cr);
    }
}
