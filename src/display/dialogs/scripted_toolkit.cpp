#include "display/dialogs/scripted_toolkit.h"

#include <algorithm>
#include <cstdio>

#include "platform/video.h"

namespace dialogs {
namespace {

// The controls of a form without widgets.
class ScriptedForm : public platform::Form {
public:
    explicit ScriptedForm(const platform::FormTemplate& layout) {
        for (const platform::ControlTemplate& c : layout.controls)
            if (c.id >= 0) mControls[c.id] = Control{c.kind, c.caption, false};
    }

    bool SetText(int id, const std::string& text) override {
        auto it = mControls.find(id);
        if (it == mControls.end()) return false;
        it->second.text = text;
        return true;
    }
    std::string GetText(int id) const override {
        auto it = mControls.find(id);
        return it == mControls.end() ? std::string() : it->second.text;
    }
    bool Checked(int id) const override {
        auto it = mControls.find(id);
        return it != mControls.end() && it->second.checked;
    }
    void SetChecked(int id, bool checked) override {
        auto it = mControls.find(id);
        if (it != mControls.end() && it->second.kind == platform::ControlKind::CheckBox) it->second.checked = checked;
    }

    // What a user can do: type into an editable edit, click a check box or
    // a button. False for anything else.
    bool CanType(int id) const { return Is(id, platform::ControlKind::Edit); }
    bool CanClick(int id) const {
        return Is(id, platform::ControlKind::Button) || Is(id, platform::ControlKind::CheckBox);
    }

    void Record(ShownDialog& shown) const {
        for (const auto& [id, c] : mControls) {
            shown.texts[id] = c.text;
            if (c.kind == platform::ControlKind::CheckBox) shown.checks[id] = c.checked;
        }
    }

private:
    struct Control {
        platform::ControlKind kind;
        std::string text;
        bool checked;
    };
    bool Is(int id, platform::ControlKind kind) const {
        auto it = mControls.find(id);
        return it != mControls.end() && it->second.kind == kind;
    }
    std::map<int, Control> mControls;
};

ShownDialog Record(std::string kind, std::string title, std::uintptr_t parent) {
    ShownDialog shown;
    shown.kind = std::move(kind);
    shown.title = std::move(title);
    shown.parent = parent;
    return shown;
}

}  // namespace

int ScriptedToolkit::Unexpected() const {
    return static_cast<int>(
        std::count_if(mShown.begin(), mShown.end(), [](const ShownDialog& d) { return !d.expected; }));
}

template <class T>
const T* ScriptedToolkit::Next(ShownDialog shown) {
    const T* answer = mNext < mScript.size() ? std::get_if<T>(&mScript[mNext]) : nullptr;
    if (answer) {
        ++mNext;
    } else {
        shown.expected = false;
        if (mLog) std::fprintf(stderr, "[dialog] %s: no display, cancelled\n", shown.title.c_str());
    }
    mShown.push_back(std::move(shown));
    return answer;
}

bool ScriptedToolkit::RunForm(const platform::FormTemplate& layout, platform::FormEvents& events,
                              std::uintptr_t parent) {
    ShownDialog shown = Record("form", layout.title, parent);
    shown.templateId = layout.templateId;
    const FormAnswer* answer = Next<FormAnswer>(shown);
    const std::size_t index = mShown.size() - 1;
    if (answer && answer->templateId != 0 && answer->templateId != layout.templateId) {
        mShown[index].expected = false;
        answer = nullptr;
    }
    ScriptedForm form(layout);
    events.OnInit(form);
    bool ok = false;
    if (answer) {
        // Copied: the dialog's logic may open further dialogs that append to mShown.
        const FormAnswer steps = *answer;
        for (const FormStep& step : steps.steps) {
            const bool possible =
                step.action == FormStep::Action::Type ? form.CanType(step.id) : form.CanClick(step.id);
            if (!possible) {
                mShown[index].expected = false;
                continue;
            }
            if (step.action == FormStep::Action::Type) {
                form.SetText(step.id, step.text);
                continue;
            }
            if (step.action == FormStep::Action::Tick) form.SetChecked(step.id, !form.Checked(step.id));
            events.OnCommand(form, step.id, 0);
        }
        ok = steps.ok && events.OnOK(form);
    }
    // A form that refuses OK, or has no answer, is cancelled.
    if (!ok) events.OnCancel(form);
    form.Record(mShown[index]);
    return ok;
}

std::optional<std::string> ScriptedToolkit::ChooseFile(platform::FileRequest& request, std::uintptr_t parent) {
    ShownDialog shown = Record("file", request.title, parent);
    shown.file = request;
    const FileAnswer* answer = Next<FileAnswer>(std::move(shown));
    if (!answer) return std::nullopt;
    if (answer->field) {
        if (request.extraLabel.empty()) {
            mShown.back().expected = false;
            return std::nullopt;
        }
        request.extraText = *answer->field;
    }
    return answer->path;
}

std::optional<platform::Rgb> ScriptedToolkit::ChooseColour(platform::ColourRequest& request, std::uintptr_t parent) {
    ShownDialog shown = Record("colour", request.title, parent);
    shown.colour = request;
    const ColourAnswer* answer = Next<ColourAnswer>(std::move(shown));
    if (!answer) return std::nullopt;
    if (answer->custom) request.custom = *answer->custom;
    return answer->colour;
}

std::optional<platform::DialogFont> ScriptedToolkit::ChooseFont(const platform::FontRequest& request,
                                                                std::uintptr_t parent) {
    ShownDialog shown = Record("font", request.title, parent);
    shown.font = request;
    const FontAnswer* answer = Next<FontAnswer>(std::move(shown));
    return answer ? answer->font : std::nullopt;
}

platform::PrintResult ScriptedToolkit::Print(const platform::PrintRequest& request, std::uintptr_t parent) {
    ShownDialog shown = Record("print", "Print", parent);
    shown.documentName = request.documentName;
    if (request.picture) {
        shown.pictureWidth = request.picture->Width();
        shown.pictureHeight = request.picture->Height();
    }
    const PrintAnswer* answer = Next<PrintAnswer>(std::move(shown));
    return answer ? answer->result : platform::PrintResult{platform::PrintOutcome::Cancelled, {}};
}

}  // namespace dialogs
