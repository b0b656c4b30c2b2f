#pragma once
// Property containers: the base of every class that definition files can
// create and fill, its descriptors, property tables and iterators.
//
// Declare and register classes with the macros of objects/registration.h;
// this header holds the machinery they expand to.
//
// A property descriptor reaches its member through a function generated from
// a pointer to the member. Every such function takes the object's one
// vPropCntnr_c part (classes derive from vPropCntnr_c non-virtually along a
// single chain), so no byte offsets are stored.
//
// Threads: tables and descriptors are immutable after static initialisation
// (the sub-class lists are built once, on first use, on the user-interface
// thread). Objects and iterators belong to the user-interface thread.

#include <cstdint>
#include <memory>
#include <span>
#include <string>
#include <type_traits>
#include <vector>

#include "objects/type_info.h"

// Property flags. The numbers are those of the property tables.
enum class vPropFlags_e : uint32_t {
    None = 0,
    Pointer = 0x0001,         // the member holds a pointer to the value
    NotAddressable = 0x0002,  // the member has no address (raises code 0)
    Load = 0x0010,            // definition files set it ...
    Save = 0x0020,            // ... and it is written back; always set together
    File = 0x0030,
    FixedClass = 0x4000,     // object of the member's class, created by its owner when declared
    DeclaredClass = 0x8000,  // object of the class named in the declaration
};
constexpr vPropFlags_e operator|(vPropFlags_e a, vPropFlags_e b) {
    return static_cast<vPropFlags_e>(static_cast<uint32_t>(a) | static_cast<uint32_t>(b));
}
constexpr vPropFlags_e operator&(vPropFlags_e a, vPropFlags_e b) {
    return static_cast<vPropFlags_e>(static_cast<uint32_t>(a) & static_cast<uint32_t>(b));
}
constexpr bool Any(vPropFlags_e f) { return f != vPropFlags_e::None; }

// One named property of a class. Tables end with a descriptor whose type is
// null. Built by vMakeProp (registration.h), never by hand.
class vPropDesc_c {
public:
    using AddressFn = void* (*)(vPropCntnr_c* object);
    using StoreFn = void (*)(vPropCntnr_c* object, vPropCntnr_c* value);

    const vRTTI_TypeInfo_c* type = nullptr;
    const char* name = nullptr;
    vPropFlags_e flags = vPropFlags_e::None;
    // Address of the value inside object (a pointer member is followed; null
    // while it holds no object).
    AddressFn address = nullptr;
    // Object-valued pointer members: replaces the held object by value (which
    // must derive from the member's class) and takes ownership of it.
    StoreFn store = nullptr;
    // Dynamic arrays: the property of the same object that holds the count.
    const char* countName = nullptr;

    bool IsEnd() const { return type == nullptr; }
    bool Has(vPropFlags_e f) const { return Any(flags & f); }
    // Address of the value; vException_c code 0 for a non-addressable property.
    void* Address(vPropCntnr_c* object) const;
    // The descriptor of the value: for objects the object's own class (so a
    // polymorphic member reports what it holds), else the declared type.
    const vRTTI_TypeInfo_c* ValueType(vPropCntnr_c* object) const;
    // The value's address as ValueType() understands it (the complete object
    // for objects).
    void* ValueAddress(vPropCntnr_c* object) const;
};

class vTD_PropCntnr_c;
template <class C>
class vTD_ClassTmpl_c;

// One class in an object's list of classes: its table and descriptor.
struct vSubClassDesc_c {
    const vPropDesc_c* table = nullptr;
    const vTD_PropCntnr_c* type = nullptr;
    bool operator==(const vSubClassDesc_c&) const = default;
};
// Most derived class first, root last.
using vSubClassList_c = std::vector<vSubClassDesc_c>;

// Base of every loadable class.
class vPropCntnr_c : public virtual vRTTI_Base_c {
public:
    using TD_c = vTD_ClassTmpl_c<vPropCntnr_c>;
    using vRttiBase_t = void;
    static const TD_c sTypeInfo;

    ~vPropCntnr_c() override = default;

    const vRTTI_TypeInfo_c* GetTypeInfo() const override;
    // The descriptor as a class descriptor (every container has one).
    const vTD_PropCntnr_c* GetClassInfo() const;

    // The whole object as a parenthesised list of its properties.
    virtual std::size_t ToText(char* buffer, std::size_t size, const ConversionContext& context);
    virtual std::size_t FromText(const char* text, const ConversionContext& context);
    // Address of the object as the class of GetTypeInfo() sees it.
    virtual void* GetObjectAddress() { return this; }

