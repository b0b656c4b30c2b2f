#pragma once
// Declaring loadable classes and their properties.
//
// In the class (header), first line of the body, name the class and the
// loadable class it derives from:
//
//   class vColor_c : public vPropCntnr_c {
//       V_RTTI_CLASS(vColor_c, vPropCntnr_c)
//   public:
//       uint8_t mBlue = 0, mGreen = 0, mRed = 0, mAlpha = 0;
//   };
//
// In one source file, the registered properties in table order (the macro
// may access private members):
//
//   V_REGISTER_CLASS(vColor_c,
//       V_PROP("Red", mRed),
//       V_PROP("Green", mGreen),
//       V_PROP("Blue", mBlue),
//       V_PROP("Alpha", mAlpha));
//
// A class without properties of its own: V_REGISTER_CLASS(vTrHomeBtn_c);
// An instance of a class template (vDxButton_t<vDxSimpleImage_c> registered
// as vDxButton_c): put V_RTTI_CLASS(vDxButton_t, vDxSimpleImage_c) in the
// template, `using vDxButton_c = vDxButton_t<vDxSimpleImage_c>;`, then
// V_REGISTER_TEMPLATE_CLASS(vDxButton_c, ...) in one source file.
//
// The descriptor follows from the member's type:
//   int8_t..uint32_t  vSInt8..vUInt32      float, double  vFloat4, vFloat8
//   char  char        bool  vBool          vStrTmpl_c  vCString
//   char[N]  vCString in the object        std::unique_ptr<char[]>  heap vCString
//   T[N]  fixed array                      a registered class  that class
//   std::vector<T>  list of T              std::vector<std::unique_ptr<T>>  list of objects
// Property kinds (flags in brackets):
//   V_PROP(Name, member)               a value, a value object or a list (0x0030)
//   V_PROP_OBJECT(Name, member)        std::unique_ptr<T> the owner fills (0x0031)
//   V_PROP_FIXED(Name, member)         std::unique_ptr<T>, created as T when declared (0x4031)
//   V_PROP_DECLARED(Name, member)      std::unique_ptr<T>, created from the declared class (0x8031)
//   V_PROP_ARRAY(Name, member, Count)  std::vector<T> or std::vector<std::unique_ptr<T>>,
//                                      count in property Count (0x0031)
//   V_PROP_FLAGS(Name, member, flags)  a value with other flags (vPropFlags_e::None: 0)
//   V_PROP_TYPED(Name, member, desc)   a value with an explicit descriptor (gTD_vFloat10)
//   V_PROP_GETTER(Name, desc)          through accessors (objects/getter.h) (0x0030)
// The object that holds an object-valued property owns it.
//
// Registration runs during static initialisation and touches nothing but
// the registry, so the order of translation units does not matter. A class
// that nothing references except by name must still be linked in: keep its
// V_REGISTER_CLASS in a source file that the program links anyway (for
// example the file of its constructor or of a class that uses it).

#include <array>
#include <memory>
#include <type_traits>
#include <vector>

#include "objects/containers.h"
#include "objects/getter.h"
#include "objects/prop_cntnr.h"
#include "objects/value_types.h"

#define V_RTTI_CLASS(Class, Base)                                                  \
public:                                                                             \
    using TD_c = vTD_ClassTmpl_c<Class>;                                            \
    using vRttiBase_t = Base;                                                       \
    static const TD_c sTypeInfo;                                                    \
    const vRTTI_TypeInfo_c* GetTypeInfo() const override { return &sTypeInfo; }     \
    void* GetObjectAddress() override { return static_cast<Class*>(this); }         \
    struct vProps_s;                                                                \
                                                                                    \
private:

