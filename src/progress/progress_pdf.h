#pragma once
// The progress report as a PDF (cairo): a page per trained sound and kind of
// exercise, with the mean mark shown per session as a chart over the
// sessions, the teacher's mean mark beside it where given, and the number of
// tries per session as bars. Any thread.

#include "progress/progress_store.h"

#include <string>
#include <vector>

namespace progress {

// The PDF of the pupil's tries (oldest first); title heads every page (the
// pupil and the period). Empty when cairo failed.
std::string PdfReport(const std::string& title, const std::vector<vStoredTry_c>& tries);

}  // namespace progress
