#pragma once
// vSoundLimits: the mark limits of speech sounds, read from the limits file
// ("Limits.ini"): a table of at most 80 parsed lines (section headers and
// key = value lines), the four distance limits of the selected sound and the
// penalty constants. One per word exercise; user-interface thread only.

#include <array>
#include <cstdint>
#include <string>

class vSoundLimits {
public:
    static constexpr int kMaxLines = 80;
    static constexpr size_t kMaxKey = 19;
    static constexpr size_t kMaxLine = 199;
    static constexpr size_t kMaxSound = 15;

    // Reads the limits file at path (raises "Cannot open %s file!"); with a
    // non-empty sound name selects it. The constants are looked up always.
    vSoundLimits(const std::string& sound, const std::string& path);

    // Loads the limits of one sound; code may be changed to its other length
    // form (":" toggled) when that is the one the file lists. Shows the
    // warning box when neither form is listed.
    void SelectSound(std::string& code);

    // (section, key) lookup: true and the value when found; false with -1
    // when the section exists but the key does not; false and value
    // untouched when the section is missing.
    bool Lookup(const std::string& section, const std::string& key, int32_t& value) const;

    const std::string& TargetSound() const { return targetSound; }
    // Distance limits for marks 2, 3, 4 and 5.
    const std::array<int32_t, 4>& MarkLimits() const { return markLimits; }
    int32_t AffricateLimit() const { return affricateLimit; }
    // Constant of row and column, both 1..3.
    int32_t Constant(int row, int column) const { return constants[row - 1][column - 1]; }
    int32_t TrackingIsol() const { return trackingIsol; }
    int32_t TrackingWord() const { return trackingWord; }
    int LineCount() const { return lineCount; }
    const std::string& LineKey(int i) const { return lineKeys[static_cast<size_t>(i)]; }
    int32_t LineValue(int i) const { return lineValues[static_cast<size_t>(i)]; }

    // The code with ":" toggled: cut at the first ":" when it has one,
    // otherwise with ":" appended.
    static std::string OtherLengthForm(const std::string& code);

private:
    void Read(const std::string& path);
    void ParseLine(const std::string& line);
    // Looks a constant up, keeping its default when the file does not give it.
    void LookupConstant(const char* key, int32_t& value) const;

    std::string targetSound;
    std::array<std::string, kMaxLines> lineKeys;
    std::array<int32_t, kMaxLines> lineValues{};
    int lineCount = 0;
    std::array<int32_t, 4> markLimits{};
    int32_t affricateLimit = -5000;
    int32_t constants[3][3] = {};
    int32_t trackingIsol = 0;
    int32_t trackingWord = 0;
};
