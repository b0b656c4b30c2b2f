#pragma once
// ScriptedToolkit: the dialog toolkit without a display. Each dialog shown
// takes the next answer of a script (what the user would type, tick and
// click, then OK or Cancel; the file, colour or font chosen; what a print
// job did) and is recorded with what it showed, so tests can drive the
// dialogs' own logic and check it. A dialog with no answer left, or whose
// answer is of another kind, is cancelled and counted as unexpected.
//
// Install it with dialogs::SetToolkit. User-interface thread only.

#include <array>
#include <map>
#include <optional>
#include <string>
#include <variant>
#include <vector>

#include "platform/dialog_toolkit.h"

namespace dialogs {

struct FormStep {
    enum class Action { Type, Tick, Click };
    Action action;
    int id;
    std::string text;  // Type: the new text
    static FormStep Type(int id, std::string text) { return {Action::Type, id, std::move(text)}; }
    // Clicks a check box: toggles it and notifies the dialog.
    static FormStep Tick(int id) { return {Action::Tick, id, {}}; }
    static FormStep Click(int id) { return {Action::Click, id, {}}; }
};

struct FormAnswer {
    int templateId = 0;  // the dialog expected; 0: any
    std::vector<FormStep> steps;
    bool ok = true;  // then OK, else Cancel
};

struct FileAnswer {
    std::optional<std::string> path;  // nullopt: Cancel
    // Typed into the chooser's extra field; nullopt: left as shown. A field
    // typed into a chooser without one makes the dialog unexpected.
    std::optional<std::string> field = std::nullopt;
};
struct ColourAnswer {
    std::optional<platform::Rgb> colour;
    // The custom colours as the user left them; nullopt: unchanged.
    std::optional<std::array<platform::Rgb, 16>> custom;
};
struct FontAnswer {
    std::optional<platform::DialogFont> font;
};
struct PrintAnswer {
    platform::PrintResult result;
};

// What one dialog showed.
struct ShownDialog {
    std::string kind;  // "form", "file", "colour", "font", "print"
    std::string title;
    int templateId = 0;
    // Forms: every control's text and check state when the dialog closed.
    std::map<int, std::string> texts;
    std::map<int, bool> checks;
    platform::FileRequest file;
    platform::ColourRequest colour;
    platform::FontRequest font;
    std::string documentName;  // print
    int pictureWidth = 0, pictureHeight = 0;
    std::uintptr_t parent = 0;
    bool expected = true;  // false: no answer of this kind was next
};

class ScriptedToolkit : public platform::DialogToolkit {
public:
    // logUnanswered: write a line to standard error for every dialog that
    // is cancelled for want of an answer (the toolkit used without display).
    explicit ScriptedToolkit(bool logUnanswered = false) : mLog(logUnanswered) {}

    using Answer = std::variant<FormAnswer, FileAnswer, ColourAnswer, FontAnswer, PrintAnswer>;
    void Add(Answer answer) { mScript.push_back(std::move(answer)); }
    std::size_t Unanswered() const { return mScript.size() - mNext; }
    const std::vector<ShownDialog>& Shown() const { return mShown; }
    int Unexpected() const;

    bool RunForm(const platform::FormTemplate& layout, platform::FormEvents& events, std::uintptr_t parent) override;
    std::optional<std::string> ChooseFile(platform::FileRequest& request, std::uintptr_t parent) override;
    std::optional<platform::Rgb> ChooseColour(platform::ColourRequest& request, std::uintptr_t parent) override;
    std::optional<platform::DialogFont> ChooseFont(const platform::FontRequest& request,
                                                   std::uintptr_t parent) override;
    platform::PrintResult Print(const platform::PrintRequest& request, std::uintptr_t parent) override;

private:
    // The next answer when it is of type T; records the dialog either way.
    template <class T>
    const T* Next(ShownDialog shown);

    std::vector<Answer> mScript;
    std::size_t mNext = 0;
    std::vector<ShownDialog> mShown;
    bool mLog;
};

}  // namespace dialogs
