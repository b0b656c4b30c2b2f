#include "objects/containers.h"

#include <cstring>

#include "platform/exception.h"

uint32_t ReadCountProperty(vPropCntnr_c* owner, const char* countName) {
    for (const vSubClassDesc_c& c : owner->GetSubClassList()) {
        for (const vPropDesc_c* p = c.table; !p->IsEnd(); ++p) {
            if (std::strcmp(p->name, countName) == 0) return p->type->ReadCount(p->Address(owner));
        }
    }
    throw vException_c(0);
}

std::unique_ptr<vPropIterator_c> vTD_ElemCntnr_c::NewIterator(void* address, vPropCntnr_c* owner,
                                                              const vPropDesc_c* prop) const {
    if (address == nullptr) throw vException_c(0);
    return std::make_unique<vElementIterator_c>(this, address, owner, prop);
}

vElementIterator_c::vElementIterator_c(const vTD_ElemCntnr_c* type, void* address, vPropCntnr_c* owner,
                                       const vPropDesc_c* prop)
    : mType(type), mAddress(address), mOwner(owner), mProp(prop) {}

uint32_t vElementIterator_c::VisibleCount() const {
    try {
        return Count();
    } catch (const vException_c&) {
        return 0;
    }
}

bool vElementIterator_c::Next() {
    if (AtEnd()) return false;
    ++mIndex;
    return !AtEnd();
}

std::unique_ptr<vPropIterator_c> vElementIterator_c::Clone() const {
    return std::make_unique<vElementIterator_c>(*this);
}

bool vElementIterator_c::Equals(const vPropIterator_c& other) const {
    const auto* o = dynamic_cast<const vElementIterator_c*>(&other);
    if (o == nullptr || o->mAddress != mAddress || o->mType != mType) return false;
    return o->mIndex == mIndex || (AtEnd() && o->AtEnd());
}

const vRTTI_TypeInfo_c* vElementIterator_c::GetTypeInfo() const {
    if (AtEnd()) throw vException_c(0);
    const vRTTI_TypeInfo_c* element = mType->Element();
    const vTD_PropCntnr_c* cls = element->AsClass();
    void* at = mType->At(mAddress, mIndex);
    return cls == nullptr || at == nullptr ? element : cls->Container(at)->GetTypeInfo();
}

void* vElementIterator_c::GetAddress() const {
    if (AtEnd()) throw vException_c(0);
    const vTD_PropCntnr_c* cls = mType->Element()->AsClass();
    void* at = mType->At(mAddress, mIndex);
    return cls == nullptr || at == nullptr ? at : cls->Container(at)->GetObjectAddress();
}

bool vElementIterator_c::Append(const char* className) {
    if (Count() >= vTD_ElemCntnr_c::kMaxListElements) {
        throw vTextException_c("The list " + std::string(mProp != nullptr ? mProp->name : "") + " holds more than " +
                               std::to_string(vTD_ElemCntnr_c::kMaxListElements) + " elements");
    }
    return mType->Append(mAddress, className);
}

std::string vElementIterator_c::GetName() const { return "[" + std::to_string(mIndex) + "]"; }

std::unique_ptr<vElementIterator_c> vElementIterator_c::At(uint32_t index) const {
    auto it = std::make_unique<vElementIterator_c>(*this);
    it->mIndex = index;
    return it;
}

std::unique_ptr<vPropIterator_c> vElementIterator_c::FindPath(const char* path, const char* className,
                                                              bool declaring) {
    if (path == nullptr) return nullptr;
    if (path[0] == 0) {
        // An omitted path appends to a list.
        if (!declaring || !Append(className)) return nullptr;
        return At(Count() - 1);
    }
    uint32_t index = 0;
    const char* rest = nullptr;
    if (!vPath::ParseIndex(path, &index, &rest)) return nullptr;
    if (index >= Count()) {
        if (!declaring || !mType->CountedElsewhere() || mOwner == nullptr || mProp == nullptr) return nullptr;
        if (!mOwner->OnDeclareIndex(*mProp, index) || index >= Count()) return nullptr;
    }
    const bool named = className != nullptr && className[0] != 0;
    // A class named for the element itself makes a new element; an empty
    // slot of a pointer array gets one of the element class.
    if (declaring && rest[0] == 0 && mType->HoldsPointers() && (named || mType->At(mAddress, index) == nullptr))
        mType->Replace(mAddress, index, className);
    return vPath::Continue(At(index), rest, className, declaring);
}

std::size_t vElementIterator_c::SetFromText(const char* text, const ConversionContext& context) {
    if (AtEnd()) {
        if (!Append("")) return 0;
        mIndex = Count() - 1;
    }
    return vPropIterator_c::SetFromText(text, context);
}
