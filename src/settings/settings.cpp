#include "settings/settings.h"
#include "settings/setting.h"

#include "platform/profile.h"

#include <cerrno>
#include <climits>
#include <cstdlib>
#include <cstring>
#include <utility>
#include <vector>
#include <algorithm>

vSettings_c gSettings;

const char* const vSettings_c::kOverlaySection = "Overlay";
const char* const vSettings_c::kOverlayBaseKey = "Base";

namespace {

// The key split into section and key name. The copy lives as long as the
// object, so the pointers stay valid for the one call they are made for.
class SplitKey {
public:
    explicit SplitKey(const char* key) {
        if (!key) return;
        mCopy = key;
        size_t slash = mCopy.find('/');
        mHasName = slash != std::string::npos;
        if (mHasName) mCopy[slash] = '\0';
        mSection = mCopy.c_str();
        if (mHasName) mName = mCopy.c_str() + slash + 1;
    }
    const char* Section() const { return mSection; }
    const char* Name() const { return mName; }

private:
    std::string mCopy;
    bool mHasName = false;
    const char* mSection = nullptr;
    const char* mName = nullptr;
};

constexpr int kNumberBuffer = 50;
constexpr int kHexDigitBuffer = 48;

char ToLower(char c) { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c; }

bool SameText(const char* a, const char* b) {
    for (; *a && *b; ++a, ++b)
        if (ToLower(*a) != ToLower(*b)) return false;
    return *a == *b;
}

// atol/atoi with the value limited to 32 bits, as a 32-bit long would be.
std::int32_t ToInt32(const char* text) {
    long long v = std::strtoll(text, nullptr, 10);
    if (v > INT32_MAX) return INT32_MAX;
    if (v < INT32_MIN) return INT32_MIN;
    return static_cast<std::int32_t>(v);
}

// strtoul with a 32-bit result: an overflow gives the largest value, a
// leading "-" negates modulo 2^32.
std::uint32_t ToUInt32(const char* text, int base) {
    while (*text == ' ' || *text == '\t') ++text;
    bool negative = false;
    if (*text == '+' || *text == '-') negative = *text++ == '-';
    // A second sign is not a number; strtoull would accept it.
    if (*text == '+' || *text == '-') return 0;
    errno = 0;
    unsigned long long v = std::strtoull(text, nullptr, base);
    if (errno == ERANGE || v > UINT32_MAX) return UINT32_MAX;
    std::uint32_t u = static_cast<std::uint32_t>(v);
    return negative ? static_cast<std::uint32_t>(0u - u) : u;
}

}  // namespace

void UIntToText(char* dest, int capacity, std::uint32_t value, int base) {
    if (!dest || capacity <= 0 || base < 2 || base > 36) throw vException_c(0);
    int n = 0;
    do {
        if (capacity - n <= 1) throw vException_c(0);  // no room left for the NUL
        unsigned digit = value % static_cast<unsigned>(base);
        dest[n++] = static_cast<char>(digit < 10 ? '0' + digit : 'a' + digit - 10);
        value /= static_cast<unsigned>(base);
    } while (value != 0);
    for (int i = 0, j = n - 1; i < j; ++i, --j) std::swap(dest[i], dest[j]);
    dest[n] = '\0';
}

void IntToText(char* dest, int capacity, std::int32_t value, int base) {
    if (!dest || capacity <= 0) throw vException_c(0);
    if (value >= 0) {
        UIntToText(dest, capacity, static_cast<std::uint32_t>(value), base);
        return;
    }
    dest[0] = '-';
    // The magnitude of the most negative value only fits unsigned.
    UIntToText(dest + 1, capacity - 1, 0u - static_cast<std::uint32_t>(value), base);
}

void vSettings_c::SetFileName(const char* path) {
    if (path)
        mPath = std::string(path);
    else
        mPath.reset();
}

const std::string& vSettings_c::RequirePath() const {
    if (!mPath) throw vException_c(0);
    return *mPath;
}

std::string vSettings_c::BaseFile() const {
    char base[PATH_MAX];
    platform::ReadProfileString(kOverlaySection, kOverlayBaseKey, "", base, sizeof base, RequirePath());
    return base;
}

