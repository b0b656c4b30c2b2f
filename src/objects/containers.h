#pragma once
// Descriptors of element containers and the iterator that walks them.
//
//   vTD_StatArr_c        T[N] inside the object (N fixed)
//   vTD_DynArr_c<T>      std::vector<T>; the count is another property of
//                        the same object (read with ReadCount, never more
//                        than the vector holds)
//   vTD_DynArrPtr_c<T>   std::vector<std::unique_ptr<T>>, counted the same way
//   vTD_STL_c<T>         std::vector<T>, a list: its length is the count
//   vTD_STLPtr_c<T>      std::vector<std::unique_ptr<T>>, a list of objects
//                        of T or any class derived from it
//
// Lists grow when a declaration appends to them; pointer containers replace
// an element when a declaration names a class for it. Registration
// (objects/registration.h) picks the descriptor from the member's type.
//
// Descriptors are static and immutable; iterators belong to the
// user-interface thread.

#include <memory>
#include <type_traits>
#include <vector>

#include "objects/prop_cntnr.h"

// A container of elements of one descriptor.
class vTD_ElemCntnr_c : public vTD_CntnrBase_c {
public:
    vTD_ElemCntnr_c(const char* name, uint32_t size, const vRTTI_TypeInfo_c* element)
        : vTD_CntnrBase_c(name, size), mElement(element) {}

    const vRTTI_TypeInfo_c* Element() const { return mElement; }
    // Elements of the value at address; owner and prop hold the count of
    // dynamic arrays.
    virtual uint32_t Count(void* address, vPropCntnr_c* owner, const vPropDesc_c* prop) const = 0;
    // Address of element i < Count (object elements: the object, null for an
    // empty pointer slot).
    virtual void* At(void* address, uint32_t i) const = 0;
    // The most elements a definition file may put in a list: enough for any
    // real list, small enough that a hostile file is refused at once.
    static constexpr uint32_t kMaxListElements = 10000;

    // Lists: adds an element (of className for lists of objects, "" for the
    // element class) and returns true. Others return false.
    virtual bool Append(void* /*address*/, const char* /*className*/) const { return false; }
    // Pointer containers: puts a new object of className ("" for the element
    // class) at i < Count and returns true. Others return false.
    virtual bool Replace(void* /*address*/, uint32_t /*i*/, const char* /*className*/) const { return false; }
    // True when elements are objects held through pointers.
    virtual bool HoldsPointers() const { return false; }
    // True when the count lives in another property (dynamic arrays).
    virtual bool CountedElsewhere() const { return false; }

    std::unique_ptr<vPropIterator_c> NewIterator(void* address, vPropCntnr_c* owner,
                                                 const vPropDesc_c* prop) const override;

private:
    const vRTTI_TypeInfo_c* mElement;
};

class vTD_StatArr_c : public vTD_ElemCntnr_c {
public:
    vTD_StatArr_c(const vRTTI_TypeInfo_c* element, uint32_t count, uint32_t elementSize)
        : vTD_ElemCntnr_c("vTD_StatArr_c", count * elementSize, element), mCount(count), mElementSize(elementSize) {}
    uint32_t Count(void*, vPropCntnr_c*, const vPropDesc_c*) const override { return mCount; }
    void* At(void* address, uint32_t i) const override { return static_cast<char*>(address) + i * mElementSize; }

private:
    uint32_t mCount;
    uint32_t mElementSize;
};

// The count property of a dynamic array: the integer property countName of
// the owner's classes. vException_c code 0 when the owner has none.
uint32_t ReadCountProperty(vPropCntnr_c* owner, const char* countName);

template <class E>
struct vIsUniquePtr_s : std::false_type {};
template <class T>
struct vIsUniquePtr_s<std::unique_ptr<T>> : std::true_type {
    using Element = T;
};

// std::vector<E> as a list (kList) or as a dynamic array counted elsewhere.
template <class E, bool kList>
class vTD_VectorTmpl_c : public vTD_ElemCntnr_c {
public:
    using Vector = std::vector<E>;
    static constexpr bool kPointers = vIsUniquePtr_s<E>::value;

    explicit vTD_VectorTmpl_c(const vRTTI_TypeInfo_c* element)
        : vTD_ElemCntnr_c(Name(), sizeof(Vector), element) {}

