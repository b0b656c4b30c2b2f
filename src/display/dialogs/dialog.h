#pragma once
// vDialog_c: one of the program's dialogs, described by its template (id,
// title, controls) and run modally through the dialog toolkit (dialogs.h)
// above the program's window. The dialog heads its own command chain; its
// controls (vControl_c) join that chain and receive the commands carrying
// their id. Lives for one run; the form exists only while DoModal runs.
//
// vButtonCtrl_c maps a button's notifications onto one virtual each.
//
// User-interface thread only.

#include <functional>
#include <string>

#include "events/cmd_target.h"
#include "platform/dialog_toolkit.h"

class vDialog_c : public vCmdTarget_c, private platform::FormEvents {
public:
    explicit vDialog_c(platform::FormTemplate layout);

    // Shows the dialog modally (the application's modal hooks run around
    // it) and waits until it is closed; true when it closed with OK.
    bool DoModal();

    int TemplateId() const { return mTemplate.templateId; }
    // The running form; raises vException_c 0 outside DoModal.
    platform::Form& Form() const;

    // Called when OK or Cancel is pressed; false keeps the dialog open.
    virtual bool OnOK() { return true; }
    virtual bool OnCancel() { return true; }

protected:
    // The controls exist; fill them in.
    virtual void OnInitDialog() {}

private:
    void OnInit(platform::Form& form) override;
    void OnCommand(platform::Form& form, int id, int notification) override;
    bool OnOK(platform::Form& form) override;
    bool OnCancel(platform::Form& form) override;

    platform::FormTemplate mTemplate;
    platform::Form* mForm = nullptr;
};

class vControl_c : public vCmdTarget_c {
public:
    vControl_c(vDialog_c& dialog, int id);
    ~vControl_c() override;

    int Id() const { return mId; }
    vDialog_c& Dialog() const { return mDialog; }
    // The control must take the text, else vException_c 0.
    void SetText(const std::string& text);
    std::string GetText() const;

    // A command with this control's id goes to OnNotify; others pass on.
    Result OnCommand(unsigned id, unsigned notification, std::intptr_t control) override;
    virtual Result OnNotify(unsigned notification);

private:
    vDialog_c& mDialog;
    int mId;
};

class vButtonCtrl_c : public vControl_c {
public:
    // onClicked (optional) is what OnClicked does unless a subclass overrides it.
    vButtonCtrl_c(vDialog_c& dialog, int id, std::function<void()> onClicked = {});

    // 0 clicked, 1 nothing, 2 highlighted, 3 unhighlighted, 4 disabled,
    // 5 double-clicked, 6 got focus, 7 lost focus; any other code raises
    // vException_c 0.
    Result OnNotify(unsigned notification) override;

    virtual bool OnClicked();
    virtual bool OnHighlighted() { return false; }
    virtual bool OnUnhighlighted() { return false; }
    virtual bool OnDisabled() { return false; }
    virtual bool OnDoubleClicked() { return false; }
    virtual bool OnSetFocus() { return false; }
    virtual bool OnKillFocus() { return false; }

private:
    std::function<void()> mOnClicked;
};
