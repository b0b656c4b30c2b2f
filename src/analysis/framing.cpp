#include "analysis/framing.h"

#include <algorithm>
#include <string>

#include "settings/settings.h"

namespace {

std::string Key(const char* section, const char* name) { return std::string(section) + "/" + name; }

}  // namespace

vTrFraming_s vTrFraming_s::Read(const char* section, uint32_t defaultWindowSize, uint32_t defaultWindowNum,
                                uint32_t defaultInterLeave) {
    vTrFraming_s f;
    f.windowNum =
        std::clamp<uint32_t>(gSettings.GetUnsigned(Key(section, "WindowNum").c_str(), defaultWindowNum), 1, 64);
    f.windowSize =
        std::clamp<uint32_t>(gSettings.GetUnsigned(Key(section, "WindowSize").c_str(), defaultWindowSize), 8, 65536);
    // InterLeave 0 would divide by zero in the framing.
    f.interLeave = std::max<uint32_t>(gSettings.GetUnsigned(Key(section, "InterLeave").c_str(), defaultInterLeave), 1);
    return f;
}
