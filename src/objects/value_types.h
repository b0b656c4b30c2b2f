#pragma once
// Descriptors of the plain value types, registered under the type keywords
// of definition files: vSInt8/16/32, vUInt8/16/32, vFloat4/8/10, char,
// vCString (three kinds of text) and vBool.
//
// Text forms (buffers count the terminating NUL):
//   integers  digits in the context's base, "-" for negatives; reading
//             accepts "$" and "0x" (hexadecimal) and "0" (octal) prefixes, a
//             sign only as the very first character, and wraps in the width
//             of the type ("-5" into vUInt8 is 251);
//   floats    "%f"; reading uses the standard scanner;
//   char      'c' or one of '\0' '\t' '\n' '\r' '\'' '\\';
//   vBool     true/false; reading also takes yes/no, in any letter case;
//   vCString  a double-quoted text (vStrTmpl_c escapes line breaks, quotes
//             and backslashes; the fixed and heap kinds write none).
//
// The descriptors are static and immutable; any thread may use them.

#include <cstddef>
#include <cstdint>
#include <memory>

#include "objects/str_tmpl.h"
#include "objects/type_info.h"

template <class T>
class vTD_IntTmpl_c : public vRTTI_TypeInfo_c {
public:
    explicit vTD_IntTmpl_c(const char* keyword) : vRTTI_TypeInfo_c(keyword, sizeof(T)) {}
    uint32_t ReadCount(const void* address) const override;
    std::size_t ToText(char* buffer, std::size_t size, void* address,
                       const ConversionContext& context) const override;
    std::size_t FromText(const char* text, void* address, const ConversionContext& context) const override;
};

template <class T>
class vTD_FloatTmpl_c : public vRTTI_TypeInfo_c {
public:
    explicit vTD_FloatTmpl_c(const char* keyword) : vRTTI_TypeInfo_c(keyword, sizeof(T)) {}
    std::size_t ToText(char* buffer, std::size_t size, void* address,
                       const ConversionContext& context) const override;
    std::size_t FromText(const char* text, void* address, const ConversionContext& context) const override;
};

template <class T = char>
class vTD_CharTmpl_c : public vRTTI_TypeInfo_c {
public:
    explicit vTD_CharTmpl_c(const char* keyword) : vRTTI_TypeInfo_c(keyword, sizeof(T)) {}
    std::size_t ToText(char* buffer, std::size_t size, void* address,
                       const ConversionContext& context) const override;
    std::size_t FromText(const char* text, void* address, const ConversionContext& context) const override;
};

// Text in a character array of N bytes inside the object (always
// NUL-terminated; longer texts are cut).
class vTD_StatStrBase_c : public vRTTI_TypeInfo_c {
public:
    vTD_StatStrBase_c(const char* keyword, uint32_t size) : vRTTI_TypeInfo_c(keyword, size) {}
    std::size_t ToText(char* buffer, std::size_t size, void* address,
                       const ConversionContext& context) const override;
    std::size_t FromText(const char* text, void* address, const ConversionContext& context) const override;
};
template <std::size_t N>
class vTD_StatStrTmpl_c : public vTD_StatStrBase_c {
public:
    static_assert(N > 0);
    explicit vTD_StatStrTmpl_c(const char* keyword) : vTD_StatStrBase_c(keyword, N) {}
};

// Text in a heap array the object owns (std::unique_ptr<char[]>; null is "").
template <class T = char>
class vTD_DynStrTmpl_c : public vRTTI_TypeInfo_c {
public:
    explicit vTD_DynStrTmpl_c(const char* keyword) : vRTTI_TypeInfo_c(keyword, sizeof(std::unique_ptr<T[]>)) {}
    std::size_t ToText(char* buffer, std::size_t size, void* address,
                       const ConversionContext& context) const override;
    std::size_t FromText(const char* text, void* address, const ConversionContext& context) const override;
};

// vStrTmpl_c, the text of every text property.
class vTD_vStrTmpl_c : public vRTTI_TypeInfo_c {
public:
    explicit vTD_vStrTmpl_c(const char* keyword) : vRTTI_TypeInfo_c(keyword, sizeof(vStrTmpl_c)) {}
    std::size_t ToText(char* buffer, std::size_t size, void* address,
                       const ConversionContext& context) const override;
    std::size_t FromText(const char* text, void* address, const ConversionContext& context) const override;
};

class vTD_vBool_c : public vRTTI_TypeInfo_c {
public:
    explicit vTD_vBool_c(const char* keyword) : vRTTI_TypeInfo_c(keyword, sizeof(bool)) {}
    std::size_t ToText(char* buffer, std::size_t size, void* address,
                       const ConversionContext& context) const override;
    std::size_t FromText(const char* text, void* address, const ConversionContext& context) const override;
};

extern const vTD_IntTmpl_c<int8_t> gTD_vSInt8;
extern const vTD_IntTmpl_c<int16_t> gTD_vSInt16;
extern const vTD_IntTmpl_c<int32_t> gTD_vSInt32;
extern const vTD_IntTmpl_c<uint8_t> gTD_vUInt8;
extern const vTD_IntTmpl_c<uint16_t> gTD_vUInt16;
extern const vTD_IntTmpl_c<uint32_t> gTD_vUInt32;
extern const vTD_FloatTmpl_c<float> gTD_vFloat4;
extern const vTD_FloatTmpl_c<double> gTD_vFloat8;
extern const vTD_FloatTmpl_c<double> gTD_vFloat10;
extern const vTD_CharTmpl_c<char> gTD_char;
extern const vTD_DynStrTmpl_c<char> gTD_DynStr;
extern const vTD_vStrTmpl_c gTD_vStr;
extern const vTD_vBool_c gTD_vBool;
// One descriptor per array size, made where a class first uses it.
template <std::size_t N>
inline const vTD_StatStrTmpl_c<N> gTD_StatStr{"vCString"};