    // Load hooks, called by the reader around a definition body.
    virtual void LoadStarting() {}
    virtual void LoadPrepared() {}
    virtual void LoadFinished() {}
    virtual bool IsValid() { return true; }

    // Own class first, then each base; built once per class.
    virtual const vSubClassList_c& GetSubClassList() const;

    // Called while a declaration names a property with FixedClass or
    // DeclaredClass (path is the declaration's remaining path, className the
    // class it names, "" when none). The default creates the object:
    //   FixedClass: an object of the member's class, unless one is there;
    //   DeclaredClass: with a class name, a new object of that class (which
    //     must derive from the member's class) replaces the old one; without
    //     one, the object already there is kept.
    // It raises vTextException_c "Cannot create non <class> derivative class!"
    // when no suitable object can be made.
    virtual void OnDeclare(const char* path, const char* className, const vPropDesc_c& prop, void* address);

    // A declaration names element index of the dynamic array prop, which has
    // fewer elements: grow it (count property and storage) and return true,
    // or return false to refuse. The default refuses.
    virtual bool OnDeclareIndex(const vPropDesc_c& prop, uint32_t index);
};

// Creates an object of className, or of required when className is empty,
// and checks that it derives from required. Raises vTextException_c
// "Cannot create non <required> derivative class!" when that fails.
std::unique_ptr<vPropCntnr_c> CreateDerived(const char* className, const vTD_PropCntnr_c* required);

// Containers: class descriptors and element containers. Their text is a
// parenthesised list of the elements (objects: of their properties).
class vTD_CntnrBase_c : public vRTTI_TypeInfo_c {
public:
    using vRTTI_TypeInfo_c::vRTTI_TypeInfo_c;
    bool IsContainer() const override { return true; }
    std::size_t ToText(char* buffer, std::size_t size, void* address,
                       const ConversionContext& context) const override;
    std::size_t ToTextAt(char* buffer, std::size_t size, vPropIterator_c& iterator,
                         const ConversionContext& context) const override;
    std::size_t FromText(const char* text, void* address, const ConversionContext& context) const override;
    std::size_t FromTextAt(const char* text, vPropIterator_c& iterator,
                           const ConversionContext& context) const override;

    // The list form over the elements an iterator walks.
    static std::size_t ListToText(char* buffer, std::size_t size, vPropIterator_c* elements,
                                  const ConversionContext& context);
    static std::size_t ListFromText(const char* text, vPropIterator_c* elements, const ConversionContext& context);
};

// Descriptor of a property container class.
class vTD_PropCntnr_c : public vTD_CntnrBase_c {
public:
    vTD_PropCntnr_c(const char* name, uint32_t size, const vTD_PropCntnr_c* base, const vPropDesc_c* table);

    const vTD_PropCntnr_c* Base() const { return mBase; }
    // Own properties, in table order (without the end marker).
    std::span<const vPropDesc_c> Properties() const;
    const vPropDesc_c* Table() const { return mTable; }
    // This class or one of its bases is SameType as type.
    bool DerivesFrom(const vRTTI_TypeInfo_c* type) const;
    // This class first, then each base.
    const vSubClassList_c& SubClassList() const;

    vPropCntnr_c* Create() const override;
    void* CreateArray(std::size_t n) const override;
    void DeleteArray(void* array) const override;
    std::unique_ptr<vPropIterator_c> NewIterator(void* address, vPropCntnr_c* owner,
                                                 const vPropDesc_c* prop) const override;
    void* CastToContainer(void* address) const override { return Container(address); }
    const vTD_PropCntnr_c* AsClass() const override { return this; }

    // address (an object of this class) -> its vPropCntnr_c part.
    virtual vPropCntnr_c* Container(void* address) const;

private:
    const vTD_PropCntnr_c* mBase;
    const vPropDesc_c* mTable;
    mutable vSubClassList_c mSubClasses;
};

// The descriptor of class C (each registered class's TD_c).
template <class C>
class vTD_ClassTmpl_c : public vTD_PropCntnr_c {
public:
    vTD_ClassTmpl_c(const char* name, const vTD_PropCntnr_c* base, const vPropDesc_c* table)
        : vTD_PropCntnr_c(name, sizeof(C), base, table) {}

