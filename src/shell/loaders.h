#pragma once
// The loaders of exercise and card files: roots of a definition file whose
// object ("Obj") must be an exercise or a card. The created object is
// attached to the owner given at construction (an exercise to the screen
// image it draws on, a card to its menu); the loader owns it until Release.
// User-interface thread only.

#include "objects/loader.h"

class vDxImage_i;

class vTrExerciseLoader_c : public vLoader_c {
    V_RTTI_CLASS(vTrExerciseLoader_c, vLoader_c)
public:
    vTrExerciseLoader_c() = default;
    explicit vTrExerciseLoader_c(vDxImage_i* owner) : mOwner(owner) {}
    // Raises "Cannot create non vTrExercise_c derivateive object." for any
    // other class.
    void OnDeclare(const char* path, const char* className, const vPropDesc_c& prop, void* address) override;

private:
    vDxImage_i* mOwner = nullptr;
};

class vTrMenuBtnLoader_c : public vLoader_c {
    V_RTTI_CLASS(vTrMenuBtnLoader_c, vLoader_c)
public:
    vTrMenuBtnLoader_c() = default;
    explicit vTrMenuBtnLoader_c(vDxImage_i* owner) : mOwner(owner) {}
    // Raises "Cannot create non vTrExLoadBtn_c derivateive object." for any
    // other class.
    void OnDeclare(const char* path, const char* className, const vPropDesc_c& prop, void* address) override;

private:
    vDxImage_i* mOwner = nullptr;
};
