#pragma once
// The program as scripts/run.sh builds and starts it (<build>/bin/trainer
// english /WINDOW), driven on the X display as a therapist would drive it:
// cards and buttons are clicked with xdotool, the file microphone hears
// espeak-ng speech, and what shows is read back from the window with
// ImageMagick. The build's program, its companion libraries and its language
// folder are copied into a temporary root first (the same files, used in place as in the build;
// the copy keeps the build's language free of the says and of a test's own
// exercises), and the user's home is a folder of that root. Screens can be
// kept as <build>/e2e_<name>.png for a look. One test thread only.

#include <strings.h>
#include <sys/stat.h>

#include <algorithm>
#include <cctype>
#include <cstdio>
#include <filesystem>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "../support/menu_cards.h"
#include "../support/scoped_env.h"
#include "../support/temp_dir.h"
#include "../support/window_pixels.h"

namespace lorvano_test {

namespace fs = std::filesystem;

// One thing said into the microphone: the synthesiser's text, voice, words a
// minute and pitch. A voice "flite:NAME" is one of flite's, at its own speed
// and pitch; any other is espeak-ng's.
struct Utterance {
    std::string text;
    std::string voice;
    int speed;
    int pitch;
};

// Writes the utterance as the program records (22050 Hz, mono, 16 bits)
// after lead seconds of silence; false when the synthesiser or sox failed.
inline bool Speak(const Utterance& u, double lead, const fs::path& wav) {
    const std::string raw = wav.string() + ".raw.wav";
    const std::string flite = "flite:";
    const std::string synth =
        u.voice.rfind(flite, 0) == 0
            ? "flite -voice " + u.voice.substr(flite.size()) + " -t '" + u.text + "' -o '" + raw + "'"
            : "espeak-ng -v " + u.voice + " -s " + std::to_string(u.speed) + " -p " + std::to_string(u.pitch) +
                  " -w '" + raw + "' '" + u.text + "'";
    return RunCommand(synth + " && sox '" + raw + "' -r 22050 -c 1 -b 16 '" + wav.string() + "' pad " +
                      std::to_string(lead) + " 0")
               .exitCode == 0;
}

inline bool HaveSpeech() {
    return !CommandOutput("command -v espeak-ng").empty() && !CommandOutput("command -v flite").empty() &&
           !CommandOutput("command -v sox").empty();
}

// A file's identity and time: changes whenever the file is written again.
inline std::string FileStamp(const fs::path& path) {
    struct stat st {};
    if (::stat(path.c_str(), &st) != 0) return {};
    return std::to_string(st.st_ino) + ":" + std::to_string(st.st_size) + ":" + std::to_string(st.st_mtim.tv_sec) +
           "." + std::to_string(st.st_mtim.tv_nsec);
}

// The result view of an exercise file: where it stands and its pictures
// (language-relative), read from the file's ResDisplay block.
struct ResultView {
    int x = -1, y = -1, width = 0, height = 0;
    std::vector<std::string> pictures;
};

inline ResultView ResultViewOf(const fs::path& language, const std::string& exercise) {
    ResultView view;
    const std::string text = ReadFile((language / exercise).string());
    const size_t start = text.find('{', text.find("ResDisplay"));
    if (start == std::string::npos) return view;
    size_t end = start;
    for (int depth = 0; end < text.size(); ++end) {
        depth += text[end] == '{' ? 1 : text[end] == '}' ? -1 : 0;
        if (depth == 0) break;
    }
    const std::string block = text.substr(start, end - start);
    auto number = [&](const std::string& key) {
        const size_t at = block.find(key);
        return at == std::string::npos ? -1 : std::atoi(block.c_str() + block.find('=', at) + 1);
    };
    view.x = number("PosX");
    view.y = number("PosY");
    for (size_t at = block.find("FileName"); at != std::string::npos; at = block.find("FileName", at + 1)) {
        const size_t open = block.find('"', at), close = block.find('"', open + 1);
        view.pictures.push_back((language / block.substr(open + 1, close - open - 1)).string());
    }
    if (!view.pictures.empty()) {
        const std::string size = CommandOutput("identify -format '%w %h' '" + view.pictures.front() + "'");
        std::sscanf(size.c_str(), "%d %d", &view.width, &view.height);
    }
    return view;
}

// Pixels that differ by more than a little between a region of a picture and
// another picture (or the same region of it); -1 when ImageMagick failed.
inline long DifferingPixels(const std::string& a, const std::string& b) {
    const std::string out = CommandOutput("compare -metric AE -fuzz 6% '" + a + "' '" + b + "' null: 2>&1 | cat");
    return out.empty() || !std::isdigit(static_cast<unsigned char>(out[0])) ? -1 : std::atol(out.c_str());
}

// How many pixels of a picture region have about that colour (on any
// background: the matching ones are marked magenta, then counted).
inline long PixelsOfColour(const std::string& region, const std::string& colour) {
    return std::atol(CommandOutput("convert '" + region + "' -alpha off -fuzz 12% -fill '#ff00ff' -opaque '" + colour +
                                   "' -fill black +opaque '#ff00ff' -fill white -opaque '#ff00ff' "
                                   "-format '%[fx:round(mean*w*h)]' info:")
                         .c_str());
}

// "<file>[WxH+X+Y]": ImageMagick reads only that region of the file.
inline std::string Region(const std::string& file, int x, int y, int w, int h) {
    return file + "[" + std::to_string(w) + "x" + std::to_string(h) + "+" + std::to_string(x) + "+" +
           std::to_string(y) + "]";
}

class TrainerSession {
public:
    // Copies the build's program with its companion libraries and the roster
    // tool, and the language, into a fresh root; the file microphone will
    // hear inputs one after another (gapMs apart, in real time) and what is
    // played goes to Played().
    TrainerSession(const std::vector<fs::path>& inputs, int gapMs) {
        fs::create_directories(mRoot.Path() / "bin");
        for (const char* file : {"trainer", "libPrefs.so", "libGuide.so", "libRoster.so", "lorvano-roster"})
            fs::copy_file(fs::path(LORVANO_BINARY_DIR "/bin") / file, mRoot.Path() / "bin" / file);
        fs::copy(LORVANO_BINARY_DIR "/english", Language(), fs::copy_options::recursive);
        std::string in;
        for (const fs::path& p : inputs) in += (in.empty() ? "" : ":") + p.string();
        const fs::path home = mRoot.Path() / "home";
        fs::create_directories(home);
        Set("HOME", home.string());
        Set("XDG_DATA_HOME", (home / ".local/share").string());
        Set("XDG_CONFIG_HOME", (home / ".config").string());
        Set("LORVANO_AUDIO", "file");
        Set("LORVANO_AUDIO_PACE", "realtime");
        Set("LORVANO_AUDIO_GAP_MS", std::to_string(gapMs));
        Set("LORVANO_AUDIO_IN", in);
        Set("LORVANO_AUDIO_OUT", Played().string());
    }
    ~TrainerSession() { Finish(); }
    TrainerSession(const TrainerSession&) = delete;
    TrainerSession& operator=(const TrainerSession&) = delete;