    // Abstract classes (and those without a default constructor) keep the
    // base behaviour: creation raises vException_c code 0.
    vPropCntnr_c* Create() const override {
        if constexpr (Creatable())
            return new C;
        else
            return vTD_PropCntnr_c::Create();
    }
    void* CreateArray(std::size_t n) const override {
        if constexpr (Creatable())
            return new C[n];
        else
            return vTD_PropCntnr_c::CreateArray(n);
    }
    void DeleteArray(void* array) const override {
        if constexpr (Creatable()) delete[] static_cast<C*>(array);
    }
    vPropCntnr_c* Container(void* address) const override {
        return static_cast<vPropCntnr_c*>(static_cast<C*>(address));
    }

private:
    // A function, so that C need not be complete where TD_c is named.
    static constexpr bool Creatable() { return !std::is_abstract_v<C> && std::is_default_constructible_v<C>; }
};

// Walks properties or elements. The object iterator walks the properties of
// an object (own class first, then bases); element iterators walk arrays and
// lists. Iterators do not own what they walk.
class vPropIterator_c {
public:
    virtual ~vPropIterator_c() = default;

    // Moves to the next property or element; false when past the end.
    virtual bool Next() = 0;
    virtual std::unique_ptr<vPropIterator_c> Clone() const = 0;
    virtual bool Equals(const vPropIterator_c& other) const = 0;
    // Descriptor of the current value; vException_c code 0 at the end.
    virtual const vRTTI_TypeInfo_c* GetTypeInfo() const = 0;
    // Name of the current property, "[%d]" for elements.
    virtual std::string GetName() const = 0;
    // Finds the property or element a path such as Buttons[2].PosX names,
    // starting here: an iterator positioned on it, or null. With declaring,
    // objects and list elements named on the way are created (OnDeclare).
    virtual std::unique_ptr<vPropIterator_c> FindPath(const char* path, const char* className,
                                                      bool declaring) = 0;
    virtual void ToFirst() = 0;
    virtual void ToEnd() = 0;
    virtual bool AtEnd() const = 0;
    // Address of the current value as GetTypeInfo() understands it; null for
    // an object pointer that holds nothing; vException_c code 0 at the end.
    virtual void* GetAddress() const = 0;
    // The object whose properties are walked (null for element iterators).
    virtual vPropCntnr_c* Container() const = 0;
    // Object iterators: the current property. Element iterators: the
    // property that holds the array (may be null).
    virtual const vPropDesc_c* Property() const = 0;
    // Sets the current value from text (slot "set from text" of the reader).
    virtual std::size_t SetFromText(const char* text, const ConversionContext& context);

    std::size_t ToText(char* buffer, std::size_t size, const ConversionContext& context);
    // Iterator over the current value's properties or elements; vException_c
    // code 0 for a scalar or an object pointer that holds nothing.
    std::unique_ptr<vPropIterator_c> NewValueIterator() const;

    // The walked object's load hooks (nothing for element iterators).
    void LoadStarting();
    void LoadPrepared();
    void LoadFinished();
    bool IsValid();
};

class vPropCntnrIterator_c : public vPropIterator_c {
public:
    // Positioned on the first property.
    explicit vPropCntnrIterator_c(vPropCntnr_c* object);

    bool Next() override;
    std::unique_ptr<vPropIterator_c> Clone() const override;
    bool Equals(const vPropIterator_c& other) const override;
    const vRTTI_TypeInfo_c* GetTypeInfo() const override;
    std::string GetName() const override;
    std::unique_ptr<vPropIterator_c> FindPath(const char* path, const char* className, bool declaring) override;
    void ToFirst() override;
    void ToEnd() override;
    bool AtEnd() const override;
    void* GetAddress() const override;
    vPropCntnr_c* Container() const override { return mObject; }
    const vPropDesc_c* Property() const override;

private:
    // Skips to the first present property at or after the position.
    void Settle();

    vPropCntnr_c* mObject;
    const vSubClassList_c* mClasses;
    std::size_t mClass = 0;
    std::size_t mProp = 0;
};

// Helpers of the path syntax shared by the iterators.
namespace vPath {
// Length of the name at the start of path (up to ".", "[" or the end).
std::size_t NameLength(const char* path);
// Parses "[n]" at the start of path; false on any other text or an index
// beyond 32 bits. On success *rest points after the "]".
bool ParseIndex(const char* path, uint32_t* index, const char** rest);
// Continues a lookup on the value the iterator is positioned on with the
// rest of a path ("" returns the iterator itself, "." a name, "[" an index).
std::unique_ptr<vPropIterator_c> Continue(std::unique_ptr<vPropIterator_c> at, const char* rest,
                                          const char* className, bool declaring);
}  // namespace vPath
