#pragma once
// Line input for the small text files of the analysis (limits, models):
// lines end at "\n" (a "\r" before it is dropped), and a line longer than the
// limit keeps its first characters while the rest of it is skipped, so an
// over-long line never turns into several. Any thread.

#include <cstdio>
#include <string>

// False at the end of the file when nothing was read.
bool ReadLimitedLine(std::FILE* file, size_t limit, std::string& line);
