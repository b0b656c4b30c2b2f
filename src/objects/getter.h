#pragma once
// Getter descriptors: a property whose value is reached through the owning
// object's accessor functions instead of memory. The value is converted with
// the descriptor of its type; a getter that raises vExNotImplemented_c makes
// the property absent (IsPresent false, empty text).
//
// A class declares one getter descriptor per accessor pair and registers the
// property with V_PROP_GETTER (objects/registration.h):
//
//   using vTD_vDxImage_i_GetPosX_c =
//       vTD_GetterTmpl_c<vDxImage_i, int32_t, &vDxImage_i::GetPosX, &vDxImage_i::SetPosX>;
//   const vTD_vDxImage_i_GetPosX_c gTD_vDxImage_i_GetPosX{"vSInt32"};
//   ...  V_PROP_GETTER("PosX", gTD_vDxImage_i_GetPosX)
//
// The keyword names the value's type (so the property reads as a "vSInt32").
// Static and immutable; the accessors run on the caller's thread.

#include <functional>

#include "objects/prop_cntnr.h"
#include "platform/exception.h"

template <class T>
constexpr const vRTTI_TypeInfo_c* vTypeOf();

template <class Owner, class Value, auto Get, auto Set>
class vTD_GetterTmpl_c : public vRTTI_TypeInfo_c {
public:
    explicit vTD_GetterTmpl_c(const char* keyword) : vRTTI_TypeInfo_c(keyword, sizeof(Value)) {}

    // address is the owning object's container part (V_PROP_GETTER).
    std::size_t ToText(char* buffer, std::size_t size, void* address,
                       const ConversionContext& context) const override {
        Value value{};
        if (!Read(address, &value)) {
            if (size > 0) buffer[0] = 0;
            return 0;
        }
        return vTypeOf<Value>()->ToText(buffer, size, &value, context);
    }
    std::size_t FromText(const char* text, void* address, const ConversionContext& context) const override {
        Value value{};
        const std::size_t used = vTypeOf<Value>()->FromText(text, &value, context);
        if (used > 0) std::invoke(Set, *OwnerOf(address), value);
        return used;
    }
    bool IsPresent(void* address) const override {
        Value value{};
        return Read(address, &value);
    }

private:
    static Owner* OwnerOf(void* address) { return static_cast<Owner*>(static_cast<vPropCntnr_c*>(address)); }
    static bool Read(void* address, Value* value) {
        try {
            *value = std::invoke(Get, *OwnerOf(address));
            return true;
        } catch (const vExNotImplemented_c&) {
            return false;
        }
    }
};
