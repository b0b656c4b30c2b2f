#include "objects/value_types.h"

#include <cstdio>
#include <cstring>
#include <string>
#include <string_view>
#include <strings.h>
#include <type_traits>

#include "platform/exception.h"

const vTD_IntTmpl_c<int8_t> gTD_vSInt8{"vSInt8"};
const vTD_IntTmpl_c<int16_t> gTD_vSInt16{"vSInt16"};
const vTD_IntTmpl_c<int32_t> gTD_vSInt32{"vSInt32"};
const vTD_IntTmpl_c<uint8_t> gTD_vUInt8{"vUInt8"};
const vTD_IntTmpl_c<uint16_t> gTD_vUInt16{"vUInt16"};
const vTD_IntTmpl_c<uint32_t> gTD_vUInt32{"vUInt32"};
const vTD_FloatTmpl_c<float> gTD_vFloat4{"vFloat4"};
const vTD_FloatTmpl_c<double> gTD_vFloat8{"vFloat8"};
const vTD_FloatTmpl_c<double> gTD_vFloat10{"vFloat10"};
const vTD_CharTmpl_c<char> gTD_char{"char"};
const vTD_DynStrTmpl_c<char> gTD_DynStr{"vCString"};
const vTD_vStrTmpl_c gTD_vStr{"vCString"};
const vTD_vBool_c gTD_vBool{"vBool"};

namespace {

// Writes nothing: an empty text, 0 characters.
std::size_t Nothing(char* buffer, std::size_t size) {
    if (buffer != nullptr && size > 0) buffer[0] = 0;
    return 0;
}

// Copies len characters and a NUL when they fit; the count written or 0.
std::size_t Put(char* buffer, std::size_t size, const char* text, std::size_t len) {
    if (buffer == nullptr || len + 1 > size) return Nothing(buffer, size);
    std::memcpy(buffer, text, len);
    buffer[len] = 0;
    return len;
}

std::size_t Put(char* buffer, std::size_t size, const std::string& text) {
    return Put(buffer, size, text.data(), text.size());
}

int DigitOf(char ch) {
    if (ch >= '0' && ch <= '9') return ch - '0';
    if (ch >= 'A' && ch <= 'Z') return ch - 'A' + 10;
    if (ch >= 'a' && ch <= 'z') return ch - 'a' + 10;
    return -1;
}

int BaseOf(const ConversionContext& context) {
    return context.base >= 2 && context.base <= 36 ? context.base : 10;
}

// Text in double quotes, written so that the token reader decodes it back to
// exactly the text: the backslash, both quotes and every control character
// are escaped.
std::string Quoted(std::string_view text) {
    std::string out = "\"";
    for (const char ch : text) {
        switch (ch) {
        case '\\': out += "\\\\"; break;
        case '"': out += "\\\""; break;
        case '\'': out += "\\'"; break;
        case '\n': out += "\\n"; break;
        case '\r': out += "\\r"; break;
        case '\t': out += "\\t"; break;
        default:
            if (static_cast<unsigned char>(ch) < 0x20 || ch == 0x7f) {
                char hex[5];
                std::snprintf(hex, sizeof hex, "\\x%02x", static_cast<unsigned char>(ch));
                out += hex;
            } else {
                out += ch;
            }
        }
    }
    out += '"';
    return out;
}

// Where the text after an opening quote ends. The reader hands over a whole
// token with its quotes and the escapes decoded, so a token that ends in a
// quote is the text up to that quote, quotes inside included; otherwise the
// text ends at the first quote (a value with more after it) or at its end
// (null).
const char* ClosingQuote(const char* p, bool opened) {
    const std::size_t len = std::strlen(p);
    if (opened && len > 0 && p[len - 1] == '"') return p + len - 1;
    return std::strchr(p, '"');
}

// '\0' '\t' '\n' '\r' '\'' '\\' and the letter after the backslash.
constexpr char kCharEscapes[][2] = {{'\0', '0'}, {'\t', 't'}, {'\n', 'n'}, {'\r', 'r'}, {'\'', '\''}, {'\\', '\\'}};

}  // namespace

// ---------------------------------------------------------------------------
// Integers

template <class T>
uint32_t vTD_IntTmpl_c<T>::ReadCount(const void* address) const {
    if constexpr (sizeof(T) > 4) {
        return vRTTI_TypeInfo_c::ReadCount(address);
    } else {
        T value;
        std::memcpy(&value, address, sizeof value);
        if constexpr (std::is_signed_v<T>) {
            if (value < 0) throw vException_c(0);
        }
        return static_cast<uint32_t>(value);
    }
}

