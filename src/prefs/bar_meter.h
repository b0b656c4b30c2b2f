#pragma once
// vBarMeter_c: a row of vertical bars on the log-energy scale (0..5000), as
// the microphone page shows the 20 filter-bank bands and the level. Bars are
// green up to 90 % of the usable height and red above; only bars whose value
// changed are drawn again, into a picture the meter keeps (a bar that falls
// gets its upper part painted in the background colour), and the widget
// shows that picture. Owns its values and the picture. User-interface thread
// only.

#include <cairo.h>

#include <cstdint>
#include <vector>

class vBarMeter_c {
public:
    struct Colour {
        double red, green, blue;
    };

    vBarMeter_c();
    ~vBarMeter_c();
    vBarMeter_c(const vBarMeter_c&) = delete;
    vBarMeter_c& operator=(const vBarMeter_c&) = delete;

    // n bars, all 0.
    void SetBarCount(int n);
    int BarCount() const { return static_cast<int>(mValues.size()); }
    // False (nothing stored) for a bar that does not exist or a negative
    // value; values above the maximum are stored as the maximum.
    bool SetValue(int bar, std::int32_t value);
    std::int32_t Value(int bar) const { return mValues.at(bar); }
    std::int32_t Maximum() const { return mMaximum; }
    void SetBackground(Colour colour) { mBackground = colour; }

    // Brings the kept picture up to date for a client area of this size (a
    // new size starts a fresh picture in the background colour) and paints
    // it onto cr at (0, 0).
    void Paint(cairo_t* cr, int width, int height);

    // Marks drawn across the whole meter at a value (the level check's room
    // noise and speech); a negative value removes the mark.
    void SetMarks(std::int32_t low, std::int32_t high);

private:
    // Draws the bars whose values changed since they were last drawn.
    void DrawChanged();
    int BarHeight(std::int32_t value) const;

    std::int32_t mMaximum = 5000;
    int mRedPercent = 90;
    int mGap = 3;
    int mSideMargin = 4;
    int mMargin = 4;  // top and bottom
    Colour mBar{0, 1, 0};
    Colour mOver{1, 0, 0};
    Colour mBackground{0.93, 0.93, 0.93};
    std::vector<std::int32_t> mValues;
    std::vector<std::int32_t> mDrawn;
    std::int32_t mMarks[2] = {-1, -1};
    cairo_surface_t* mPicture = nullptr;
    int mWidth = 0, mHeight = 0;
};
