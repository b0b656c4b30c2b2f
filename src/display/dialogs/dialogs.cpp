#include "display/dialogs/dialogs.h"

#include <array>
#include <filesystem>
#include <map>

#include "display/dialogs/dialog.h"
#include "display/dialogs/scripted_toolkit.h"
#include "display/dx_screen.h"
#include "events/window.h"
#include "platform/gtk/dialogs_gtk.h"
#include "platform/message_box.h"
#include "platform/path_case.h"

namespace dialogs {
namespace {

platform::DialogToolkit*& Installed() {
    static platform::DialogToolkit* toolkit = nullptr;
    return toolkit;
}

struct Hooks {
    std::function<void()> before, after;
    int depth = 0;
};
Hooks& ModalHooks() {
    static Hooks hooks;
    return hooks;
}

std::map<std::string, std::string>& RememberedFolders() {
    static std::map<std::string, std::string> folders;
    return folders;
}

std::array<platform::Rgb, 16>& CustomColours(int kind) {
    static std::map<int, std::array<platform::Rgb, 16>> sets;
    auto [it, added] = sets.try_emplace(kind);
    if (added) it->second.fill(platform::Rgb{255, 255, 255});
    return it->second;
}

std::string FolderOf(const std::string& path) {
    const std::size_t slash = path.find_last_of('/');
    return slash == std::string::npos ? std::string() : path.substr(0, slash == 0 ? 1 : slash);
}

std::optional<std::string> ChooseFile(const FileChoice& choice, bool save, FileField* field = nullptr) {
    platform::FileRequest request;
    request.save = save;
    request.title = choice.title;
    request.filters = choice.filters;
    request.folder = choice.folder;
    request.fileName = choice.fileName;
    if (!choice.folderKey.empty()) {
        auto it = RememberedFolders().find(choice.folderKey);
        if (it != RememberedFolders().end()) request.folder = it->second;
    }
    if (field) {
        request.extraLabel = field->label;
        request.extraText = field->text;
    }
    std::optional<std::string> path;
    {
        ModalScope modal;
        path = Toolkit().ChooseFile(request, DialogParent());
    }
    if (path) {
        if (field) field->text = request.extraText;
        *path = platform::ToForwardSlashes(*path);
        if (!choice.folderKey.empty()) RememberedFolders()[choice.folderKey] = FolderOf(*path);
    }
    return path;
}

// "*.exc" -> ".exc"; empty when the first pattern names no single extension.
std::string DefaultExtension(const FileChoice& choice) {
    if (choice.filters.empty()) return {};
    const std::string& patterns = choice.filters.front().patterns;
    const std::string first = patterns.substr(0, patterns.find(';'));
    if (first.size() < 3 || first.compare(0, 2, "*.") != 0 || first.find_first_of("*?[", 2) != std::string::npos)
        return {};
    return first.substr(1);
}

bool HasExtension(const std::string& path) {
    const std::size_t slash = path.find_last_of('/');
    const std::size_t dot = path.find_last_of('.');
    return dot != std::string::npos && (slash == std::string::npos || dot > slash + 1);
}

std::string Describe(const platform::DialogFont& font, const char* fallbackFace) {
    return (font.face.empty() ? std::string(fallbackFace) : font.face) + ", " + std::to_string(font.points) + " pt";
}

// Templates 110 and 111: one or two labelled edits.
class vInputBox_c : public vDialog_c {
public:
    vInputBox_c(std::vector<std::string> labels, std::vector<std::string>& values)
        : vDialog_c(Layout(labels.size())), mLabels(std::move(labels)), mValues(values) {}

    void OnInitDialog() override {
        for (std::size_t i = 0; i < mLabels.size(); ++i) {
            Form().SetText(kLabel + static_cast<int>(i), mLabels[i]);
            Form().SetText(kEdit + static_cast<int>(i), mValues[i]);
        }
    }
    bool OnOK() override {
        for (std::size_t i = 0; i < mValues.size(); ++i) mValues[i] = Form().GetText(kEdit + static_cast<int>(i));
        return true;
    }

private:
    static constexpr int kEdit = 1000;
    static constexpr int kLabel = 1002;

