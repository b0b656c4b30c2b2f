#include "shell/command_line.h"

#include "platform/exception.h"
#include "platform/atomic_file.h"
#include "platform/message_box.h"
#include "platform/process.h"
#include "platform/profile.h"
#include "platform/user_data.h"
#include "settings/settings.h"
#include "settings/shared_keys.h"

#include <cerrno>
#include <climits>
#include <cstdlib>
#include <cstring>

namespace {

constexpr const char* kVersionText = "1.1.0325";
constexpr const char* kVersionCaption = "Lorvano version";
constexpr const char* kStartCaption = "Lorvanio";
// Where an installed program finds the language folders, relative to its own
// folder (set by the build from the installation layout).
#ifndef LORVANO_INSTALLED_DATA_DIR
#define LORVANO_INSTALLED_DATA_DIR "../../share/lorvano/"
#endif
constexpr const char* kInstalledDataDir = LORVANO_INSTALLED_DATA_DIR;
constexpr const char* kNoLanguageText = "No Language defined. Lorvano cannot run.";
constexpr const char* kBadLanguageText = "Bad Language name or missing INI file. Lorvano cannot run.";
constexpr std::size_t kLoadingTextSize = 100;

char Lower(char c) { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c; }

bool SameWord(const std::string& a, const char* b) {
    if (a.size() != std::strlen(b)) return false;
    for (std::size_t i = 0; i < a.size(); ++i)
        if (Lower(a[i]) != Lower(b[i])) return false;
    return true;
}

// Position of the first folder of dir whose name begins with "bin" (any
// case), or npos. Only whole folder names count, so that "/home/robin/" or a
// temporary folder such as "/tmp/x-aBinq/" is not cut in the middle.
std::size_t FindBinFolder(const std::string& dir) {
    for (std::size_t i = 0; i + 3 <= dir.size(); ++i) {
        if (i > 0 && dir[i - 1] != '/') continue;
        if (Lower(dir[i]) == 'b' && Lower(dir[i + 1]) == 'i' && Lower(dir[i + 2]) == 'n') return i;
    }
    return std::string::npos;
}

// The user's settings file lays itself over the shipped one; a package update
// that moved the shipped file is followed.
bool LayUserSettingsOver(const std::string& userIni, const std::string& shippedIni, std::string& error) {
    const std::string folder = userIni.substr(0, userIni.rfind('/'));
    if (!platform::MakeFolders(folder, 0700)) {
        error = folder + ": " + std::strerror(errno);
        return false;
    }
    const std::string section = vSettings_c::kOverlaySection;
    const std::string key = vSettings_c::kOverlayBaseKey;
    if (!platform::IsRegularFile(userIni)) {
        const std::string text = "; Your own Lorvano settings: keys set here win over the shipped file.\n[" + section +
                                 "]\n" + key + "=" + shippedIni + "\n";
        if (platform::WriteFileAtomically(userIni, text)) return true;
    } else {
        char base[PATH_MAX];
        platform::ReadProfileString(section.c_str(), key.c_str(), "", base, sizeof base, userIni);
        if (shippedIni == base ||
            platform::WriteProfileString(section.c_str(), key.c_str(), shippedIni.c_str(), userIni))
            return true;
    }
    error = userIni + ": " + std::strerror(errno);
    return false;
}

// An installed or read-only language folder is never written: the user works
// in a folder of their own that mirrors it (see platform::MirrorFolder), with
// a settings file over the shipped one. When the home folder cannot take
// them, the program says so and runs from the shipped folder.
void UseUserFolders(const vTrStartupPlan_c& plan, std::string& languageDir, std::string& iniPath) {
    char real[PATH_MAX];
    const std::string shipped = ::realpath(plan.languageDir.c_str(), real) ? real : plan.languageDir;
    const std::string iniName = plan.iniPath.substr(plan.iniPath.rfind('/') + 1);
    const std::string userDir = platform::UserDataHome() + "/lorvano/" + plan.language;
    const std::string userIni = platform::UserConfigHome() + "/lorvano/" + plan.language + "/" + iniName;
    std::string error;
    if (platform::MirrorFolder(shipped, userDir, error) &&
        LayUserSettingsOver(userIni, shipped + "/" + iniName, error)) {
        languageDir = userDir;
        iniPath = userIni;
        return;
    }
    platform::ShowMessageBox({"Lorvano cannot keep your files in your home folder (" + error +
                                  "). It runs, but recordings and changed settings are not kept.",
                              "Lorvano", platform::BoxIcon::Exclamation, platform::BoxButtons::Ok});
}

[[noreturn]] void StopWithBox(const char* text, const char* caption, platform::BoxIcon icon, int exitCode) {
    platform::ShowMessageBox({text, caption, icon, platform::BoxButtons::Ok});
    std::exit(exitCode);
}

}  // namespace

