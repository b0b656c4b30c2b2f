#include "analysis/spectrum_settings.h"

#include "settings/settings.h"

vSpectrumScoreSettings_c vSpectrumScoreSettings_c::Read() {
    vSpectrumScoreSettings_c s;
    s.newCalculation = gSettings.GetBool("HM1_Processor/NewCalculation", s.newCalculation);
    s.shadows = gSettings.GetUnsigned("HM1_Processor/Shadows", s.shadows);
    s.minResult = gSettings.GetInt("HM1_Processor/ResDisplay/MinResult", s.minResult);
    s.maxResult = gSettings.GetInt("HM1_Processor/ResDisplay/MaxResult", s.maxResult);
    char path[201];
    gSettings.GetString("HM1_Processor/MaxRes", path, sizeof path, s.limitsFile.c_str());
    s.limitsFile = path;
    return s;
}
