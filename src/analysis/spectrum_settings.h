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
}  // namespace keys

struct vSpectrumScoreSettings_c {
    bool newCalculation = keys::kSpectrumNewCalculation.def;
    unsigned shadows = 10;                  // "HM1_Processor/Shadows"
    int32_t minResult = 20000;              // "HM1_Processor/ResDisplay/MinResult"
    int32_t maxResult = 100;                // "HM1_Processor/ResDisplay/MaxResult"
    std::string limitsFile = keys::kLimitsFile.def;

    static vSpectrumScoreSettings_c Read();
};
