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
    std::unique_ptr<vPropCntnr_c> made(className != nullptr && className[0] != 0
                                           ? gTypeRegistry.CreateByName(className)
                                           : nullptr);
    if (!made || !made->GetClassInfo()->DerivesFrom(required)) throw vTextException_c(message);
    mObj = std::move(made);
}
