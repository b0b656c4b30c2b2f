#pragma once
// The settings of the live spectrum's mark, read from gSettings (the
// defaults when no language file is set). Plain values; user-interface
// thread (the settings store's).

#include <cstdint>
#include <string>

#include "analysis/time_warp.h"
#include "settings/setting.h"

namespace keys {
inline constexpr vBoolSetting_c kSpectrumNewCalculation{"HM1_Processor/NewCalculation", false};
inline constexpr vUnsignedSetting_c kSpectrumShadows{"HM1_Processor/Shadows", 10};
inline constexpr vIntSetting_c kSpectrumMinResult{"HM1_Processor/ResDisplay/MinResult", 20000};
inline constexpr vIntSetting_c kSpectrumMaxResult{"HM1_Processor/ResDisplay/MaxResult", 100};
}  // namespace keys

struct vSpectrumScoreSettings_c {
    bool newCalculation = keys::kSpectrumNewCalculation.def;
    unsigned shadows = keys::kSpectrumShadows.def;
    int32_t minResult = keys::kSpectrumMinResult.def;
    int32_t maxResult = keys::kSpectrumMaxResult.def;
    std::string limitsFile = keys::kLimitsFile.def;

    static vSpectrumScoreSettings_c Read();
};
