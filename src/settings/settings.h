#pragma once
// The settings store: the one way the program reads and writes its language's
// INI file. A setting is named "Section/Key"; the text before the first "/"
// is the section, the rest (further "/" included) the key. Without "/" the
// whole text is the section and the key is absent, which makes reads return
// the section's key names and writes delete the section.
//
// There is no cache: every query reads the file, so a value written by the
// settings sheet is seen by the next query. Every failure raises
// vException_c with code 0: no file set, a value that fills the caller's
// buffer, a write that could not be done (the old file is then unchanged).
//
// A user's file may lay itself over a shipped one: when it holds the key
// "Overlay/Base" (a path), keys it lacks are read from that file, name lists
// are the union of both, and every write goes to the user's file only. The
// shipped file is never written.
//
// The store is used from the user-interface thread only; it holds no lock.

#include "platform/exception.h"

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>

// Writes value in the given base (2..36, digits above 9 as "a".."z") into
// dest, NUL-terminated; negative values get a leading "-". Raises
// vException_c(0) when capacity is 0 or less or the text does not fit.
void IntToText(char* dest, int capacity, std::int32_t value, int base = 10);
void UIntToText(char* dest, int capacity, std::uint32_t value, int base = 10);

class vSettings_c {
public:
    vSettings_c() = default;
    // Same as constructing empty and calling SetFileName.
    explicit vSettings_c(const char* path) { SetFileName(path); }
    virtual ~vSettings_c() = default;

    // Stores a copy of path; null clears it (every query then raises).
    void SetFileName(const char* path);
    // The INI path, or null before SetFileName.
    const char* FileName() const { return mPath ? mPath->c_str() : nullptr; }

    // Fills buffer (always NUL-terminated) with the value of key, or def
    // (null means "") when there is none. A value that fills the buffer
    // (size - 1 characters) counts as truncated and raises; so does a name
    // list (key without "/", or a null key) that fills it up to size - 2.
    // When that exception is raised the buffer holds the text cut to fit.
    void GetString(const char* key, char* buffer, std::size_t size, const char* def) const;

    // A missing key gives def; a present but empty or non-numeric value gives 0.
    std::int32_t GetInt(const char* key, std::int32_t def) const;
    // Decimal, or hexadecimal after "0x", "0X" or "$"; a leading "0" is not octal.
    std::uint32_t GetUnsigned(const char* key, std::uint32_t def) const;
    // A missing or empty value gives def.
    double GetDouble(const char* key, double def) const;
    // A missing or empty value gives def; "false"/"true"/"no"/"yes" in any
    // case, otherwise a number greater than 0 is true.
    bool GetBool(const char* key, bool def) const;

    // A null text deletes the key.
    void PutString(const char* key, const char* text);
    void PutInt(const char* key, std::int32_t value);
    // Written as "0x" and lower-case digits, e.g. "0x1f".
    void PutHex(const char* key, std::uint32_t value);
    // Written as "TRUE" or "FALSE".
    void PutBool(const char* key, bool value);

    // Section and key of the base file named by a user's file.
    static const char* const kOverlaySection;
    static const char* const kOverlayBaseKey;

private:
    const std::string& RequirePath() const;
    // The file this one lays itself over, or empty.
    std::string BaseFile() const;

    std::optional<std::string> mPath;
};

// The one store of the program; constructed without a file.
extern vSettings_c gSettings;