    uint32_t Count(void* address, vPropCntnr_c* owner, const vPropDesc_c* prop) const override {
        const std::size_t size = Vec(address).size();
        uint32_t n = size > UINT32_MAX ? UINT32_MAX : static_cast<uint32_t>(size);
        if (!kList && owner != nullptr && prop != nullptr && prop->countName != nullptr) {
            const uint32_t declared = ReadCountProperty(owner, prop->countName);
            if (declared < n) n = declared;
        }
        return n;
    }
    void* At(void* address, uint32_t i) const override {
        if constexpr (kPointers)
            return Vec(address)[i].get();
        else
            return &Vec(address)[i];
    }
    bool Append(void* address, const char* className) const override {
        if constexpr (!kList) {
            return false;
        } else if constexpr (kPointers) {
            Vec(address).push_back(Make(className));
            return true;
        } else {
            CheckValueClass(className);
            Vec(address).emplace_back();
            return true;
        }
    }
    bool Replace(void* address, uint32_t i, const char* className) const override {
        if constexpr (kPointers) {
            Vec(address)[i] = Make(className);
            return true;
        } else {
            return false;
        }
    }
    bool HoldsPointers() const override { return kPointers; }
    bool CountedElsewhere() const override { return !kList; }

private:
    static Vector& Vec(void* address) { return *static_cast<Vector*>(address); }
    static constexpr const char* Name() {
        if constexpr (kList)
            return kPointers ? "vTD_STLPtr_c" : "vTD_STL_c";
        else
            return kPointers ? "vTD_DynArrPtr_c" : "vTD_DynArr_c";
    }
    E Make(const char* className) const {
        using T = typename vIsUniquePtr_s<E>::Element;
        std::unique_ptr<vPropCntnr_c> made = CreateDerived(className, Element()->AsClass());
        T* object = dynamic_cast<T*>(made.get());
        if (object == nullptr) ThrowNotDerived();
        made.release();
        return E(object);
    }
    void CheckValueClass(const char* className) const {
        if (className != nullptr && className[0] != 0 && Element()->AsClass() != nullptr) {
            const vRTTI_TypeInfo_c* named = gTypeRegistry.Find(className);
            if (named == nullptr || !vTypeRegistry_c::SameType(named, Element())) ThrowNotDerived();
        }
    }
    [[noreturn]] void ThrowNotDerived() const;
};

// Raises the message CreateDerived uses for a class that does not fit.
[[noreturn]] void ThrowNotDerivedClass(const vRTTI_TypeInfo_c* required);

template <class E, bool kList>
void vTD_VectorTmpl_c<E, kList>::ThrowNotDerived() const {
    ThrowNotDerivedClass(Element());
}

template <class T>
using vTD_DynArr_c = vTD_VectorTmpl_c<T, false>;
template <class T>
using vTD_DynArrPtr_c = vTD_VectorTmpl_c<std::unique_ptr<T>, false>;
template <class T>
using vTD_STL_c = vTD_VectorTmpl_c<T, true>;
template <class T>
using vTD_STLPtr_c = vTD_VectorTmpl_c<std::unique_ptr<T>, true>;

// Walks the elements of any element container: index 0 to the count - 1
// (dynamic arrays re-read the count at every step).
class vElementIterator_c : public vPropIterator_c {
public:
    vElementIterator_c(const vTD_ElemCntnr_c* type, void* address, vPropCntnr_c* owner, const vPropDesc_c* prop);

    bool Next() override;
    std::unique_ptr<vPropIterator_c> Clone() const override;
    bool Equals(const vPropIterator_c& other) const override;
    const vRTTI_TypeInfo_c* GetTypeInfo() const override;
    std::string GetName() const override;
    // "" appends to a list (declaring only); "[n]..." names element n. A
    // dynamic array asks its owner to grow (OnDeclareIndex) when a declaration
    // names an element past its end. With a class name, a pointer element is
    // replaced by a new object of that class.
    std::unique_ptr<vPropIterator_c> FindPath(const char* path, const char* className, bool declaring) override;
    void ToFirst() override { mIndex = 0; }
    void ToEnd() override { mIndex = VisibleCount(); }
    bool AtEnd() const override { return mIndex >= VisibleCount(); }
    void* GetAddress() const override;
    vPropCntnr_c* Container() const override { return nullptr; }
    const vPropDesc_c* Property() const override { return mProp; }
    // Past the end, a list appends an element of its class first.
    std::size_t SetFromText(const char* text, const ConversionContext& context) override;

    uint32_t Index() const { return mIndex; }

private:
    // Raises vException_c code 0 when a dynamic array's count property is
    // negative; declarations that name an element report that.
    uint32_t Count() const { return mType->Count(mAddress, mOwner, mProp); }
    // Appends to a list; a list already at kMaxListElements raises
    // vTextException_c "The list <name> holds more than <n> elements".
    bool Append(const char* className);
    // Count for walking the elements: an unreadable count shows none, so
    // that loops over the elements (the definition writer's) never throw
    // from their end test.
    uint32_t VisibleCount() const;
    std::unique_ptr<vElementIterator_c> At(uint32_t index) const;

    const vTD_ElemCntnr_c* mType;
    void* mAddress;
    vPropCntnr_c* mOwner;
    const vPropDesc_c* mProp;
    uint32_t mIndex = 0;
};