    static platform::FormTemplate Layout(std::size_t count) {
        using platform::ControlKind;
        platform::FormTemplate layout{count == 2 ? 110 : 111, "Input box", {}};
        for (int i = 0; i < static_cast<int>(count); ++i) {
            layout.controls.push_back({kLabel + i, ControlKind::Label, i == 0 ? "Label1" : "Label2", 2 * i, 0});
            layout.controls.push_back({kEdit + i, ControlKind::Edit, "", 2 * i + 1, 0});
        }
        return layout;
    }

    std::vector<std::string> mLabels;
    std::vector<std::string>& mValues;
};

// Template 120: label, code and the two fonts of a marker.
class vMarkerDialog_c : public vDialog_c {
public:
    explicit vMarkerDialog_c(MarkerText& marker)
        : vDialog_c(Layout()),
          mMarker(marker),
          mEdited(marker),
          mFontBtn(*this, kFont, [this] { Pick("Font", mEdited.font); }),
          mDefaultFontBtn(*this, kDefaultFont, [this] { Pick("Default font", mEdited.defaultFont); }) {}

    void OnInitDialog() override {
        Form().SetText(kLabel, mEdited.label);
        Form().SetText(kCode, mEdited.code);
        Form().SetText(kFontText, DescribeMarkerFont(mEdited));
    }
    bool OnOK() override {
        mEdited.label = Form().GetText(kLabel);
        mEdited.code = Form().GetText(kCode);
        mMarker = mEdited;
        return true;
    }

private:
    static constexpr int kLabel = 1000, kCode = 1001, kFontText = 1004, kFont = 1005, kDefaultFont = 1006;

    static platform::FormTemplate Layout() {
        using platform::ControlKind;
        return {120,
                "Edit marker",
                {{-1, ControlKind::Label, "Label:", 0, 0},
                 {kLabel, ControlKind::Edit, "", 0, 1},
                 {-1, ControlKind::Label, "Code:", 1, 0},
                 {kCode, ControlKind::Edit, "", 1, 1},
                 {kFontText, ControlKind::Label, "", 2, 1},
                 {kDefaultFont, ControlKind::Button, "&Default Font...", 3, 0},
                 {kFont, ControlKind::Button, "&Font...", 3, 1}}};
    }

    void Pick(const char* title, platform::DialogFont& font) {
        platform::DialogFont start = font;
        if (start.face.empty()) start.face = &font == &mEdited.font ? DefaultFace() : "Arial";
        if (auto chosen = ChooseFont(title, start)) {
            font = *chosen;
            Form().SetText(kFontText, DescribeMarkerFont(mEdited));
        }
    }
    std::string DefaultFace() const {
        return mEdited.defaultFont.face.empty() ? std::string("Arial") : mEdited.defaultFont.face;
    }

