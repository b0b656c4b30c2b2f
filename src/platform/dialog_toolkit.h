#pragma once
// The platform's ordinary dialogs, independent of the toolkit that shows
// them: forms made from a table of controls, the file, colour and font
// choosers, and printing one picture. The display layer builds the program's
// dialogs on this interface (display/dialogs/); the GTK 3 backend lives in
// platform/gtk/, and tests answer through a scripted one.
//
// Every control of a form has an id; toolkits name its widget with the id in
// decimal ("1014") so that tests can find it. OK and Cancel are ids 1 and 2.
// "&" in a caption marks the mnemonic letter.
//
// User-interface thread only.

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "platform/native_window.h"

namespace platform {

class Surface;

inline constexpr int kIdOk = 1;
inline constexpr int kIdCancel = 2;

enum class ControlKind {
    Label,         // static text; id -1 when nothing refers to it
    Edit,
    ReadOnlyEdit,
    CheckBox,
    Button,        // a push button inside the form (not OK or Cancel)
};

struct ControlTemplate {
    int id = -1;
    ControlKind kind = ControlKind::Label;
    std::string caption;  // text of a label, button or check box
    int row = 0;          // grid cell; labels usually sit in column 0
    int column = 0;
};

struct FormTemplate {
    int templateId = 0;
    std::string title;
    std::vector<ControlTemplate> controls;
};

// The form while it runs, as the dialog's logic sees it.
class Form {
public:
    virtual ~Form() = default;
    // False when the form has no such control or the control takes no text.
    virtual bool SetText(int id, const std::string& text) = 0;
    // Empty for unknown controls.
    virtual std::string GetText(int id) const = 0;
    virtual bool Checked(int id) const = 0;
    virtual void SetChecked(int id, bool checked) = 0;
};

// What the dialog's logic hears from a running form.
class FormEvents {
public:
    virtual ~FormEvents() = default;
    // The controls exist; fill them in.
    virtual void OnInit(Form& form) = 0;
    // A button of the form was clicked (notification 0).
    virtual void OnCommand(Form& form, int id, int notification) = 0;
    // OK or Cancel was pressed; false keeps the form open.
    virtual bool OnOK(Form& form) = 0;
    virtual bool OnCancel(Form& form) = 0;
};

struct FileFilter {
    std::string description;  // "Image files (*.bmp;*.jpg)"
    std::string patterns;     // "*.bmp;*.jpg"; matched without regard to letter case
};

struct FileRequest {
    bool save = false;  // a save chooser (a new name may be typed); else open
    std::string title;
    std::vector<FileFilter> filters;
    std::string folder;    // where the chooser starts; empty: the current folder
    std::string fileName;  // suggested name (save) or preselected file
    // One more labelled text field in the chooser (empty label: none). It
    // shows extraText at first; the toolkit leaves there what the user typed.
    std::string extraLabel;
    std::string extraText;
};

struct ColourRequest {
    std::string title;
    Rgb start;
    // The custom colours offered beside the standard ones; a toolkit may
    // change them (the user defined a new one).
    std::array<Rgb, 16> custom{};
};

struct DialogFont {
    std::string face;  // empty: the default face
    int points = 10;
    bool operator==(const DialogFont&) const = default;
};

struct FontRequest {
    std::string title;
    DialogFont start;
};

// Where a picture goes on a page: the largest size with the picture's aspect
// that fits the printable area, centred on it. Sizes in printer pixels.
struct PagePlacement {
    int x = 0, y = 0, width = 0, height = 0;
};
PagePlacement FitCentred(int pageWidth, int pageHeight, int pictureWidth, int pictureHeight);

struct PrintRequest {
    std::string documentName;
    Surface* picture = nullptr;  // any depth; printed on one page
    // Without the print dialog: write the page as PDF to this file (tests,
    // and a backend that prints to a file).
    std::string exportPdf;
    bool landscape = false;  // page orientation of an export; the dialog lets the user choose
};

enum class PrintOutcome { Printed, Cancelled, Failed };

struct PrintResult {
    PrintOutcome outcome = PrintOutcome::Cancelled;
    std::string error;  // the toolkit's text when Failed
};

class DialogToolkit {
public:
    virtual ~DialogToolkit() = default;
    // Runs the form modally above the parent (an id from NativeWindowId, 0:
    // none). True when it closed with OK.
    virtual bool RunForm(const FormTemplate& layout, FormEvents& events, std::uintptr_t parent) = 0;
    // The chosen path with "/" separators; nullopt when cancelled.
    virtual std::optional<std::string> ChooseFile(FileRequest& request, std::uintptr_t parent) = 0;
    virtual std::optional<Rgb> ChooseColour(ColourRequest& request, std::uintptr_t parent) = 0;
    virtual std::optional<DialogFont> ChooseFont(const FontRequest& request, std::uintptr_t parent) = 0;
    // Shows the print dialog (unless exportPdf is set) and prints the picture
    // scaled with FitCentred onto one page.
    virtual PrintResult Print(const PrintRequest& request, std::uintptr_t parent) = 0;
};

}  // namespace platform
