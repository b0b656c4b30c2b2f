#include "objects/stream_path.h"

#include <vector>

std::string NormalizePath(std::string_view path) {
    if (path.empty()) return {};
    const bool absolute = IsPathSeparator(path.front());
    const bool trailing = IsPathSeparator(path.back());

    std::vector<std::string_view> parts;
    size_t pos = 0;
    while (pos < path.size()) {
        size_t end = pos;
        while (end < path.size() && !IsPathSeparator(path[end])) ++end;
        std::string_view part = path.substr(pos, end - pos);
        pos = end + 1;
        if (part.empty() || part == ".") continue;
        if (part == "..") {
            if (!parts.empty() && parts.back() != "..") {
                parts.pop_back();
                continue;
            }
            if (absolute) continue;  // nothing is above the root
        }
        parts.push_back(part);
    }

    std::string out;
    if (absolute) out = "/";
    for (size_t i = 0; i < parts.size(); ++i) {
        if (i > 0) out += '/';
        out += parts[i];
    }
    if (parts.empty()) return absolute ? out : std::string(".");
    if (trailing) out += '/';
    return out;
}