    MarkerText& mMarker;
    MarkerText mEdited;
    vButtonCtrl_c mFontBtn;
    vButtonCtrl_c mDefaultFontBtn;
};

}  // namespace

platform::DialogToolkit* SetToolkit(platform::DialogToolkit* toolkit) {
    platform::DialogToolkit* previous = Installed();
    Installed() = toolkit;
    return previous;
}

platform::DialogToolkit& Toolkit() {
    if (Installed()) return *Installed();
    if (platform::DialogToolkit* gtk = platform::gtk::Toolkit()) return *gtk;
    // No display: every dialog is cancelled, and says so on standard error.
    static ScriptedToolkit none(/*logUnanswered=*/true);
    return none;
}

std::uintptr_t DialogParent() {
    vDxScreen_c* screen = vDxScreen_c::Current();
    if (!screen || screen->Window() == platform::kNoWindow) return 0;
    return platform::NativeWindowId(screen->Window());
}

void SetModalHooks(std::function<void()> before, std::function<void()> after) {
    ModalHooks().before = std::move(before);
    ModalHooks().after = std::move(after);
}

ModalScope::ModalScope() {
    Hooks& hooks = ModalHooks();
    if (hooks.depth == 0 && hooks.before) hooks.before();
    ++hooks.depth;
}

ModalScope::~ModalScope() {
    Hooks& hooks = ModalHooks();
    if (--hooks.depth == 0 && hooks.after) hooks.after();
}

std::optional<std::string> ChooseOpenFile(const FileChoice& choice) { return ChooseFile(choice, false); }

std::optional<std::string> ChooseSaveFile(const FileChoice& choice, FileField* field) {
    FileChoice next = choice;
    const std::string extension = DefaultExtension(choice);
    for (;;) {
        std::optional<std::string> path = ChooseFile(next, true, field);
        if (!path) return path;
        if (!extension.empty() && !HasExtension(*path)) *path += extension;
        const std::string existing = platform::MatchExistingCase(*path);
        std::error_code error;
        if (!std::filesystem::exists(existing, error)) return path;
        platform::MessageBoxRecord box;
        box.caption = choice.title;
        box.text = existing + " already exists.\nDo you want to replace it?";
        box.icon = platform::BoxIcon::Exclamation;
        box.buttons = platform::BoxButtons::YesNo;
        platform::BoxAnswer answer;
        {
            ModalScope modal;
            answer = platform::ShowMessageBox(box);
        }
        if (answer == platform::BoxAnswer::Yes) return existing;
        next.folder = FolderOf(existing);
        next.fileName = existing.substr(existing.find_last_of('/') + 1);
        next.folderKey.clear();
    }
}

platform::Rgb ToPlatformColour(std::uint32_t colour) {
    return platform::Rgb{static_cast<std::uint8_t>(colour >> 16), static_cast<std::uint8_t>(colour >> 8),
                         static_cast<std::uint8_t>(colour)};
}

std::uint32_t FromPlatformColour(platform::Rgb colour) {
    return (std::uint32_t{colour.red} << 16) | (std::uint32_t{colour.green} << 8) | colour.blue;
}

std::optional<std::uint32_t> ChooseColour(std::uint32_t colour, int kind) {
    platform::ColourRequest request;
    request.title = "Color";
    request.start = ToPlatformColour(colour);
    request.custom = CustomColours(kind);
    std::optional<platform::Rgb> chosen;
    {
        ModalScope modal;
        chosen = Toolkit().ChooseColour(request, DialogParent());
    }
    if (!chosen) return std::nullopt;
    CustomColours(kind) = request.custom;
    return FromPlatformColour(*chosen);
}

std::optional<platform::DialogFont> ChooseFont(const std::string& title, const platform::DialogFont& start) {
    platform::FontRequest request{title, start};
    ModalScope modal;
    return Toolkit().ChooseFont(request, DialogParent());
}

bool InputBox(const std::string& label, std::string& value) {
    std::vector<std::string> values{value};
    if (!vInputBox_c({label}, values).DoModal()) return false;
    value = values[0];
    return true;
}

bool InputBox(const std::string& label1, std::string& value1, const std::string& label2, std::string& value2) {
    std::vector<std::string> values{value1, value2};
    if (!vInputBox_c({label1, label2}, values).DoModal()) return false;
    value1 = values[0];
    value2 = values[1];
    return true;
}

bool EditMarker(MarkerText& marker) { return vMarkerDialog_c(marker).DoModal(); }

std::string DescribeMarkerFont(const MarkerText& marker) {
    const std::string defaultFace = marker.defaultFont.face.empty() ? "Arial" : marker.defaultFont.face;
    if (marker.font.face.empty())
        return "Font: " + Describe(marker.font, defaultFace.c_str()) + " (default)";
    return "Font: " + Describe(marker.font, "");
}

platform::PrintOutcome PrintScreen(vWindow_c& owner, const PrintOptions& options) {
    vDxScreen_c* screen = vDxScreen_c::Current();
    platform::PrintResult result;
    {
        ModalScope modal;
        if (!screen || !screen->Exists() || !screen->GetSurface()) {
            result = {platform::PrintOutcome::Failed, "There is no screen to print"};
        } else {
            platform::PrintRequest request;
            request.documentName = kPrintDocumentName;
            request.picture = screen->GetSurface();
            request.exportPdf = options.exportPdf;
            request.landscape = options.landscape;
            result = Toolkit().Print(request, DialogParent());
        }
        if (result.outcome == platform::PrintOutcome::Failed)
            owner.ShowException(vTextException_c(result.error), vWindow_c::kError);
    }
    return result.outcome;
}

}  // namespace dialogs
