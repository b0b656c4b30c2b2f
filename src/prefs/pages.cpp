#include "prefs/pages.h"

#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <filesystem>

#include "platform/atomic_file.h"
#include "platform/exception.h"
#include "settings/settings.h"
#include "settings/shared_keys.h"

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

ShownModes ModesToShow(const std::optional<std::vector<platform::DisplayMode>>& displayModes,
                       std::optional<int> fileMode) {
    ShownModes shown;
    shown.rows.fill(!displayModes);
    shown.columns.fill(!displayModes);
    if (displayModes)
        for (const platform::DisplayMode& m : *displayModes) {
            for (int row = 0; row < kModeRows; ++row)
                if (kModeSizes[row].width == m.width && kModeSizes[row].height == m.height) shown.rows[row] = true;
            for (int column = 0; column < kModeColumns; ++column)
                if (kModeBits[column] == m.bits) shown.columns[column] = true;
        }
    if (fileMode) {
        shown.rows[ModeRow(*fileMode)] = true;
        shown.columns[ModeColumn(*fileMode)] = true;
    }
    return shown;
}

namespace {

// The five analysis keys of a machine speed.
struct SpeedKeys {
    bool doWindow, realtimeFilters, realtimePitch;
    int windowNum, interLeave;
    bool operator==(const SpeedKeys&) const = default;
};

SpeedKeys KeysOf(MachineSpeed speed) {
    switch (speed) {
        case MachineSpeed::Fast: return {false, true, true, 4, 1};
        case MachineSpeed::Normal: return {false, true, false, 4, 1};
        default: return {true, false, false, 4, 2};  // Slow
    }
}

}  // namespace

void ScreenPage::Read(const vSettings_c& settings) {
    const int x = settings.GetInt(keys::kActualResX.key, -1);
    const int y = settings.GetInt(keys::kActualResY.key, -1);
    const int bits = settings.GetInt(keys::kBitsPerPixel.key, -1);
    mode.reset();
    if (x != -1 && y != -1 && bits != -1) {
        mode = FindMode(x, y, bits);
        modeText = std::to_string(x) + "x" + std::to_string(y) + ", " + std::to_string(bits) + " bits";
    } else {
        modeText = "not set";
    }

    fullScreen = keys::kFullScreen.Read(settings);
    // The defaults are those the analysis itself takes.
    const SpeedKeys read{keys::kSpectrumWindowOn.Read(settings),
                         keys::kRealtimeFilters.Read(settings),
                         keys::kRealtimePitch.Read(settings),
                         settings.GetInt("HM1_Processor/WindowNum", 3), settings.GetInt("HM1_Processor/InterLeave", 3)};
    speed = MachineSpeed::Custom;
    for (MachineSpeed s : {MachineSpeed::Fast, MachineSpeed::Normal, MachineSpeed::Slow})
        if (read == KeysOf(s)) speed = s;
}

