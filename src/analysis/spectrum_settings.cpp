#include "analysis/spectrum_settings.h"

#include "settings/settings.h"

vSpectrumScoreSettings_c vSpectrumScoreSettings_c::Read() {
    vSpectrumScoreSettings_c s;
    s.newCalculation = keys::kSpectrumNewCalculation.Read();
    s.shadows = keys::kSpectrumShadows.Read();
    s.minResult = keys::kSpectrumMinResult.Read();
    s.maxResult = keys::kSpectrumMaxResult.Read();
    s.limitsFile = keys::kLimitsFile.Read();
    return s;
}
