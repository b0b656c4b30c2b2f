#pragma once
// The progress report as a PDF (cairo): the pages of progress_chart.h, one
// after another. Any thread.

#include "progress/progress_store.h"

#include <string>
#include <vector>

namespace progress {

// The PDF of the pupil's tries (oldest first); title heads every page (the
// pupil and the period). Empty when cairo failed.
std::string PdfReport(const std::string& title, const std::vector<vStoredTry_c>& tries);

}  // namespace progress
