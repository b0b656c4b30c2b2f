#include "roster/roster_names.h"

#include <strings.h>

namespace roster {
namespace {

// True when text is well-formed UTF-8 (no overlong forms, no surrogates).
bool IsUtf8(std::string_view text) {
    for (std::size_t i = 0; i < text.size();) {
        const unsigned char c = static_cast<unsigned char>(text[i]);
        std::size_t extra = 0;
        unsigned long min = 0, code = 0;
        if (c < 0x80) {
            ++i;
            continue;
        } else if ((c & 0xE0) == 0xC0) {
            extra = 1, min = 0x80, code = c & 0x1F;
        } else if ((c & 0xF0) == 0xE0) {
            extra = 2, min = 0x800, code = c & 0x0F;
        } else if ((c & 0xF8) == 0xF0) {
            extra = 3, min = 0x10000, code = c & 0x07;
        } else {
            return false;
        }
        if (i + extra >= text.size()) return false;
        for (std::size_t k = 1; k <= extra; ++k) {
            const unsigned char cc = static_cast<unsigned char>(text[i + k]);
            if ((cc & 0xC0) != 0x80) return false;
            code = (code << 6) | (cc & 0x3F);
        }
        if (code < min || code > 0x10FFFF || (code >= 0xD800 && code <= 0xDFFF)) return false;
        i += extra + 1;
    }
    return true;
}

}  // namespace

std::string NameProblem(std::string_view name) {
    if (name.empty()) return "The name is empty.";
    if (name.size() > kMaxNameBytes) return "The name is too long.";
    for (char ch : name) {
        const unsigned char c = static_cast<unsigned char>(ch);
        if (c < 0x20 || c == 0x7F) return "The name contains a control character.";
        if (c == '/' || c == '\\') return "The name must not contain \"/\" or \"\\\".";
    }
    if (name.find("..") != std::string_view::npos) return "The name must not contain \"..\".";
    if (name.front() == '.') return "The name must not begin with \".\".";
    if (name.front() == ' ' || name.back() == ' ') return "The name must not begin or end with a blank.";
    if (!IsUtf8(name)) return "The name is not valid UTF-8 text.";
    return {};
}

bool SameName(std::string_view a, std::string_view b) {
    return a.size() == b.size() && ::strncasecmp(a.data(), b.data(), a.size()) == 0;
}

}  // namespace roster
