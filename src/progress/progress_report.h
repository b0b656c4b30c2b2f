#pragma once
// Reports on stored tries: CSV text and the agreement between the program's
// marks and the teacher's. Plain functions of their arguments; any thread.

#include "progress/progress_store.h"

#include <ostream>
#include <string>
#include <vector>

namespace progress {

// The tries as CSV (RFC 4180, UTF-8), a header line first. Text cells that a
// spreadsheet would take for a formula are written with a leading "'".
void WriteCsv(std::ostream& out, const std::vector<vStoredTry_c>& tries);

// How the program's marks agree with the teacher's, over the tries where
// both gave a mark 1..5 ("not a try" and tries without the teacher's mark
// are left out). Fractions are 0..1; a value that cannot be had (no tries,
// kappa when every mark is the same) is NaN.
struct vAgreement_c {
    int tries = 0;
    double exact = 0;      // the same mark
    double withinOne = 0;  // at most one apart
    double kappa = 0;      // Cohen's kappa, quadratic weights
    double meanWhenHigh = 0;  // mean program mark where the teacher gave 4 or 5
    double meanWhenLow = 0;   // ... 1 or 2
};
vAgreement_c Agreement(const std::vector<vStoredTry_c>& tries);

}  // namespace progress
