#include "analysis/text_lines.h"

bool ReadLimitedLine(std::FILE* file, size_t limit, std::string& line) {
    line.clear();
    bool any = false;
    for (int c; (c = std::fgetc(file)) != EOF;) {
        any = true;
        if (c == '\n') break;
        if (line.size() < limit) line.push_back(static_cast<char>(c));
    }
    if (!line.empty() && line.back() == '\r') line.pop_back();
    return any;
}
