#include "objects/type_info.h"

#include <cstring>

#include "objects/prop_cntnr.h"
#include "platform/exception.h"

constinit vTypeRegistry_c gTypeRegistry;

vRTTI_TypeInfo_c::vRTTI_TypeInfo_c(const char* name, uint32_t size, uint32_t key)
    : mName(name), mSize(size), mKey(key) {
    gTypeRegistry.Insert(this);
}

vRTTI_TypeInfo_c::~vRTTI_TypeInfo_c() { gTypeRegistry.Remove(this); }

uint32_t vRTTI_TypeInfo_c::GetSizeOf() const {
    if (mSize == 0) throw vTextException_c("'_SizeOf' was not initialized.");
    return mSize;
}

void* vRTTI_TypeInfo_c::CreateArray(std::size_t) const { throw vException_c(0); }

void vRTTI_TypeInfo_c::DeleteArray(void*) const { throw vException_c(0); }

vPropCntnr_c* vRTTI_TypeInfo_c::Create() const { throw vException_c(0); }

std::unique_ptr<vPropIterator_c> vRTTI_TypeInfo_c::NewIterator(void*, vPropCntnr_c*, const vPropDesc_c*) const {
    throw vException_c(0);
}

uint32_t vRTTI_TypeInfo_c::ReadCount(const void*) const { throw vException_c(0); }

std::size_t vRTTI_TypeInfo_c::ToTextAt(char* buffer, std::size_t size, vPropIterator_c& iterator,
                                       const ConversionContext& context) const {
    return ToText(buffer, size, iterator.GetAddress(), context);
}

std::size_t vRTTI_TypeInfo_c::FromTextAt(const char* text, vPropIterator_c& iterator,
                                         const ConversionContext& context) const {
    return FromText(text, iterator.GetAddress(), context);
}

// ---------------------------------------------------------------------------

void vTypeRegistry_c::Insert(vRTTI_TypeInfo_c* type) {
    type->mNext = mHead;
    mHead = type;
}

void vTypeRegistry_c::Remove(const vRTTI_TypeInfo_c* type) {
    const vRTTI_TypeInfo_c** link = &mHead;
    // Descriptors are const to everyone but the registry, which owns the links.
    while (*link != nullptr && *link != type) link = &const_cast<vRTTI_TypeInfo_c*>(*link)->mNext;
    if (*link == type) *link = type->mNext;
}

const vRTTI_TypeInfo_c* vTypeRegistry_c::Find(const char* name) const {
    if (name == nullptr) return nullptr;
    for (const vRTTI_TypeInfo_c* t = mHead; t != nullptr; t = t->mNext) {
        if (std::strcmp(t->Name(), name) == 0) return t;
    }
    return nullptr;
}

vPropCntnr_c* vTypeRegistry_c::CreateByName(const char* name) const {
    const vRTTI_TypeInfo_c* t = Find(name);
    return t == nullptr ? nullptr : t->Create();
}

vPropCntnr_c* vTypeRegistry_c::CreateByType(const vRTTI_TypeInfo_c* type) const {
    for (const vRTTI_TypeInfo_c* t = mHead; t != nullptr; t = t->mNext) {
        if (SameType(t, type)) return t->Create();
    }
    return nullptr;
}

void* vTypeRegistry_c::CreateArrayByName(const char* name, std::size_t n) const {
    const vRTTI_TypeInfo_c* t = Find(name);
    return t == nullptr ? nullptr : t->CreateArray(n);
}

void* vTypeRegistry_c::CreateArrayByType(const vRTTI_TypeInfo_c* type, std::size_t n) const {
    for (const vRTTI_TypeInfo_c* t = mHead; t != nullptr; t = t->mNext) {
        if (SameType(t, type)) return t->CreateArray(n);
    }
    return nullptr;
}

bool vTypeRegistry_c::SameType(const vRTTI_TypeInfo_c* a, const vRTTI_TypeInfo_c* b) {
    if (a == b) return true;
    if (a == nullptr || b == nullptr) return false;
    if (a->Key() == 0 || b->Key() == 0) return std::strcmp(a->Name(), b->Name()) == 0;
    return a->Key() == b->Key();
}