bool NextCommandWord(const char*& text, char* buffer, std::size_t size) {
    if (size == 0) throw vTextException_c("Buffer too small");
    const char* p = text;
    while (*p == ' ') ++p;
    bool quoted = false;
    while (*p == '"') {
        quoted = true;
        ++p;
    }
    if (!*p && !quoted) {
        text = p;
        return false;
    }
    std::size_t n = 0;
    for (; *p; ++p) {
        if (*p == ' ' && !quoted) break;
        if (*p == '"') {
            if (quoted) {
                while (*p == '"') ++p;  // the closing quotes end the word
                break;
            }
            quoted = true;
        }
        if (n + 1 >= size) throw vTextException_c("Buffer too small");
        buffer[n++] = *p;
    }
    buffer[n] = '\0';
    text = p;
    return true;
}

std::vector<std::string> SplitCommandLine(const char* commandLine) {
    std::vector<std::string> words;
    if (!commandLine) return words;
    // As long as the whole line, so that every word fits.
    std::vector<char> word(std::strlen(commandLine) + 1);
    while (NextCommandWord(commandLine, word.data(), word.size())) words.emplace_back(word.data());
    return words;
}

vTrStartupPlan_c PlanStartup(const std::vector<std::string>& words, const std::string& programPath) {
    vTrStartupPlan_c plan;
    const std::size_t slash = programPath.rfind('/');
    plan.programDir = slash == std::string::npos ? std::string() : programPath.substr(0, slash + 1);
    std::string base = programPath.substr(slash == std::string::npos ? 0 : slash + 1);
    const std::size_t dot = base.rfind('.');
    if (dot != std::string::npos && dot > 0) base.erase(dot);

    bool haveLanguage = false;
    for (const std::string& word : words) {
        if (word.empty()) continue;  // an empty argument names nothing
        if (SameWord(word, "/FULL")) {
            plan.fullRequested = true;
        } else if (SameWord(word, "/WINDOW")) {
            plan.windowRequested = true;
        } else if (SameWord(word, "/V")) {
            plan.outcome = StartupOutcome::ShowVersion;
            return plan;
        } else {
            haveLanguage = true;
            plan.language = word;
            for (char& c : plan.language)
                if (c == '\\') c = '/';
        }
    }
    if (!haveLanguage) {
        plan.outcome = StartupOutcome::NoLanguage;
        return plan;
    }
    // A language is a folder below the program's data folders; ".." or an
    // absolute path would point the program at any folder of the machine.
    if (plan.language.front() == '/' || plan.language == "." ||
        ("/" + plan.language + "/").find("/../") != std::string::npos) {
        plan.outcome = StartupOutcome::BadLanguage;
        return plan;
    }

    auto iniIn = [&](const std::string& languageDir) { return languageDir + "/" + base + ".ini"; };
    std::string languageDir = plan.programDir + plan.language;
    if (!platform::IsRegularFile(iniIn(languageDir))) {
        const std::size_t bin = FindBinFolder(plan.programDir);
        languageDir = bin == std::string::npos ? std::string() : plan.programDir.substr(0, bin) + plan.language;
        if (languageDir.empty() || !platform::IsRegularFile(iniIn(languageDir))) {
            // An installed program keeps its languages in the shared data folder.
            languageDir = plan.programDir + kInstalledDataDir + plan.language;
            if (!platform::IsRegularFile(iniIn(languageDir))) {
                plan.outcome = StartupOutcome::BadLanguage;
                return plan;
            }
            plan.installed = true;
        }
    }
    plan.outcome = StartupOutcome::Run;
    plan.languageDir = languageDir;
    plan.iniPath = iniIn(languageDir);
    return plan;
}

vTrStartup_c ParseCommandLine(const std::vector<std::string>& words, const std::string& programPath) {
    const vTrStartupPlan_c plan = PlanStartup(words, programPath);
    switch (plan.outcome) {
        // Asking for the version is no error: its box says so.
        case StartupOutcome::ShowVersion:
            StopWithBox(kVersionText, kVersionCaption, platform::BoxIcon::Information, 0);
        case StartupOutcome::NoLanguage: StopWithBox(kNoLanguageText, kStartCaption, platform::BoxIcon::Stop, -1);
        case StartupOutcome::BadLanguage: StopWithBox(kBadLanguageText, kStartCaption, platform::BoxIcon::Stop, -1);
        case StartupOutcome::Run: break;
    }

    std::string languageDir = plan.languageDir;
    std::string iniPath = plan.iniPath;
    if (plan.installed || !platform::IsWritableFolder(plan.languageDir)) UseUserFolders(plan, languageDir, iniPath);
    platform::ChangeDirectory(languageDir);
    gSettings.SetFileName(iniPath.c_str());

    vTrStartup_c startup;
    startup.programDir = plan.programDir;
    startup.languageDir = languageDir;
    startup.iniPath = iniPath;
    startup.fullScreen = plan.fullRequested     ? true
                         : plan.windowRequested ? false
                                                : keys::kFullScreen.Read();
    startup.windowStyle = startup.fullScreen ? WindowStyle::Popup : WindowStyle::DialogFrame;
    startup.debugPrompt = false;

    char text[kLoadingTextSize];
    try {
        gSettings.GetString("Application/LoadingText", text, sizeof text, "");
    } catch (const vException_c&) {
        // Longer than the 99 characters there is room for: shown cut.
    }
    startup.loadingText = text;
    return startup;
}

vTrStartup_c ParseCommandLine(const std::vector<std::string>& words) {
    return ParseCommandLine(words, platform::ProgramPath());
}