namespace {

constexpr const char* kMissing = "\x01";

// The names of a NUL-separated list ending in an extra NUL.
void AddNames(const char* list, std::vector<std::string>& names) {
    for (const char* name = list; *name; name += std::strlen(name) + 1) {
        bool known = false;
        for (const std::string& seen : names) known = known || SameText(seen.c_str(), name);
        if (!known) names.emplace_back(name);
    }
}

// A name list read from one file, whole.
std::string ReadList(const char* section, const std::string& path) {
    std::string list(4096, '\0');
    for (;;) {
        std::size_t n = platform::ReadProfileString(section, nullptr, "", list.data(), list.size(), path);
        if (n != list.size() - 2) return list;
        list.assign(list.size() * 2, '\0');
    }
}

}  // namespace

void vSettings_c::GetString(const char* key, char* buffer, std::size_t size, const char* def) const {
    const std::string& path = RequirePath();
    if (!buffer || size == 0) throw vException_c(0);
    SplitKey split(key);
    const bool list = !split.Section() || !split.Name();
    // A list needs room for at least its two closing NULs.
    if (list && size < 2) throw vException_c(0);
    const std::string base = BaseFile();
    std::size_t n = 0;
    if (base.empty()) {
        n = platform::ReadProfileString(split.Section(), split.Name(), def, buffer, size, path);
    } else if (!list) {
        // The default may live in the caller's buffer, which the first read fills.
        const std::string fallback = def ? def : "";
        // A control character no INI value holds marks a key this file lacks.
        n = platform::ReadProfileString(split.Section(), split.Name(), kMissing, buffer, size, path);
        if (size < 2 || std::strcmp(buffer, kMissing) == 0)
            n = platform::ReadProfileString(split.Section(), split.Name(), fallback.c_str(), buffer, size, base);
    } else {
        std::vector<std::string> names;
        AddNames(ReadList(split.Section(), path).c_str(), names);
        AddNames(ReadList(split.Section(), base).c_str(), names);
        std::string joined;
        for (const std::string& name : names) joined.append(name).push_back('\0');
        // Cut as a single file's list is cut: the result is then size - 2.
        n = joined.size() < size ? joined.size() : size - 2;
        std::memcpy(buffer, joined.data(), n);
        buffer[n] = '\0';
        if (n == size - 2) buffer[n + 1] = '\0';
    }
    if (!list && n == size - 1) throw vException_c(0);
    if (list && n == size - 2) throw vException_c(0);
}

std::int32_t vSettings_c::GetInt(const char* key, std::int32_t def) const {
    char text[kNumberBuffer];
    IntToText(text, kNumberBuffer, def);
    GetString(key, text, kNumberBuffer, text);
    return ToInt32(text);
}

std::uint32_t vSettings_c::GetUnsigned(const char* key, std::uint32_t def) const {
    char text[kNumberBuffer];
    UIntToText(text, kNumberBuffer, def);
    GetString(key, text, kNumberBuffer, text);
    if ((text[0] == '0' && (text[1] == 'x' || text[1] == 'X'))) return ToUInt32(text + 2, 16);
    if (text[0] == '$') return ToUInt32(text + 1, 16);
    return ToUInt32(text, 10);
}

double vSettings_c::GetDouble(const char* key, double def) const {
    char text[kNumberBuffer];
    GetString(key, text, kNumberBuffer, "");
    if (text[0] == '\0') return def;
    return std::atof(text);
}

bool vSettings_c::GetBool(const char* key, bool def) const {
    char text[kNumberBuffer];
    GetString(key, text, kNumberBuffer, "");
    if (text[0] == '\0') return def;
    if (SameText(text, "false")) return false;
    if (SameText(text, "true")) return true;
    if (SameText(text, "no")) return false;
    if (SameText(text, "yes")) return true;
    return ToInt32(text) > 0;
}

void vSettings_c::PutString(const char* key, const char* text) {
    const std::string& path = RequirePath();
    SplitKey split(key);
    if (!platform::WriteProfileString(split.Section(), split.Name(), text, path)) throw vException_c(0);
}

void vSettings_c::PutInt(const char* key, std::int32_t value) {
    char text[kNumberBuffer];
    IntToText(text, kNumberBuffer, value);
    PutString(key, text);
}

void vSettings_c::PutHex(const char* key, std::uint32_t value) {
    char digits[kHexDigitBuffer];
    UIntToText(digits, kHexDigitBuffer, value, 16);
    PutString(key, (std::string("0x") + digits).c_str());
}

void vSettings_c::PutBool(const char* key, bool value) { PutString(key, value ? "TRUE" : "FALSE"); }

std::string vTextSetting_c::Read(const vSettings_c& from) const {
    std::string text(capacity, '\0');
    from.GetString(key, text.data(), text.size(), def);
    text.resize(std::char_traits<char>::length(text.c_str()));
    return text;
}
