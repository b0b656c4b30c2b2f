#pragma once
// One setting of the language's INI file, declared once, next to the module
// that owns it (or here, in settings/, when modules beside each other read
// it): its "Section/Key", its type and its default. Every reader goes
// through the declaration, so that a key and its default are written in one
// place. Read from gSettings unless a store is given; the same threads as
// the store (the user-interface thread).

#include <cstddef>
#include <cstdint>
#include <string>

#include "settings/settings.h"

struct vBoolSetting_c {
    const char* key;
    bool def;
    bool Read(const vSettings_c& from = gSettings) const { return from.GetBool(key, def); }
    void Write(bool value, vSettings_c& to = gSettings) const { to.PutBool(key, value); }
};

struct vIntSetting_c {
    const char* key;
    std::int32_t def;
    std::int32_t Read(const vSettings_c& from = gSettings) const { return from.GetInt(key, def); }
    void Write(std::int32_t value, vSettings_c& to = gSettings) const { to.PutInt(key, value); }
};

struct vUnsignedSetting_c {
    const char* key;
    std::uint32_t def;
    std::uint32_t Read(const vSettings_c& from = gSettings) const { return from.GetUnsigned(key, def); }
};

struct vDoubleSetting_c {
    const char* key;
    double def;
    double Read(const vSettings_c& from = gSettings) const { return from.GetDouble(key, def); }
};

// A text of at most capacity - 2 characters: a longer one raises, as the
// store does for a value that fills its buffer.
struct vTextSetting_c {
    const char* key;
    const char* def;
    std::size_t capacity = 260;
    std::string Read(const vSettings_c& from = gSettings) const;
};
