#pragma once
// Drawer buttons that load an exercise named in their definition
// ("Exercise"):
//   vDxExLoadMenuBtn_c posts 1025 with a heap copy of the name to the main
//     window (which loads it when the message arrives), then asks for the
//     drawer's refresh;
//   vTrExerciseMenuBtn_c asks for the refresh, then loads the exercise at
//     once through the application (which holds drawing back meanwhile).
// A button with an empty Exercise, or without a main window, loads nothing.
// User-interface thread only.

#include "display/dx_menu.h"

class vDxExLoadMenuBtn_c : public vDxMenuBtn_c {
    V_RTTI_CLASS(vDxExLoadMenuBtn_c, vDxMenuBtn_c)
public:
    void SetExercise(std::string name) { mExercise = std::move(name); }
    void OnClick() override;

private:
    vStrTmpl_c mExercise;
};

class vTrExerciseMenuBtn_c : public vDxCmdMenuBtn_c {
    V_RTTI_CLASS(vTrExerciseMenuBtn_c, vDxCmdMenuBtn_c)
public:
    void SetExercise(std::string name) { mExercise = std::move(name); }
    void OnClick() override;

private:
    vStrTmpl_c mExercise;
};
