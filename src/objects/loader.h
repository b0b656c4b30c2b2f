#pragma once
// vLoader_c: the root of a definition file that holds one object of a class
// named in the file:
//
//   <vTrPitchExercise_c> Obj = { ... }
//
// The loader owns the object until its owner takes it (Release). Variants
// that require another base class override OnDeclare and call Declare with
// their class and message:
//   vTrExerciseLoader_c  "Cannot create non vTrExercise_c derivateive object."
//   vTrMenuBtnLoader_c   "Cannot create non vTrExLoadBtn_c derivateive object."
// User-interface thread.

#include <memory>

#include "objects/registration.h"

class vLoader_c : public vPropCntnr_c {
    V_RTTI_CLASS(vLoader_c, vPropCntnr_c)
public:
    vLoader_c() = default;

    vPropCntnr_c* Object() const { return mObj.get(); }
    std::unique_ptr<vPropCntnr_c> Release() { return std::move(mObj); }
    void SetObject(std::unique_ptr<vPropCntnr_c> object) { mObj = std::move(object); }

    // Frees the object of a previous load.
    void LoadStarting() override;
    // Obj: a new object of className, which must be a vPropCntnr_c.
    void OnDeclare(const char* path, const char* className, const vPropDesc_c& prop, void* address) override;

protected:
    // Frees the current object and creates one of className; when there is
    // no such class or it does not derive from required, raises
    // vTextException_c with message.
    void Declare(const char* className, const vRTTI_TypeInfo_c* required, const char* message);

private:
    std::unique_ptr<vPropCntnr_c> mObj;
};
