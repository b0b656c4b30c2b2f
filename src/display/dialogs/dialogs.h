#pragma once
// The program's ordinary dialogs, whatever toolkit shows them: file
// choosers, the colour and font choosers, the input boxes (templates 110 and
// 111), the marker editor (120) and printing the screen. The image and
// rectangle property dialogs (105, 106) are in prop_pages.h.
//
// Every dialog is modal above the program's window (the window of the
// screen, vDxScreen_c::Current()). Around each one the application's modal
// hooks run: `before` when the first dialog opens, `after` when the last one
// closes (a colour chooser opened from a property dialog runs inside it), so
// that the running exercise can be suspended meanwhile.
//
// The toolkit is GTK when a display is reachable; otherwise, and in tests,
// an installed one (ScriptedToolkit answers from a script). Without a display
// and without an installed toolkit every dialog is cancelled.
//
// Folders remembered by the file choosers and the custom colours live until
// the program ends. User-interface thread only.

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "platform/dialog_toolkit.h"

class vWindow_c;

namespace dialogs {

// Installs a toolkit (not owned); null returns to the default. Returns the
// previous one installed.
platform::DialogToolkit* SetToolkit(platform::DialogToolkit* toolkit);
platform::DialogToolkit& Toolkit();

// The X11 id of the window dialogs stay above; 0 when there is none.
std::uintptr_t DialogParent();

// The application's modal hooks; empty functions remove them.
void SetModalHooks(std::function<void()> before, std::function<void()> after);

// Runs the hooks around one modal dialog; nested scopes run them once.
class ModalScope {
public:
    ModalScope();
    ~ModalScope();
    ModalScope(const ModalScope&) = delete;
    ModalScope& operator=(const ModalScope&) = delete;
};

struct FileChoice {
    std::string title;
    std::vector<platform::FileFilter> filters;
    // The chooser starts where the last choice with the same key was made;
    // without one, in `folder`, else in the current folder.
    std::string folderKey;
    std::string folder;
    std::string fileName;  // save: the suggested name
};

// One more labelled text field of a save chooser.
struct FileField {
    std::string label;
    std::string text;  // shown at first; what the user left there once a name is chosen
};

// An existing file; nullopt when cancelled.
std::optional<std::string> ChooseOpenFile(const FileChoice& choice);
// A name to write. A name without an extension gets the first filter's one
// ("*.exc" -> ".exc"). When a file of that name exists (in any letter case)
// the user is asked before replacing it; "No" shows the chooser again. The
// path returned is spelt as the existing file is. With a field, the chooser
// shows it too, and each time a name is chosen field->text takes what the
// user left in it (kept when she cancels).
std::optional<std::string> ChooseSaveFile(const FileChoice& choice, FileField* field = nullptr);

// Colours are 0x00RRGGBB; the platform's colours are red, green, blue.
platform::Rgb ToPlatformColour(std::uint32_t colour);
std::uint32_t FromPlatformColour(platform::Rgb colour);

// The colour chooser starting at `colour` (its low 24 bits). `kind` selects
// one of the sets of 16 custom colours (the template id of the dialog that
// asks: 105, 106, ...).
std::optional<std::uint32_t> ChooseColour(std::uint32_t colour, int kind);

std::optional<platform::DialogFont> ChooseFont(const std::string& title, const platform::DialogFont& start);

// Input box 111: one edit (1000) under the label (1002). True on OK, value
// then holds the text.
bool InputBox(const std::string& label, std::string& value);
// Input box 110: edits 1000 and 1001 under labels 1002 and 1003.
bool InputBox(const std::string& label1, std::string& value1, const std::string& label2, std::string& value2);

// What the marker editor edits: a marker's label and sound code, its own
// label font (an empty face means the recording's marker font) and the
// recording's marker font (an empty face there means "Arial").
struct MarkerText {
    std::string label;
    std::string code;
    platform::DialogFont font;
    platform::DialogFont defaultFont;
};
// Dialog 120 "Edit marker". True on OK; marker then holds the new values.
bool EditMarker(MarkerText& marker);
// What the marker editor's static 1004 shows for these fonts.
std::string DescribeMarkerFont(const MarkerText& marker);

inline constexpr const char* kPrintDocumentName = "Lorvano printout";

struct PrintOptions {
    std::string exportPdf;  // without the print dialog, into this PDF file
    bool landscape = false;  // page orientation of an export
};

// Prints the screen on one page, scaled to the printable area and centred.
// A failure is shown with owner.ShowException (severity error).
platform::PrintOutcome PrintScreen(vWindow_c& owner, const PrintOptions& options = {});

}  // namespace dialogs
