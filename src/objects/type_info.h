#pragma once
// Run-time type descriptors and the one registry that holds them.
//
// Every value type (the type keywords of definition files) and every loadable
// class has one static descriptor. A descriptor converts values of its type to
// and from text, creates objects (class descriptors only) and opens iterators
// over containers. Descriptors insert themselves into gTypeRegistry while the
// program's static objects are constructed; the registry is read-only after
// that. The registry head is constant-initialised, so a descriptor of any
// translation unit can register itself whatever the construction order.
//
// Addresses are untyped: each descriptor knows what the address of one of its
// values points at (for class descriptors: an object of exactly that class).
//
// Threads: registration happens during static initialisation (one thread);
// afterwards any thread may read the registry, but values are converted and
// objects created on the user-interface thread.

#include <cstddef>
#include <cstdint>
#include <memory>

class vPropCntnr_c;
class vPropDesc_c;
class vPropIterator_c;
class vTD_PropCntnr_c;

// Passed down to every text conversion. The definition-file reader uses base 10.
struct ConversionContext {
    int base = 10;
};

class vRTTI_TypeInfo_c {
public:
    // Registers the descriptor. name must be a static text.
    explicit vRTTI_TypeInfo_c(const char* name, uint32_t size = 0, uint32_t key = 0);
    virtual ~vRTTI_TypeInfo_c();
    vRTTI_TypeInfo_c(const vRTTI_TypeInfo_c&) = delete;
    vRTTI_TypeInfo_c& operator=(const vRTTI_TypeInfo_c&) = delete;

    const char* Name() const { return mName; }
    uint32_t Key() const { return mKey; }
    const uint32_t* KeyAddress() const { return &mKey; }
    // Next descriptor in the registry (registered before this one).
    const vRTTI_TypeInfo_c* Next() const { return mNext; }

    // Size of one value; vTextException_c "'_SizeOf' was not initialized."
    // when the descriptor has none.
    virtual uint32_t GetSizeOf() const;
    // n objects in one array (class descriptors; free with DeleteArray).
    // Others raise vException_c code 0.
    virtual void* CreateArray(std::size_t n) const;
    virtual void DeleteArray(void* array) const;
    // A new object, constructed as a most-derived object (class descriptors).
    // Others raise vException_c code 0. The caller owns the object.
    virtual vPropCntnr_c* Create() const;
    // True for container and class descriptors.
    virtual bool IsContainer() const { return false; }
    // Iterator over the properties or elements of the value at address.
    // owner and prop name the object and property that hold the value (a
    // dynamic array reads its count there); either may be null for a value
    // that stands alone. Scalars raise vException_c code 0.
    virtual std::unique_ptr<vPropIterator_c> NewIterator(void* address, vPropCntnr_c* owner,
                                                         const vPropDesc_c* prop) const;
    // The integer at address as an element count (integers of up to 4 bytes;
    // a negative signed value raises vException_c code 0). Others raise.
    virtual uint32_t ReadCount(const void* address) const;
    // Writes the text form of the value (NUL-terminated, size counts the NUL)
    // and returns the number of characters written, 0 when it does not fit.
    virtual std::size_t ToText(char* buffer, std::size_t size, void* address,
                               const ConversionContext& context) const = 0;
    // As ToText for the value the iterator is positioned on; containers write
    // their element list.
    virtual std::size_t ToTextAt(char* buffer, std::size_t size, vPropIterator_c& iterator,
                                 const ConversionContext& context) const;
    // Parses a value from the start of text into address; returns the number
    // of characters used (0: not recognised, the value is unchanged).
    virtual std::size_t FromText(const char* text, void* address, const ConversionContext& context) const = 0;
    virtual std::size_t FromTextAt(const char* text, vPropIterator_c& iterator,
                                   const ConversionContext& context) const;
    // Whether the property applies to the object (false only for getters
    // whose object has no such value).
    virtual bool IsPresent(void* /*address*/) const { return true; }
    // Object address -> address of its vPropCntnr_c part (class descriptors);
    // the address unchanged for other descriptors.
    virtual void* CastToContainer(void* address) const { return address; }
    // This descriptor as a class descriptor, or null.
    virtual const vTD_PropCntnr_c* AsClass() const { return nullptr; }

private:
    friend class vTypeRegistry_c;
    const char* mName;
    uint32_t mSize;
    uint32_t mKey;
    const vRTTI_TypeInfo_c* mNext = nullptr;
};

// The list of every descriptor, last registered first.
class vTypeRegistry_c {
public:
    constexpr vTypeRegistry_c() = default;

    const vRTTI_TypeInfo_c* First() const { return mHead; }
    // First descriptor with exactly this name (case-sensitive), or null.
    const vRTTI_TypeInfo_c* Find(const char* name) const;
    // Create() of the first descriptor named name; null when none matches.
    vPropCntnr_c* CreateByName(const char* name) const;
    // Create() of the first descriptor SameType as type; null when none.
    vPropCntnr_c* CreateByType(const vRTTI_TypeInfo_c* type) const;
    // CreateArray(n) of the same descriptors; null when none matches.
    void* CreateArrayByName(const char* name, std::size_t n) const;
    void* CreateArrayByType(const vRTTI_TypeInfo_c* type, std::size_t n) const;

    // Same object; otherwise, when either key is 0, equal names; otherwise
    // equal keys.
    static bool SameType(const vRTTI_TypeInfo_c* a, const vRTTI_TypeInfo_c* b);

private:
    friend class vRTTI_TypeInfo_c;
    void Insert(vRTTI_TypeInfo_c* type);
    void Remove(const vRTTI_TypeInfo_c* type);

    const vRTTI_TypeInfo_c* mHead = nullptr;
};

extern constinit vTypeRegistry_c gTypeRegistry;

// Root of every object that knows its own descriptor.
class vRTTI_Base_c {
public:
    virtual ~vRTTI_Base_c() = default;
    virtual const vRTTI_TypeInfo_c* GetTypeInfo() const = 0;
    virtual const char* GetTypeName() const { return GetTypeInfo()->Name(); }
    virtual const uint32_t* GetTypeKey() const { return GetTypeInfo()->KeyAddress(); }
};
