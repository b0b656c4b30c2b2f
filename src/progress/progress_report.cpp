#include "progress/progress_report.h"

#include <cmath>
#include <cstdio>
#include <limits>

namespace progress {
namespace {

constexpr double kNone = std::numeric_limits<double>::quiet_NaN();

std::string Cell(const std::string& text) {
    std::string cell = text;
    if (!cell.empty() && std::string("=+-@\t\r").find(cell[0]) != std::string::npos) cell.insert(0, 1, '\'');
    if (cell.find_first_of(",\"\r\n") == std::string::npos) return cell;
    std::string quoted = "\"";
    for (char c : cell) {
        if (c == '"') quoted += '"';
        quoted += c;
    }
    return quoted + '"';
}

std::string Number(double value) {
    char text[32];
    std::snprintf(text, sizeof text, "%.6g", value);
    return text;
}

bool IsMark(int mark) { return mark >= 1 && mark <= 5; }

}  // namespace

void WriteCsv(std::ostream& out, const std::vector<vStoredTry_c>& tries) {
    out << "pupil,teacher,session,session_start,time,exercise,card,kind,mark,sound,sound_mark,score,teacher_mark,"
           "recording\r\n";
    for (const vStoredTry_c& t : tries) {
        out << Cell(t.pupil) << ',' << Cell(t.teacher) << ',' << t.session << ',' << Cell(t.sessionStart) << ','
            << Cell(t.time) << ',' << Cell(t.exerciseFile) << ',' << Cell(t.cardText) << ',' << t.kind << ','
            << t.mark << ',' << Cell(t.sound) << ',' << t.soundMark << ',' << Number(t.score) << ','
            << (t.teacherMark < 0 ? std::string() : t.teacherMark == 0 ? std::string("not a try")
                                                                       : std::to_string(t.teacherMark))
            << ',' << Cell(t.recording) << "\r\n";
    }
}

vAgreement_c Agreement(const std::vector<vStoredTry_c>& tries) {
    double observed[5][5] = {};
    int n = 0, exact = 0, near = 0, high = 0, low = 0;
    double highSum = 0, lowSum = 0;
    for (const vStoredTry_c& t : tries) {
        if (!IsMark(t.mark) || !IsMark(t.teacherMark)) continue;
        ++n;
        observed[t.mark - 1][t.teacherMark - 1] += 1;
        exact += t.mark == t.teacherMark;
        near += std::abs(t.mark - t.teacherMark) <= 1;
        if (t.teacherMark >= 4) ++high, highSum += t.mark;
        if (t.teacherMark <= 2) ++low, lowSum += t.mark;
    }
    vAgreement_c a;
    a.tries = n;
    if (n == 0) {
        a.exact = a.withinOne = a.kappa = a.meanWhenHigh = a.meanWhenLow = kNone;
        return a;
    }
    a.exact = static_cast<double>(exact) / n;
    a.withinOne = static_cast<double>(near) / n;
    a.meanWhenHigh = high ? highSum / high : kNone;
    a.meanWhenLow = low ? lowSum / low : kNone;
    double rows[5] = {}, cols[5] = {};
    for (int i = 0; i < 5; ++i)
        for (int j = 0; j < 5; ++j) rows[i] += observed[i][j] / n, cols[j] += observed[i][j] / n;
    double disagreement = 0, chance = 0;
    for (int i = 0; i < 5; ++i)
        for (int j = 0; j < 5; ++j) {
            const double w = (i - j) * (i - j) / 16.0;
            disagreement += w * observed[i][j] / n;
            chance += w * rows[i] * cols[j];
        }
    a.kappa = chance > 0 ? 1 - disagreement / chance : kNone;
    return a;
}

}  // namespace progress
