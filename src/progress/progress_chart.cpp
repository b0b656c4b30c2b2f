#include "progress/progress_chart.h"

#include <algorithm>
#include <map>
#include <tuple>

namespace progress {
namespace {

constexpr double kWidth = kChartPageWidth, kHeight = kChartPageHeight, kMargin = 56;

std::string KindName(int kind) {
    if (kind == 3) return "words";
    if (kind == 2) return "held sound";
    return "exercise kind " + std::to_string(kind);
}

void Text(cairo_t* cr, double x, double y, const std::string& text, double size, bool bold = false) {
    cairo_select_font_face(cr, "DejaVu Sans", CAIRO_FONT_SLANT_NORMAL,
                           bold ? CAIRO_FONT_WEIGHT_BOLD : CAIRO_FONT_WEIGHT_NORMAL);
    cairo_set_font_size(cr, size);
    cairo_move_to(cr, x, y);
    cairo_show_text(cr, text.c_str());
}

}  // namespace

std::vector<vChartPage_c> ChartPages(const std::vector<vStoredTry_c>& tries) {
    // Per sound and kind, the sessions in order of their start.
    std::map<std::tuple<std::string, int>, std::map<std::pair<std::string, int64_t>, vChartSession_c>> columns;
    for (const vStoredTry_c& t : tries) {
        vChartSession_c& s = columns[{t.sound, t.kind}][{t.sessionStart, t.session}];
        s.start = t.sessionStart;
        ++s.tries;
        if (t.mark >= 1) ++s.marks, s.markSum += t.mark;
        if (t.teacherMark >= 1) ++s.teacherMarks, s.teacherSum += t.teacherMark;
    }
    std::vector<vChartPage_c> pages;
    for (const auto& [key, sessions] : columns) {
        const auto& [sound, kind] = key;
        vChartPage_c& page = pages.emplace_back();
        page.heading =
            (sound.empty() ? std::string("no trained sound") : "sound \"" + sound + "\"") + ", " + KindName(kind);
        for (const auto& [order, column] : sessions) page.sessions.push_back(column);
    }
    return pages;
}

void DrawChartPage(cairo_t* cr, const std::string& title, const vChartPage_c& page) {
    cairo_save(cr);
    cairo_set_source_rgb(cr, 0, 0, 0);
    Text(cr, kMargin, kMargin - 20, title, 16, true);
    const std::vector<vChartSession_c>& sessions = page.sessions;
    if (sessions.empty()) {
        Text(cr, kMargin, kMargin + 20, "No tries in this period.", 13);
        cairo_restore(cr);
        return;
    }
    Text(cr, kMargin, kMargin + 2, page.heading, 13);
    const double left = kMargin + 30, right = kWidth - kMargin;
    const double markTop = kMargin + 30, markBottom = 360, barTop = 400, barBottom = kHeight - kMargin - 20;
    const std::size_t n = sessions.size();
    const double step = (right - left) / static_cast<double>(n);
    auto x = [&](std::size_t i) { return left + step * (static_cast<double>(i) + 0.5); };
    auto markY = [&](double mark) { return markBottom - (mark - 1) / 4 * (markBottom - markTop); };

    // Mark axis 1..5 with grid lines.
    cairo_set_line_width(cr, 0.5);
    for (int m = 1; m <= 5; ++m) {
        cairo_set_source_rgb(cr, 0.8, 0.8, 0.8);
        cairo_move_to(cr, left, markY(m));
        cairo_line_to(cr, right, markY(m));
        cairo_stroke(cr);
        cairo_set_source_rgb(cr, 0, 0, 0);
        Text(cr, left - 16, markY(m) + 4, std::to_string(m), 10);
    }
    Text(cr, left, markTop - 8, "mean mark per session: program (line), teacher (squares)", 10);

    // The program's mean mark: a line through the sessions that have one.
    cairo_set_source_rgb(cr, 0.18, 0.43, 0.71);
    cairo_set_line_width(cr, 2);
    bool drawing = false;
    for (std::size_t i = 0; i < n; ++i) {
        if (!sessions[i].marks) continue;
        const double y = markY(static_cast<double>(sessions[i].markSum) / sessions[i].marks);
        drawing ? cairo_line_to(cr, x(i), y) : cairo_move_to(cr, x(i), y);
        drawing = true;
    }
    cairo_stroke(cr);
    for (std::size_t i = 0; i < n; ++i) {
        if (!sessions[i].marks) continue;
        cairo_arc(cr, x(i), markY(static_cast<double>(sessions[i].markSum) / sessions[i].marks), 3.5, 0, 6.3);
        cairo_fill(cr);
    }
    // The teacher's mean mark.
    cairo_set_source_rgb(cr, 0.75, 0.3, 0.1);
    cairo_set_line_width(cr, 1.5);
    for (std::size_t i = 0; i < n; ++i) {
        if (!sessions[i].teacherMarks) continue;
        const double y = markY(static_cast<double>(sessions[i].teacherSum) / sessions[i].teacherMarks);
        cairo_rectangle(cr, x(i) - 5, y - 5, 10, 10);
        cairo_stroke(cr);
    }

    // Tries per session.
    int most = 1;
    for (const vChartSession_c& s : sessions) most = std::max(most, s.tries);
    cairo_set_source_rgb(cr, 0, 0, 0);
    Text(cr, left, barTop - 8, "tries per session (most: " + std::to_string(most) + ")", 10);
    for (std::size_t i = 0; i < n; ++i) {
        const double h = (barBottom - barTop) * sessions[i].tries / most;
        cairo_set_source_rgb(cr, 0.55, 0.55, 0.55);
        cairo_rectangle(cr, x(i) - step * 0.3, barBottom - h, step * 0.6, h);
        cairo_fill(cr);
        cairo_set_source_rgb(cr, 0, 0, 0);
        // At most 16 dates fit under the bars.
        if (n <= 16 || i % ((n + 15) / 16) == 0)
            Text(cr, x(i) - 24, barBottom + 14, sessions[i].start.substr(0, 10), 8);
    }
    cairo_restore(cr);
}

}  // namespace progress
