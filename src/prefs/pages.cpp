#include "prefs/pages.h"

#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <filesystem>

#include "platform/atomic_file.h"
#include "platform/exception.h"
#include "settings/settings.h"

namespace prefs {

const char* LoadString(int id) {
    switch (id) {
        case kSheetCaptionId: return "Lorvano settings";
        case kDefaultAnimationId: return "<Default Animation>";
        default: return "";
    }
}

const std::array<PageInfo, kPageCount> kPages = {{
    {"Screen", 107, 0},
    {"Volume, rhythm", 2001, 0},
    {"Spectrum", 2004, 1},
    {"Syllable, word, sentence", 2002, 10},
    {"Voice/Unvoice", 2003, 7},
    {"Feedback", 2006, 0},
    {"Microphone", 2005, 0},
}};

// ---- Screen page -------------------------------------------------------

std::optional<int> FindMode(int width, int height, int bits) {
    for (int column = 0; column < kModeColumns; ++column) {
        if (kModeBits[column] != bits) continue;
        for (int row = 0; row < kModeRows; ++row)
            if (kModeSizes[row].width == width && kModeSizes[row].height == height) return ModeIndex(column, row);
    }
    return std::nullopt;
}

ModeAvailability AvailableModes(const std::optional<std::vector<platform::DisplayMode>>& displayModes) {
    ModeAvailability available;
    available.fill(!displayModes);
    if (!displayModes) return available;
    for (const platform::DisplayMode& m : *displayModes)
        for (int row = 0; row < kModeRows; ++row)
            if (kModeSizes[row].width == m.width && kModeSizes[row].height == m.height)
                for (int column = 0; column < kModeColumns; ++column) available[ModeIndex(column, row)] = true;
    return available;
}

namespace {

int ColumnOf(int bits) {
    for (int column = 0; column < kModeColumns; ++column)
        if (kModeBits[column] == bits) return column;
    return -1;
}

// One step of the fallback walk.
int NextTry(int index, const ModeAvailability& available) {
    const int row = ModeRow(index);
    auto at = [&](int bits) { return ModeIndex(ColumnOf(bits), row); };
    switch (kModeBits[ModeColumn(index)]) {
        case 16: return available[at(15)] ? at(15) : at(32);
        case 15: return available[at(16)] ? at(16) : at(32);
        case 32: return at(8);
        case 8: return at(24);
        default: return ModeIndex(ColumnOf(16), 1);  // 24 bits: 640x480 at 16
    }
}

}  // namespace

std::optional<int> WalkToAvailable(int start, const ModeAvailability& available) {
    std::array<bool, kModeCount> tried{};
    int index = start;
    while (!available[index]) {
        if (tried[index]) {
            // The walk runs in a circle: none of its modes is offered.
            for (int i = 0; i < kModeCount; ++i)
                if (available[i]) return i;
            return std::nullopt;
        }
        tried[index] = true;
        index = NextTry(index, available);
    }
    return index;
}

void ScreenPage::Read(const vSettings_c& settings, const ModeAvailability& available) {
    const int x = settings.GetInt("ScreenMode/ActualResX", -1);
    const int y = settings.GetInt("ScreenMode/ActualResY", -1);
    const int bits = settings.GetInt("ScreenMode/BPP", -1);
    std::optional<int> wanted;
    if (x != -1 && y != -1 && bits != -1) wanted = FindMode(x, y, bits);
    // Missing keys, or a mode the grid has no radio for: 800x600 at 15 bits.
    const int start = wanted.value_or(ModeIndex(ColumnOf(15), 0));
    mode = WalkToAvailable(start, available);
    modified = !wanted || mode != wanted;

    fullScreen = settings.GetBool("ScreenMode/FullScreen", true);
    if (settings.GetBool("HM1_Processor/DoWindow", true))
        speed = MachineSpeed::Slow;
    else if (settings.GetBool("WordDetector/RealtimePitch", true))
        speed = MachineSpeed::Fast;
    else
        speed = MachineSpeed::Normal;
}

void ScreenPage::Apply(vSettings_c& settings) const {
    if (mode) {
        const ModeSize size = kModeSizes[ModeRow(*mode)];
        settings.PutInt("ScreenMode/ActualResX", size.width);
        settings.PutInt("ScreenMode/ActualResY", size.height);
        settings.PutInt("ScreenMode/BPP", kModeBits[ModeColumn(*mode)]);
    }
    settings.PutBool("ScreenMode/FullScreen", fullScreen);
    const bool slow = speed == MachineSpeed::Slow;
    settings.PutInt("HM1_Processor/WindowNum", 4);
    settings.PutInt("HM1_Processor/Interleave", slow ? 2 : 1);
    settings.PutBool("HM1_Processor/DoWindow", slow);
    settings.PutBool("WordDetector/RealtimeFilters", !slow);
    settings.PutBool("WordDetector/RealtimePitch", speed == MachineSpeed::Fast);
}

// ---- Line-length pages ---------------------------------------------------

std::optional<int> ParseLineLength(const std::string& text) {
    const char* s = text.c_str();
    while (*s == ' ' || *s == '\t') ++s;
    if (!*s) return std::nullopt;
    errno = 0;
    char* end = nullptr;
    const long value = std::strtol(s, &end, 10);
    while (*end == ' ' || *end == '\t') ++end;
    if (*end || errno == ERANGE || value < kMinLineLength || value > kMaxLineLength) return std::nullopt;
    return static_cast<int>(value);
}

std::string LineLengthMessage() {
    return "The line length must be a whole number from " + std::to_string(kMinLineLength) + " to " +
           std::to_string(kMaxLineLength) + ".";
}

void VolumePage::Read(const vSettings_c& settings) { lineLength = settings.GetInt("Ampl_Processor/TailLength", 25); }

void VolumePage::Apply(vSettings_c& settings) const { settings.PutInt("Ampl_Processor/TailLength", lineLength); }

void VoicePage::Read(const vSettings_c& settings) {
    lineLength = settings.GetInt("Pitch_Exercise/TailLength", 100);
    disableFeedback = !settings.GetBool("ScreenMode/Type11_FeedBack", true);
}

void VoicePage::Apply(vSettings_c& settings) const {
    settings.PutInt("Pitch_Exercise/TailLength", lineLength);
    settings.PutBool("ScreenMode/Type11_FeedBack", !disableFeedback);
}

// ---- Check-box pages -----------------------------------------------------

void SpectrumPage::Read(const vSettings_c& settings) {
    highlightErrors = settings.GetBool("HM1_Processor/DoErrorColor", true);
    smoothCurves = settings.GetBool("HM1_Processor/Smoothing", true);
    disableFeedback = !settings.GetBool("ScreenMode/Type9_FeedBack", true);
}

void SpectrumPage::Apply(vSettings_c& settings) const {
    settings.PutBool("HM1_Processor/Smoothing", smoothCurves);
    settings.PutBool("HM1_Processor/DoErrorColor", highlightErrors);
    settings.PutBool("ScreenMode/Type9_FeedBack", !disableFeedback);
    settings.PutBool("ScreenMode/Type10_FeedBack", !disableFeedback);
}

void WordPage::Read(const vSettings_c& settings) {
    highlightSpirant = settings.GetBool("ResDisplay/ShowSpirant", true);
    autoPlayback = settings.GetBool("ResDisplay/AutoPlayback", true);
    showBackground = settings.GetBool("WordExercise/ShowBG", true);
    disableFeedback = !settings.GetBool("ScreenMode/Type1_FeedBack", true);
}

void WordPage::Apply(vSettings_c& settings) const {
    settings.PutBool("ResDisplay/ShowSpirant", highlightSpirant);
    settings.PutBool("ResDisplay/AutoPlayback", autoPlayback);
    settings.PutBool("WordExercise/ShowBG", showBackground);
    for (int type = 1; type <= 6; ++type) {
        const std::string key = "ScreenMode/Type" + std::to_string(type) + "_FeedBack";
        settings.PutBool(key.c_str(), !disableFeedback);
    }
}

// ---- Feedback page -------------------------------------------------------

void FeedbackPage::Read(const vSettings_c& settings) {
    items.assign(1, LoadString(kDefaultAnimationId));
    for (int k = 0;; ++k) {
        char name[255];
        const std::string key = "Feedback/Display" + std::to_string(k);
        settings.GetString(key.c_str(), name, sizeof name, "---");
        if (std::strcmp(name, "---") == 0) break;
        items.emplace_back(name);
    }
    const std::uint32_t item = settings.GetUnsigned("Feedback/Offset", 0xFFFFFFFFu) + 1u;
    if (item < items.size())
        selected = static_cast<int>(item);
    else
        selected.reset();
}

void FeedbackPage::Apply(vSettings_c& settings) const {
    if (selected) settings.PutInt("Feedback/Offset", *selected - 1);
}

// ---- The whole sheet -----------------------------------------------------

void SheetValues::Read(const vSettings_c& settings, const ModeAvailability& available) {
    screen.Read(settings, available);
    volume.Read(settings);
    spectrum.Read(settings);
    word.Read(settings);
    voice.Read(settings);
    feedback.Read(settings);
    triggerLevel.reset();
    shown.fill(false);
}

void SheetValues::Apply(vSettings_c& settings) const {
    if (shown[0]) screen.Apply(settings);
    if (shown[1]) volume.Apply(settings);
    if (shown[2]) spectrum.Apply(settings);
    if (shown[3]) word.Apply(settings);
    if (shown[4]) voice.Apply(settings);
    if (shown[5]) feedback.Apply(settings);
    if (shown[kMicrophonePage] && triggerLevel) settings.PutInt("WordDetector/TrigLevel", *triggerLevel);
}

namespace {

[[noreturn]] void CannotSave(const std::string& iniPath, int error) {
    throw vTextException_c("The settings could not be saved in \"" + iniPath + "\": " + std::strerror(error) +
                           ". The file was left as it was.");
}

// A private file that goes away with the object (or, when the program is
// killed first, with the next save's sweep of the temporary folder).
class StagingFile {
public:
    StagingFile()
        : mPath(platform::CreatePrivateScratchFile(std::filesystem::temp_directory_path().string(), "lorvano-prefs")) {}
    ~StagingFile() {
        if (!mPath.empty()) unlink(mPath.c_str());
    }
    StagingFile(const StagingFile&) = delete;
    StagingFile& operator=(const StagingFile&) = delete;
    const std::string& Path() const { return mPath; }

private:
    std::string mPath;
};

}  // namespace

void SaveSheet(const SheetValues& values, const std::string& iniPath) {
    std::string text;
    if (!platform::ReadWholeFile(iniPath, text) && errno != ENOENT) CannotSave(iniPath, errno);
    StagingFile staging;
    if (staging.Path().empty() || !platform::WriteFileAtomically(staging.Path(), text)) CannotSave(iniPath, errno);
    vSettings_c copy(staging.Path().c_str());
    values.Apply(copy);
    if (!platform::ReadWholeFile(staging.Path(), text) || !platform::WriteFileAtomically(iniPath, text))
        CannotSave(iniPath, errno);
}

}  // namespace prefs