void ScreenPage::Apply(vSettings_c& settings, const ScreenPage& before) const {
    if (mode && mode != before.mode) {
        const ModeSize size = kModeSizes[ModeRow(*mode)];
        keys::kActualResX.Write(size.width, settings);
        keys::kActualResY.Write(size.height, settings);
        settings.PutInt(keys::kBitsPerPixel.key, kModeBits[ModeColumn(*mode)]);
    }
    if (fullScreen != before.fullScreen) keys::kFullScreen.Write(fullScreen, settings);
    if (speed != before.speed && speed != MachineSpeed::Custom) {
        const SpeedKeys chosen = KeysOf(speed);
        settings.PutInt("HM1_Processor/WindowNum", chosen.windowNum);
        settings.PutInt("HM1_Processor/InterLeave", chosen.interLeave);
        keys::kSpectrumWindowOn.Write(chosen.doWindow, settings);
        keys::kRealtimeFilters.Write(chosen.realtimeFilters, settings);
        keys::kRealtimePitch.Write(chosen.realtimePitch, settings);
    }
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

void VolumePage::Read(const vSettings_c& settings) { lineLength = settings.GetInt(keys::kLoudnessLine.key, static_cast<int>(keys::kLoudnessLine.def)); }

void VolumePage::Apply(vSettings_c& settings, const VolumePage& before) const {
    if (lineLength != before.lineLength) settings.PutInt(keys::kLoudnessLine.key, lineLength);
}

void VoicePage::Read(const vSettings_c& settings) {
    lineLength = settings.GetInt(keys::kPitchLine.key, static_cast<int>(keys::kPitchLine.def));
    disableFeedback = !settings.GetBool("ScreenMode/Type11_FeedBack", true);
}

void VoicePage::Apply(vSettings_c& settings, const VoicePage& before) const {
    if (lineLength != before.lineLength) settings.PutInt(keys::kPitchLine.key, lineLength);
    if (disableFeedback != before.disableFeedback) settings.PutBool("ScreenMode/Type11_FeedBack", !disableFeedback);
}

// ---- Check-box pages -----------------------------------------------------

void SpectrumPage::Read(const vSettings_c& settings) {
    highlightErrors = keys::kSpectrumErrorColour.Read(settings);
    smoothCurves = keys::kSpectrumSmoothing.Read(settings);
    disableFeedback = !settings.GetBool("ScreenMode/Type9_FeedBack", true);
}

void SpectrumPage::Apply(vSettings_c& settings, const SpectrumPage& before) const {
    if (smoothCurves != before.smoothCurves) keys::kSpectrumSmoothing.Write(smoothCurves, settings);
    if (highlightErrors != before.highlightErrors) keys::kSpectrumErrorColour.Write(highlightErrors, settings);
    if (disableFeedback != before.disableFeedback) {
        settings.PutBool("ScreenMode/Type9_FeedBack", !disableFeedback);
        settings.PutBool("ScreenMode/Type10_FeedBack", !disableFeedback);
    }
}

void WordPage::Read(const vSettings_c& settings) {
    highlightSpirant = keys::kShowSpirant.Read(settings);
    autoPlayback = keys::kAutoPlayback.Read(settings);
    showBackground = keys::kWordBackground.Read(settings);
    disableFeedback = !settings.GetBool("ScreenMode/Type1_FeedBack", true);
}

void WordPage::Apply(vSettings_c& settings, const WordPage& before) const {
    if (highlightSpirant != before.highlightSpirant) keys::kShowSpirant.Write(highlightSpirant, settings);
    if (autoPlayback != before.autoPlayback) keys::kAutoPlayback.Write(autoPlayback, settings);
    if (showBackground != before.showBackground) keys::kWordBackground.Write(showBackground, settings);
    if (disableFeedback == before.disableFeedback) return;
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
    const std::uint32_t item = keys::kFeedbackOffset.Read(settings) + 1u;
    if (item < items.size())
        selected = static_cast<int>(item);
    else
        selected.reset();
}

void FeedbackPage::Apply(vSettings_c& settings, const FeedbackPage& before) const {
    if (selected && selected != before.selected) settings.PutInt(keys::kFeedbackOffset.key, *selected - 1);
}

// ---- The whole sheet -----------------------------------------------------

void SheetValues::Read(const vSettings_c& settings) {
    screen.Read(settings);
    volume.Read(settings);
    spectrum.Read(settings);
    word.Read(settings);
    voice.Read(settings);
    feedback.Read(settings);
    read = *this;
    triggerLevel.reset();
}

void SheetValues::Apply(vSettings_c& settings) const {
    screen.Apply(settings, read.screen);
    volume.Apply(settings, read.volume);
    spectrum.Apply(settings, read.spectrum);
    word.Apply(settings, read.word);
    voice.Apply(settings, read.voice);
    feedback.Apply(settings, read.feedback);
    if (triggerLevel) keys::kTriggerLevel.Write(*triggerLevel, settings);
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