template <class T>
std::size_t vTD_IntTmpl_c<T>::ToText(char* buffer, std::size_t size, void* address,
                                     const ConversionContext& context) const {
    if (buffer == nullptr || size <= 2) return Nothing(buffer, size);
    using U = std::make_unsigned_t<T>;
    const T value = *static_cast<const T*>(address);
    const bool negative = value < 0;
    // The magnitude as unsigned, so that the most negative value works too.
    U magnitude = negative ? static_cast<U>(U(0) - static_cast<U>(value)) : static_cast<U>(value);
    const unsigned base = static_cast<unsigned>(BaseOf(context));
    char digits[40];
    std::size_t n = 0;
    do {
        const unsigned d = static_cast<unsigned>(magnitude % base);
        digits[n++] = static_cast<char>(d < 10 ? '0' + d : 'A' + d - 10);
        magnitude = static_cast<U>(magnitude / base);
    } while (magnitude != 0);
    std::string text;
    if (negative) text += '-';
    while (n > 0) text += digits[--n];
    // A number that does not fit keeps its leading characters.
    if (text.size() > size - 1) text.resize(size - 1);
    return Put(buffer, size, text);
}

template <class T>
std::size_t vTD_IntTmpl_c<T>::FromText(const char* text, void* address, const ConversionContext& context) const {
    if (text == nullptr) return 0;
    using U = std::make_unsigned_t<T>;
    const char* p = text;
    unsigned base = static_cast<unsigned>(BaseOf(context));
    bool negative = false;
    if (p[0] == '$') {
        base = 16;
        p += 1;
    } else if (p[0] == '0' && (p[1] == 'x' || p[1] == 'X')) {
        base = 16;
        p += 2;
    } else if (p[0] == '0') {
        base = 8;
        p += 1;
    } else if (p[0] == '-' || p[0] == '+') {
        negative = p[0] == '-';
        p += 1;
    }
    // Every letter is a digit, even one not below the base; the value wraps
    // in the width of the type.
    U value = 0;
    for (int d; (d = DigitOf(*p)) >= 0; ++p) value = static_cast<U>(value * base + static_cast<unsigned>(d));
    if (negative) value = static_cast<U>(U(0) - value);
    const std::size_t used = static_cast<std::size_t>(p - text);
    if (used > 0) std::memcpy(address, &value, sizeof value);
    return used;
}

template class vTD_IntTmpl_c<int8_t>;
template class vTD_IntTmpl_c<int16_t>;
template class vTD_IntTmpl_c<int32_t>;
template class vTD_IntTmpl_c<uint8_t>;
template class vTD_IntTmpl_c<uint16_t>;
template class vTD_IntTmpl_c<uint32_t>;

// ---------------------------------------------------------------------------
// Floating point

template <class T>
std::size_t vTD_FloatTmpl_c<T>::ToText(char* buffer, std::size_t size, void* address,
                                       const ConversionContext&) const {
    char text[512];
    const int n = std::snprintf(text, sizeof text, "%f", static_cast<double>(*static_cast<const T*>(address)));
    if (n <= 0 || static_cast<std::size_t>(n) >= sizeof text) return Nothing(buffer, size);
    return Put(buffer, size, text, static_cast<std::size_t>(n));
}

template <class T>
std::size_t vTD_FloatTmpl_c<T>::FromText(const char* text, void* address, const ConversionContext&) const {
    if (text == nullptr) return 0;
    // The scanner's own count of characters, so that a value inside a list
    // is stepped over whole.
    T value{};
    int used = 0;
    const int got = std::is_same_v<T, float> ? std::sscanf(text, "%f%n", reinterpret_cast<float*>(&value), &used)
                                             : std::sscanf(text, "%lf%n", reinterpret_cast<double*>(&value), &used);
    if (got != 1 || used <= 0) return 0;
    *static_cast<T*>(address) = value;
    return static_cast<std::size_t>(used);
}

template class vTD_FloatTmpl_c<float>;
template class vTD_FloatTmpl_c<double>;

// ---------------------------------------------------------------------------
// Characters

template <class T>
std::size_t vTD_CharTmpl_c<T>::ToText(char* buffer, std::size_t size, void* address,
                                      const ConversionContext&) const {
    if (size < 5) return Nothing(buffer, size);
    const char ch = static_cast<char>(*static_cast<const T*>(address));
    for (const auto& e : kCharEscapes) {
        if (e[0] == ch) {
            const char text[4] = {'\'', '\\', e[1], '\''};
            return Put(buffer, size, text, 4);
        }
    }
    const char text[3] = {'\'', ch, '\''};
    return Put(buffer, size, text, 3);
}

