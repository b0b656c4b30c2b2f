#include "objects/loader.h"

#include "platform/exception.h"

V_REGISTER_CLASS(vLoader_c,
    V_PROP_DECLARED("Obj", mObj));

void vLoader_c::LoadStarting() { mObj.reset(); }

void vLoader_c::OnDeclare(const char*, const char* className, const vPropDesc_c&, void*) {
    Declare(className, &vPropCntnr_c::sTypeInfo, "Cannot create non vPropCntnr_c derivative class!");
}

void vLoader_c::Declare(const char* className, const vRTTI_TypeInfo_c* required, const char* message) {
    mObj.reset();
    // Only class descriptors create objects; a type keyword is no class.
    const vRTTI_TypeInfo_c* type = gTypeRegistry.Find(className);
    std::unique_ptr<vPropCntnr_c> made(type != nullptr && type->AsClass() != nullptr ? type->Create() : nullptr);
    if (!made || !made->GetClassInfo()->DerivesFrom(required)) throw vTextException_c(message);
    mObj = std::move(made);
}
