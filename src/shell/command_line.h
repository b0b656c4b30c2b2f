#pragma once
// Start-up: the command line's words, the language directory and its INI
// file, and the early settings read before any window exists. Everything here
// runs on the thread that entered the program, before the main window exists.
//
// Words (compared without regard to case): "/FULL", "/WINDOW", "/V"; any other
// word names the language (the last one counts). The language directory is
// <program directory><language>, its settings <language directory>/<program
// base name>.ini; when that file is missing, the program directory is cut at
// its first folder whose name begins with "bin" and the language looked for
// there (a program in <root>/bin finds <root>/<language>).

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

// Window styles the main window is created with; the values are those the
// application has always stored with its full-screen flag.
enum class WindowStyle : std::uint32_t {
    Popup = 0x80000000u,        // full screen
    DialogFrame = 0x004A0000u,  // window: dialog frame, system menu, minimise box
};

// What the command line asks for, before anything is shown or changed.
enum class StartupOutcome {
    Run,          // language and INI file found
    ShowVersion,  // "/V" given
    NoLanguage,   // no language word
    BadLanguage,  // no INI file for the language
};

struct vTrStartupPlan_c {
    StartupOutcome outcome = StartupOutcome::NoLanguage;
    bool fullRequested = false;    // "/FULL" given
    bool windowRequested = false;  // "/WINDOW" given
    std::string language;          // the last language word
    std::string programDir;        // folder of the program, ending in "/"
    std::string languageDir;       // where the INI file was found (Run only)
    std::string iniPath;           // empty unless Run
    bool installed = false;        // found in the shared data folder of an installation
};

// The start-up record the main window works from.
struct vTrStartup_c {
    bool fullScreen = true;
    WindowStyle windowStyle = WindowStyle::Popup;
    bool debugPrompt = false;  // exception boxes never offer to debug
    std::string loadingText;   // "Application/LoadingText", at most 99 characters
    std::string programDir;    // folder of the program, ending in "/"
    std::string languageDir;   // the current directory from now on (the user's own
                               // folder when the shipped one is not written)
    std::string iniPath;       // the file gSettings uses
};

// Copies the next word of text into buffer and moves text past it. Spaces
// separate words; a run of double quotes in front of a word opens a quoted
// word, which runs to the closing quote (spaces included; the run of closing
// quotes is consumed and not part of the word). A quote inside an unquoted word opens
// quotes and stays part of the word. Returns false when no word is left.
// Raises vTextException_c "Buffer too small" when the word does not fit.
bool NextCommandWord(const char*& text, char* buffer, std::size_t size);

// The words of a command line given as one text, by NextCommandWord.
std::vector<std::string> SplitCommandLine(const char* commandLine);

// Works out what the words ask for, for a program at programPath; looks at
// the file system only to see whether the INI file exists.
vTrStartupPlan_c PlanStartup(const std::vector<std::string>& words, const std::string& programPath);

// The whole start-up of the program at programPath: on "/V" shows the version
// box and ends the process with 0, on a missing language or INI file shows
// the matching box and ends it with -1. Otherwise makes the language directory
// current, points gSettings at the INI file and reads the early settings.
// Raises vException_c family members on failures after that (for example a
// language directory that cannot be entered).
vTrStartup_c ParseCommandLine(const std::vector<std::string>& words, const std::string& programPath);

// The same for the running program (its path as the operating system reports it).
vTrStartup_c ParseCommandLine(const std::vector<std::string>& words);
