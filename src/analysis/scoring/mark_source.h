#pragma once
// Which judge's mark a word exercise shows ("ResDisplay/MarkSource"): the
// warp's (a say's distance to the etalon, the default), the acoustic
// judge's (a speaker-independent model, no etalon), or both fused (Fused).
// The acoustic distance is marked like the warp's, by AcousticMinResult and
// AcousticMaxResult. Read on the user-interface thread (gSettings); the
// struct is plain data for whichever judge or tool uses it.

#include <algorithm>
#include <cstdint>
#include <string>

#include "settings/setting.h"

enum class vMarkSource { Warp, Acoustic, Fused };

struct vMarkSourceSettings_c {
    static constexpr vTextSetting_c kSource{"ResDisplay/MarkSource", "warp", 18};
    static constexpr vIntSetting_c kFusionWeight{"ResDisplay/FusionWeight", 50};
    // The acoustic distance (thousandths of a nat per frame) at and above
    // which the mark is 1, and below which it is 5.
    // Fitted on the tuning voices (scripts/gop_tables.py --fit).
    static constexpr vIntSetting_c kAcousticMinResult{"ResDisplay/AcousticMinResult", 10251};
    static constexpr vIntSetting_c kAcousticMaxResult{"ResDisplay/AcousticMaxResult", 2279};
    // The acoustic model's folder (empty: the one installed with the system).
    static constexpr vTextSetting_c kAcousticModel{"ResDisplay/AcousticModel", "", 260};

    vMarkSource source = vMarkSource::Warp;
    int32_t fusionWeight = kFusionWeight.def;  // 0..100
    int32_t acousticMinResult = kAcousticMinResult.def;
    int32_t acousticMaxResult = kAcousticMaxResult.def;
    std::string acousticModel;
    // The source's name as the settings gave it, when it names none (then Warp).
    std::string unknownSource;

    // From gSettings; the defaults without a language file.
    static vMarkSourceSettings_c Read();

    // Where an acoustic distance lies on the scale of marks, unrounded:
    // MarkFromDistance's mark is this rounded half down and kept to 1..5
    // (AcousticMaxResult lies at 4.5, AcousticMinResult at 1.5), kept here
    // to 0.5..5.5 so that one far-off say cannot outweigh the warp alone.
    double AcousticPosition(int32_t distance) const;
    // The mark shown for a say at acoustic distance acousticDistance that
    // the warp marked warpMark: the acoustic position's share FusionWeight
    // percent, the warp's mark the rest, rounded half down. The position
    // rather than the acoustic mark keeps what the acoustic judge knows
    // between two marks (right and wrong tuning says part better).
    int32_t Fused(int32_t acousticDistance, int32_t warpMark) const;
};