    fs::path Language() const { return mRoot.Path() / "english"; }
    fs::path Played() const { return mRoot.Path() / "played.wav"; }
    fs::path UserData() const { return mRoot.Path() / "home/.local/share/lorvano"; }
    const fs::path& Root() const { return mRoot.Path(); }
    const std::string& Window() const { return mWindow; }
    bool Running() const { return mChild.pid > 0 && !Ended(mChild.pid); }

    // Starts the program and waits for its window; the user management's
    // first dialog (a login, or the offer to create the first teacher) goes
    // to answer, which is given its window id. False when no window showed
    // (the program is ended then, and Errors() holds what it wrote).
    bool Start(const std::function<void(const std::string&)>& answer) {
        mChild = StartProgram((mRoot.Path() / "bin/trainer").string(), {"english", "/WINDOW"}, Video::Display);
        if (mChild.pid <= 0) return false;
        mWindow = WindowNamed("Lorvano", kWindowSeconds);
        std::string dialog;
        WaitUntil([&] { return !(dialog = Dialog("(First teacher|Teacher login)")).empty() || !Running(); },
                  kWindowSeconds);
        if (!dialog.empty()) {
            answer(dialog);
            WaitUntil([&] { return Dialog("(First teacher|Teacher login)").empty(); }, kWindowSeconds);
        }
        // Without a window, the program's exit code and standard error say why.
        if (mWindow.empty()) Finish();
        return !mWindow.empty();
    }

    // Goes on without a teacher.
    static void WithoutLogin(const std::string& dialog) { Keys(dialog, "Escape"); }
    // Logs a teacher in.
    static std::function<void(const std::string&)> LoginAs(const std::string& name, const std::string& password) {
        return [=](const std::string& login) {
            Type(login, name);
            Keys(login, "Tab");
            Type(login, password);
            Keys(login, "Return");
        };
    }
    // The drawer's Pupil: the logged-in teacher names the pupil whose tries
    // are recorded; false when the dialog did not come or did not go.
    bool ChoosePupil(const std::string& pupil) const {
        Drawer(kPupilY);
        const std::string ask = WindowNamed("Pupil", kWindowSeconds);
        if (ask.empty()) return false;
        Type(ask, pupil);
        Keys(ask, "Return");
        return WaitUntil([&] { return Dialog("Pupil").empty(); }, kWindowSeconds);
    }

    // A visible window of the program with that title (a regular
    // expression), waited for; empty when none came.
    std::string WindowNamed(const std::string& title, double seconds) const {
        std::string id;
        WaitUntil([&] { return !(id = Dialog(title)).empty() || !Running(); }, seconds);
        return id;
    }
    std::string Dialog(const std::string& title) const {
        return CommandOutput("xdotool search --all --onlyvisible --pid " + std::to_string(mChild.pid) + " --name '^" +
                             title + "$'");
    }

