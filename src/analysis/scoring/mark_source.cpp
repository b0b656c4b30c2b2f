#include "analysis/scoring/mark_source.h"

#include <cctype>
#include <cmath>

#include "settings/settings.h"

vMarkSourceSettings_c vMarkSourceSettings_c::Read() {
    vMarkSourceSettings_c s;
    if (!gSettings.FileName()) return s;
    std::string name = kSource.Read();
    for (char& c : name) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    if (name == "acoustic")
        s.source = vMarkSource::Acoustic;
    else if (name == "fused")
        s.source = vMarkSource::Fused;
    else if (name != "warp")
        s.unknownSource = name;
    s.fusionWeight = std::clamp(kFusionWeight.Read(), 0, 100);
    s.acousticMinResult = kAcousticMinResult.Read();
    s.acousticMaxResult = kAcousticMaxResult.Read();
    s.acousticModel = kAcousticModel.Read();
    return s;
}

double vMarkSourceSettings_c::AcousticPosition(int32_t distance) const {
    if (acousticMinResult == acousticMaxResult)
        return distance > acousticMinResult ? 1.0 : distance < acousticMaxResult ? 5.0 : 3.0;
    const double position = 4.5 - 3.0 * (static_cast<double>(distance) - acousticMaxResult) /
                                      (static_cast<double>(acousticMinResult) - acousticMaxResult);
    return std::clamp(position, 0.5, 5.5);
}

int32_t vMarkSourceSettings_c::Fused(int32_t acousticDistance, int32_t warpMark) const {
    const double fused = (fusionWeight * AcousticPosition(acousticDistance) + (100 - fusionWeight) * warpMark) / 100.0;
    return std::clamp(static_cast<int32_t>(std::ceil(fused - 0.5 - 1e-9)), 1, 5);
}