#define V_REGISTER_CLASS(Class, ...) V_REGISTER_CLASS_IMPL(, Class, __VA_ARGS__)
#define V_REGISTER_TEMPLATE_CLASS(Class, ...) V_REGISTER_CLASS_IMPL(template <>, Class, __VA_ARGS__)
#define V_REGISTER_CLASS_IMPL(Prefix, Class, ...)                                       \
    Prefix struct Class::vProps_s {                                                     \
        using Self = Class;                                                             \
        static constexpr vPropDesc_c sTable[] = {__VA_ARGS__ __VA_OPT__(, ) vPropDesc_c{}}; \
    };                                                                                  \
    Prefix const Class::TD_c Class::sTypeInfo{#Class, vBaseTypeInfo<Class>(), Class::vProps_s::sTable}

#define V_PROP(Name, member) vMakeProp<&Self::member>(Name, vPropKind_e::Value)
#define V_PROP_OBJECT(Name, member) vMakeProp<&Self::member>(Name, vPropKind_e::Object)
#define V_PROP_FIXED(Name, member) vMakeProp<&Self::member>(Name, vPropKind_e::FixedClass)
#define V_PROP_DECLARED(Name, member) vMakeProp<&Self::member>(Name, vPropKind_e::DeclaredClass)
#define V_PROP_ARRAY(Name, member, Count) vMakeArrayProp<&Self::member>(Name, Count)
#define V_PROP_FLAGS(Name, member, flags) vMakeProp<&Self::member>(Name, vPropKind_e::Value, flags)
#define V_PROP_TYPED(Name, member, desc) vMakeTypedProp<&Self::member>(Name, &(desc))
#define V_PROP_GETTER(Name, desc) vMakeGetterProp<Self>(Name, &(desc))

enum class vPropKind_e { Value, Object, FixedClass, DeclaredClass };

// --- the descriptor of a member type -------------------------------------

template <class T>
concept vRegisteredClass = requires { typename T::TD_c; } && std::is_same_v<typename T::TD_c, vTD_ClassTmpl_c<T>>;

template <class T>
struct vTypeOf_s {
    static constexpr const vRTTI_TypeInfo_c* Get() {
        static_assert(vRegisteredClass<T>,
                      "no descriptor for this member type (a class needs V_RTTI_CLASS with its own name)");
        return &T::sTypeInfo;
    }
};
#define V_TYPE_OF(T, desc)                                                    \
    template <>                                                               \
    struct vTypeOf_s<T> {                                                     \
        static constexpr const vRTTI_TypeInfo_c* Get() { return &(desc); }    \
    }
V_TYPE_OF(int8_t, gTD_vSInt8);
V_TYPE_OF(int16_t, gTD_vSInt16);
V_TYPE_OF(int32_t, gTD_vSInt32);
V_TYPE_OF(uint8_t, gTD_vUInt8);
V_TYPE_OF(uint16_t, gTD_vUInt16);
V_TYPE_OF(uint32_t, gTD_vUInt32);
V_TYPE_OF(float, gTD_vFloat4);
V_TYPE_OF(double, gTD_vFloat8);
V_TYPE_OF(char, gTD_char);
V_TYPE_OF(bool, gTD_vBool);
V_TYPE_OF(vStrTmpl_c, gTD_vStr);
V_TYPE_OF(std::unique_ptr<char[]>, gTD_DynStr);
#undef V_TYPE_OF

template <class T, std::size_t N>
inline const vTD_StatArr_c gTD_StatArr{vTypeOf_s<T>::Get(), static_cast<uint32_t>(N), static_cast<uint32_t>(sizeof(T))};
template <class T>
inline const vTD_STL_c<T> gTD_STL{vTypeOf_s<T>::Get()};
template <class T>
inline const vTD_STLPtr_c<T> gTD_STLPtr{vTypeOf_s<T>::Get()};
template <class T>
inline const vTD_DynArr_c<T> gTD_DynArr{vTypeOf_s<T>::Get()};
template <class T>
inline const vTD_DynArrPtr_c<T> gTD_DynArrPtr{vTypeOf_s<T>::Get()};

template <std::size_t N>
struct vTypeOf_s<char[N]> {
    static constexpr const vRTTI_TypeInfo_c* Get() { return &gTD_StatStr<N>; }
};
template <class T, std::size_t N>
struct vTypeOf_s<T[N]> {
    static constexpr const vRTTI_TypeInfo_c* Get() { return &gTD_StatArr<T, N>; }
};
template <class T>
struct vTypeOf_s<std::vector<T>> {
    static constexpr const vRTTI_TypeInfo_c* Get() { return &gTD_STL<T>; }
};
template <class T>
struct vTypeOf_s<std::vector<std::unique_ptr<T>>> {
    static_assert(vRegisteredClass<T>, "a list of pointers holds objects of a registered class");
    static constexpr const vRTTI_TypeInfo_c* Get() { return &gTD_STLPtr<T>; }
};
template <class T>
struct vTypeOf_s<std::unique_ptr<T>> {
    static_assert(vRegisteredClass<T>, "a pointer property holds an object of a registered class");
    static constexpr const vRTTI_TypeInfo_c* Get() { return &T::sTypeInfo; }
};

template <class T>
constexpr const vRTTI_TypeInfo_c* vTypeOf() {
    return vTypeOf_s<T>::Get();
}

// std::unique_ptr to a registered class.
template <class T>
concept vObjectPointer = vIsUniquePtr_s<T>::value && vRegisteredClass<typename vIsUniquePtr_s<T>::Element>;

template <class C>
constexpr const vTD_PropCntnr_c* vBaseTypeInfo() {
    static_assert(vRegisteredClass<C>, "V_REGISTER_CLASS needs V_RTTI_CLASS in the class body");
    using Base = typename C::vRttiBase_t;
    if constexpr (std::is_void_v<Base>) {
        return nullptr;
    } else {
        static_assert(vRegisteredClass<Base>, "the base named in V_RTTI_CLASS is not a registered class");
        static_assert(std::is_base_of_v<Base, C>, "V_RTTI_CLASS names a class that is not a base");
        return &Base::sTypeInfo;
    }
}

// --- property descriptors from members ------------------------------------

template <auto M>
struct vMember_s;
template <class C, class T, T C::*M>
struct vMember_s<M> {
    using Class = C;
    using Type = T;
    // Every registered class has exactly one, non-virtual vPropCntnr_c part.
    static T& Ref(vPropCntnr_c* object) { return static_cast<C*>(object)->*M; }
    static void* Address(vPropCntnr_c* object) { return &Ref(object); }
    static void* Follow(vPropCntnr_c* object)
        requires vObjectPointer<T>
    {
        return Ref(object).get();
    }
    static void Store(vPropCntnr_c* object, vPropCntnr_c* value)
        requires vObjectPointer<T>
    {
        using E = typename vIsUniquePtr_s<T>::Element;
        std::unique_ptr<vPropCntnr_c> owned(value);
        E* typed = dynamic_cast<E*>(value);
        if (typed == nullptr) ThrowNotDerivedClass(&E::sTypeInfo);
        owned.release();
        Ref(object).reset(typed);
    }
};

template <auto M>
constexpr vPropDesc_c vMakeProp(const char* name, vPropKind_e kind, vPropFlags_e flags = vPropFlags_e::File) {
    using Mem = vMember_s<M>;
    using T = typename Mem::Type;
    vPropDesc_c d;
    d.type = vTypeOf<T>();
    d.name = name;
    if constexpr (vObjectPointer<T>) {
        if (kind == vPropKind_e::Value) throw "an object pointer needs V_PROP_OBJECT, V_PROP_FIXED or V_PROP_DECLARED";
        d.flags = flags | vPropFlags_e::Pointer;
        if (kind == vPropKind_e::FixedClass) d.flags = d.flags | vPropFlags_e::FixedClass;
        if (kind == vPropKind_e::DeclaredClass) d.flags = d.flags | vPropFlags_e::DeclaredClass;
        d.address = &Mem::Follow;
        d.store = &Mem::Store;
    } else {
        if (kind != vPropKind_e::Value) throw "only a std::unique_ptr to a registered class can be an object pointer";
        d.flags = flags;
        d.address = &Mem::Address;
    }
    return d;
}

template <auto M>
constexpr vPropDesc_c vMakeArrayProp(const char* name, const char* countName) {
    using Mem = vMember_s<M>;
    using T = typename Mem::Type;
    vPropDesc_c d;
    if constexpr (requires { typename T::value_type; } && std::is_same_v<T, std::vector<typename T::value_type>>) {
        using E = typename T::value_type;
        if constexpr (vIsUniquePtr_s<E>::value)
            d.type = &gTD_DynArrPtr<typename vIsUniquePtr_s<E>::Element>;
        else
            d.type = &gTD_DynArr<E>;
    } else {
        static_assert(!sizeof(T*), "V_PROP_ARRAY needs a std::vector member");
    }
    d.name = name;
    d.flags = vPropFlags_e::File | vPropFlags_e::Pointer;
    d.address = &Mem::Address;
    d.countName = countName;
    return d;
}

template <auto M>
constexpr vPropDesc_c vMakeTypedProp(const char* name, const vRTTI_TypeInfo_c* type) {
    vPropDesc_c d = vMakeProp<M>(name, vPropKind_e::Value);
    d.type = type;
    return d;
}

// Getters reach the value through the object itself.
inline void* vObjectAddress(vPropCntnr_c* object) { return object; }

template <class C>
constexpr vPropDesc_c vMakeGetterProp(const char* name, const vRTTI_TypeInfo_c* getter) {
    vPropDesc_c d;
    d.type = getter;
    d.name = name;
    d.flags = vPropFlags_e::File;
    d.address = &vObjectAddress;
    return d;
}