template <class T>
std::size_t vTD_CharTmpl_c<T>::FromText(const char* text, void* address, const ConversionContext&) const {
    if (text == nullptr || text[0] != '\'' || text[1] == 0) return 0;
    if (text[1] == '\\') {
        for (const auto& e : kCharEscapes) {
            if (text[2] == e[1] && text[3] == '\'') {
                *static_cast<T*>(address) = static_cast<T>(e[0]);
                return 4;
            }
        }
    }
    // The reader has already decoded escapes: '\\' arrives as a backslash
    // between two quotes.
    if (text[2] != '\'') return 0;
    *static_cast<T*>(address) = static_cast<T>(text[1]);
    return 3;
}

template class vTD_CharTmpl_c<char>;

// ---------------------------------------------------------------------------
// Texts

std::size_t vTD_StatStrBase_c::ToText(char* buffer, std::size_t size, void* address,
                                      const ConversionContext&) const {
    const char* text = static_cast<const char*>(address);
    return Put(buffer, size, Quoted(std::string_view(text, strnlen(text, GetSizeOf()))));
}

std::size_t vTD_StatStrBase_c::FromText(const char* text, void* address, const ConversionContext&) const {
    if (text == nullptr) return 0;
    const char* p = text;
    if (*p == '"') ++p;
    const char* end = ClosingQuote(p, p != text);
    const std::size_t len = end != nullptr ? static_cast<std::size_t>(end - p) : std::strlen(p);
    // The array keeps its terminating NUL: longer texts are cut.
    const std::size_t capacity = GetSizeOf() - 1;
    char* out = static_cast<char*>(address);
    const std::size_t kept = len < capacity ? len : capacity;
    std::memcpy(out, p, kept);
    out[kept] = 0;
    return static_cast<std::size_t>(p - text) + len + (end != nullptr ? 1 : 0);
}

template <class T>
std::size_t vTD_DynStrTmpl_c<T>::ToText(char* buffer, std::size_t size, void* address,
                                        const ConversionContext&) const {
    const auto& text = *static_cast<const std::unique_ptr<T[]>*>(address);
    return Put(buffer, size, Quoted(text ? text.get() : ""));
}

template <class T>
std::size_t vTD_DynStrTmpl_c<T>::FromText(const char* text, void* address, const ConversionContext&) const {
    auto& out = *static_cast<std::unique_ptr<T[]>*>(address);
    out.reset();
    if (text == nullptr || text[0] != '"') return 0;
    const char* p = text + 1;
    const char* end = ClosingQuote(p, true);
    const std::size_t len = end != nullptr ? static_cast<std::size_t>(end - p) : std::strlen(p);
    out = std::make_unique<T[]>(len + 1);
    std::memcpy(out.get(), p, len);
    out[len] = 0;
    return 1 + len + (end != nullptr ? 1 : 0);
}

template class vTD_DynStrTmpl_c<char>;

std::size_t vTD_vStrTmpl_c::ToText(char* buffer, std::size_t size, void* address, const ConversionContext&) const {
    const vStrTmpl_c& value = *static_cast<const vStrTmpl_c*>(address);
    return Put(buffer, size, Quoted(value));
}

std::size_t vTD_vStrTmpl_c::FromText(const char* text, void* address, const ConversionContext&) const {
    if (text == nullptr || text[0] != '"') return 0;
    const std::size_t len = std::strlen(text);
    vStrTmpl_c& value = *static_cast<vStrTmpl_c*>(address);
    // The reader hands over the whole token with both quotes, escapes
    // already decoded.
    value.assign(text + 1, len >= 2 ? len - 2 : 0);
    return len;
}

// ---------------------------------------------------------------------------
// Booleans

std::size_t vTD_vBool_c::ToText(char* buffer, std::size_t size, void* address, const ConversionContext&) const {
    return *static_cast<const bool*>(address) ? Put(buffer, size, "true", 4) : Put(buffer, size, "false", 5);
}

std::size_t vTD_vBool_c::FromText(const char* text, void* address, const ConversionContext&) const {
    if (text == nullptr) return 0;
    // The word at the start: letters only, so that the value inside a list
    // ("(true, no)") ends at its comma.
    std::size_t len = 0;
    while ((text[len] >= 'a' && text[len] <= 'z') || (text[len] >= 'A' && text[len] <= 'Z')) ++len;
    const std::string word(text, len);
    bool& value = *static_cast<bool*>(address);
    if (strcasecmp(word.c_str(), "true") == 0 || strcasecmp(word.c_str(), "yes") == 0) {
        value = true;
        return len;
    }
    if (strcasecmp(word.c_str(), "false") == 0 || strcasecmp(word.c_str(), "no") == 0) {
        value = false;
        return len;
    }
    return 0;
}
