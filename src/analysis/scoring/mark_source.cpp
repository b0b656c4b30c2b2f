#include "analysis/scoring/mark_source.h"

#include <cctype>

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
