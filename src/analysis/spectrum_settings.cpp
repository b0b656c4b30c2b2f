#include "analysis/spectrum_settings.h"

#include "settings/settings.h"

vSpectrumScoreSettings_c vSpectrumScoreSettings_c::Read() {
    vSpectrumScoreSettings_c s;
    s.newCalculation = keys::kSpectrumNewCalculation.Read();
    s.shadows = gSettings.GetUnsigned("HM1_Processor/Shadows", s.shadows);
    s.minResult = gSettings.GetInt("HM1_Processor/ResDisplay/MinResult", s.minResult);
    s.maxResult = gSettings.GetInt("HM1_Processor/ResDisplay/MaxResult", s.maxResult);
    s.limitsFile = keys::kLimitsFile.Read();
    return s;
}