    // Keyboard input to a dialog: it gets the focus first (there is no
    // window manager to give it).
    static void Keys(const std::string& window, const std::string& keys) {
        CommandOutput("xdotool windowfocus --sync " + window + " key --delay 50 " + keys);
    }
    static void Type(const std::string& window, const std::string& text) {
        CommandOutput("xdotool windowfocus --sync " + window + " type --delay 30 '" + text + "'");
    }

    void Click(int x, int y) const {
        CommandOutput("xdotool mousemove --window " + mWindow + " " + std::to_string(x) + " " + std::to_string(y) +
                      " click 1");
    }
    // Waits until the window holds still (two shots alike): a click that
    // comes while a menu is still being replaced may reach the old one. A
    // few seconds at most, as live displays never hold still.
    void Settle() const {
        int n = 0;
        WaitUntil(
            [&] {
                ++n;
                return n > 1 && DifferingPixels(Shot("settle" + std::to_string(n % 2)),
                                                Shot("settle" + std::to_string((n + 1) % 2))) == 0;
            },
            3);
    }

    // Clicks the card of entry in the menu of folder, on the screen, and
    // waits until the screen shows something else (the folder's cards, the
    // exercise) and holds still; false when there is no such card or nothing
    // changed.
    bool ClickCard(const fs::path& folder, const std::string& entry) const {
        const CardPlace card = CardOf(folder, entry);
        if (card.size == 0) return false;
        MouseAway();
        Settle();
        const std::string before = Shot("before_click");
        Click(card.CentreX(), card.CentreY());
        MouseAway();
        const bool changed = WaitUntil([&] { return DifferingPixels(Shot("after_click"), before) > 2000; }, 45);
        Settle();
        return changed;
    }
    // The mouse off the cards, so that none shows its hover picture.
    void MouseAway() const { CommandOutput("xdotool mousemove --window " + mWindow + " 790 300"); }

    // The drawer stands open: its "Menu" button has risen to the top.
    bool DrawerOpen() const {
        return PixelOf(mWindow, 8, 50) == PictureColour((Language() / ".Pic/Drawer/Menu0.bmp").string(), 8, 22);
    }
    // Opens the drawer with its "Menu" button, unless it stands open already.
    // A click that comes while the program still ends a dialog (the login's)
    // can go unseen on a busy machine: it is given once more then.
    void OpenDrawer() const {
        MouseAway();
        Settle();
        for (int attempt = 0; attempt < 2 && !DrawerOpen(); ++attempt) {
            Click(48, kMenuY);
            MouseAway();
            WaitUntil([&] { return DrawerOpen(); }, attempt == 0 ? 15 : 45);
        }
        Settle();
    }
    // The drawer's buttons, as .Drawer.dat lists them bottom up, when open
    // ("Close" where "Menu" rests when closed).
    static constexpr int kMenuY = 572, kCloseY = 572;
    static constexpr int kStartY = 522, kBackY = 470, kPrintY = 418, kSettingsY = 366, kPupilY = 210, kChartY = 158;
    void Drawer(int y) const {
        OpenDrawer();
        Click(48, y);
        MouseAway();
        Settle();
    }

    // The window (or another of the program's windows) as a picture of the
    // build folder, <build>/e2e_<name>.png.
    std::string Shot(const std::string& name, const std::string& window = {}) const {
        const std::string file = LORVANO_BINARY_DIR "/e2e_" + name + ".png";
        CommandOutput("import -window " + (window.empty() ? mWindow : window) + " '" + file + "'");
        return file;
    }

    // The mark (1..) whose picture the result view shows, 0 when it shows none of them.
    int MarkShown(const ResultView& view) const {
        const std::string shot = Shot("mark_probe");
        const std::string region = Region(shot, view.x, view.y, view.width, view.height);
        int best = 0;
        long fewest = static_cast<long>(view.width) * view.height / 50 + 1;  // at most 2 % may differ
        for (size_t i = 0; i < view.pictures.size(); ++i) {
            const long d = DifferingPixels(region, view.pictures[i]);
            if (d >= 0 && d < fewest) {
                fewest = d;
                best = static_cast<int>(i) + 1;
            }
        }
        return best;
    }

    // Asks the window to close and waits for the end (killing a program that
    // stays); the exit code, once known.
    int Finish() {
        if (mChild.pid <= 0) return mResult.exitCode;
        if (!mWindow.empty()) CloseWindow(mChild, mWindow);
        FinishProgram(mChild, mResult, 0);
        mChild.pid = -1;
        return mResult.exitCode;
    }
    // What the program wrote to standard error (complete after Finish).
    const std::string& Errors() const { return mResult.err; }

private:
    void Set(const char* name, const std::string& value) { mEnv.push_back(std::make_unique<ScopedEnv>(name, value)); }

    TempDir mRoot;
    std::vector<std::unique_ptr<ScopedEnv>> mEnv;
    Child mChild;
    ProgramResult mResult;
    std::string mWindow;
};

}  // namespace lorvano_test
