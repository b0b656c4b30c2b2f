#include "analysis/sound_limits.h"

#include <algorithm>
#include <cerrno>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <memory>

#include "analysis/text_lines.h"
#include "platform/exception.h"
#include "platform/path_case.h"
#include "platform/message_box.h"
#include "platform/regular_file.h"

namespace {

bool IsBlank(char c) { return c == ' ' || c == '\t'; }

// The decimal integer at the start of text (blanks and a sign allowed),
// 0 when there is none, limited to the 32-bit range.
int32_t ParseInt(const char* text) {
    errno = 0;
    long long v = std::strtoll(text, nullptr, 10);
    if (v > INT32_MAX) return INT32_MAX;
    if (v < INT32_MIN) return INT32_MIN;
    return static_cast<int32_t>(v);
}

}  // namespace

vSoundLimits::vSoundLimits(const std::string& sound, const std::string& path)
    : targetSound(sound.substr(0, kMaxSound)) {
    Read(path);
    if (!targetSound.empty()) {
        std::string code = targetSound;
        SelectSound(code);
    }
    for (int row = 1; row <= 3; ++row)
        for (int col = 1; col <= 3; ++col) {
            const std::string key = "Const" + std::to_string(row) + "-" + std::to_string(col);
            LookupConstant(key.c_str(), constants[row - 1][col - 1]);
        }
    LookupConstant("Tracking_isol", trackingIsol);
    LookupConstant("Tracking_word", trackingWord);
    LookupConstant("AffricateLimit", affricateLimit);
}

void vSoundLimits::Read(const std::string& path) {
    platform::UniqueFile file = platform::OpenRegularStream(platform::MatchExistingCase(path));
    if (!file) throw vPrintException_c(0, "Cannot open %s file!", path.c_str());
    std::string line;
    // Lines past the table's size are ignored.
    while (lineCount < kMaxLines && ReadLimitedLine(file.get(), kMaxLine, line)) ParseLine(line);
}

void vSoundLimits::ParseLine(const std::string& raw) {
    if (raw.size() < 3 || raw[0] == ';') return;
    size_t p = 0;
    while (p < raw.size() && IsBlank(raw[p])) ++p;
    std::string key;
    int32_t value;
    if (p < raw.size() && raw[p] == '[') {
        const size_t close = raw.find(']', p);
        key = raw.substr(p, close == std::string::npos ? std::string::npos : close - p + 1);
        value = -1;
    } else {
        const size_t eq = raw.find('=', p);
        for (size_t i = p; i < raw.size() && i < eq; ++i)
            if (!IsBlank(raw[i])) key.push_back(raw[i]);
        value = eq == std::string::npos ? -2 : ParseInt(raw.c_str() + eq + 1);
    }
    lineKeys[static_cast<size_t>(lineCount)] = key.substr(0, kMaxKey);
    lineValues[static_cast<size_t>(lineCount)] = value;
    ++lineCount;
}

bool vSoundLimits::Lookup(const std::string& section, const std::string& key, int32_t& value) const {
    const std::string header = "[" + section + "]";
    int i = 0;
    while (i < lineCount && lineKeys[static_cast<size_t>(i)] != header) ++i;
    if (i == lineCount) return false;
    for (++i; i < lineCount; ++i) {
        const std::string& line = lineKeys[static_cast<size_t>(i)];
        if (line == key) {
            value = lineValues[static_cast<size_t>(i)];
            return true;
        }
        if (line.find('[') != std::string::npos && line.find(']') != std::string::npos) break;
    }
    value = -1;
    return false;
}

void vSoundLimits::LookupConstant(const char* key, int32_t& value) const {
    int32_t found = 0;
    if (Lookup("Constants", key, found)) value = found;
}

std::string vSoundLimits::OtherLengthForm(const std::string& code) {
    const size_t colon = code.find(':');
    return colon == std::string::npos ? code + ":" : code.substr(0, colon);
}

void vSoundLimits::SelectSound(std::string& code) {
    const std::string given = code;
    if (!Lookup("Sounds", code, markLimits[3])) {
        code = OtherLengthForm(code);
        if (!Lookup("Sounds", code, markLimits[3])) {
            markLimits[3] = 0;
            const std::string text =
                "No Mark 5 distance limit for " + given + " sound\nThe feedback can't work properly!!!";
            platform::ShowMessageBox({text, "Warning", platform::BoxIcon::Exclamation, platform::BoxButtons::Ok});
            return;
        }
    }
    for (int m = 2; m <= 4; ++m) {
        int32_t percent = 0;
        if (!Lookup("OtherMarks", "Mark" + std::to_string(m), percent)) percent = 0;
        const double limit = std::trunc(static_cast<double>(percent) * markLimits[3] / 100.0 + 0.5);
        markLimits[static_cast<size_t>(m - 2)] =
            static_cast<int32_t>(std::clamp(limit, static_cast<double>(INT32_MIN), static_cast<double>(INT32_MAX)));
    }
}
