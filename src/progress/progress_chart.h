#pragma once
// The pages of the progress report, drawn with cairo: one per trained sound
// and kind of exercise, with the mean mark shown per session as a chart over
// the sessions, the teacher's mean mark beside it where given, and the number
// of tries per session as bars. The same drawing goes into the PDF report and
// onto the screen. Plain functions of their arguments; any thread.

#include "progress/progress_store.h"

#include <cairo.h>

#include <string>
#include <vector>

namespace progress {

// A page's size in points (A4 landscape); DrawChartPage draws into
// (0, 0, kChartPageWidth, kChartPageHeight) of the cairo_t's user space.
inline constexpr double kChartPageWidth = 842, kChartPageHeight = 595;

// One session's column of a page.
struct vChartSession_c {
    std::string start;
    int tries = 0, marks = 0, markSum = 0, teacherMarks = 0, teacherSum = 0;
};

struct vChartPage_c {
    std::string heading;  // the sound and the kind of exercise
    std::vector<vChartSession_c> sessions;  // in order of their start
};

// The pages of the tries, ordered by sound and kind; none without tries.
std::vector<vChartPage_c> ChartPages(const std::vector<vStoredTry_c>& tries);

// Draws the page under title (the pupil and the period) on cr, leaving
// cr's state as it was. A page without sessions says there were no tries.
void DrawChartPage(cairo_t* cr, const std::string& title, const vChartPage_c& page);

}  // namespace progress
