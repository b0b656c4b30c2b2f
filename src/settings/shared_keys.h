#pragma once
// The settings read by modules that stand beside each other (the display and
// the shell, the capture and the analysis, the exercises and the settings
// sheet), declared once here below them all. Settings that one module owns
// are declared next to it.

#include "settings/setting.h"

namespace keys {

// The screen: the design resolution the pictures are made for, the mode the
// program asks for, and whether it fills the screen.
inline constexpr vIntSetting_c kDefaultResX{"ScreenMode/DefaultResX", 800};
inline constexpr vIntSetting_c kDefaultResY{"ScreenMode/DefaultResY", 600};
inline constexpr vIntSetting_c kActualResX{"ScreenMode/ActualResX", 800};
inline constexpr vIntSetting_c kActualResY{"ScreenMode/ActualResY", 600};
inline constexpr vUnsignedSetting_c kBitsPerPixel{"ScreenMode/BPP", 16};
inline constexpr vBoolSetting_c kFullScreen{"ScreenMode/FullScreen", true};

// The preprocessor: the filter bank's coefficients, the live bank's
// calibration (the block processor has its own key), the window file, and
// the gain before the analysis (also the overload check's).
inline constexpr vTextSetting_c kCoefficients{"Preprocessor/Coeficients", "coef.dat"};
inline constexpr vTextSetting_c kLiveCalibration{"Preprocessor/Equalize", "calib.txt"};
inline constexpr vTextSetting_c kWindowFile{"Preprocessor/Window", ""};
inline constexpr vDoubleSetting_c kPreAmp{"Preprocessor/PreAmp", 1.0};

// The live spectrum: its own window (on or off, and a file of its own), its
// smoothing and the colour of the bands outside the corridor.
inline constexpr vBoolSetting_c kSpectrumWindowOn{"HM1_Processor/DoWindow", true};
inline constexpr vTextSetting_c kSpectrumWindowFile{"HM1_Processor/WindowFn", ""};
inline constexpr vBoolSetting_c kSpectrumSmoothing{"HM1_Processor/Smoothing", true};
inline constexpr vBoolSetting_c kSpectrumErrorColour{"HM1_Processor/DoErrorColor", true};

// The word exercise: spirants shown apart, the etalon played on entry, the
// exercise's own background.
inline constexpr vBoolSetting_c kShowSpirant{"ResDisplay/ShowSpirant", true};
inline constexpr vBoolSetting_c kAutoPlayback{"ResDisplay/AutoPlayback", true};
inline constexpr vBoolSetting_c kWordBackground{"WordExercise/ShowBG", true};

// The length of the line behind the loudness and pitch figures.
inline constexpr vUnsignedSetting_c kLoudnessLine{"Ampl_Processor/TailLength", 25};
inline constexpr vUnsignedSetting_c kPitchLine{"Pitch_Exercise/TailLength", 100};

// The first entry of a result view's feedback pictures (all ones: none set).
inline constexpr vUnsignedSetting_c kFeedbackOffset{"Feedback/Offset", 0xFFFFFFFFu};

// The word detector's trigger and the analysis it does while listening.
inline constexpr vIntSetting_c kTriggerLevel{"WordDetector/TrigLevel", 3000};
inline constexpr vBoolSetting_c kRealtimeFilters{"WordDetector/RealtimeFilters", true};
inline constexpr vBoolSetting_c kRealtimePitch{"WordDetector/RealtimePitch", false};

}  // namespace keys
