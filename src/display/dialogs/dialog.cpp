#include "display/dialogs/dialog.h"

#include "display/dialogs/dialogs.h"
#include "platform/exception.h"

vDialog_c::vDialog_c(platform::FormTemplate layout) : mTemplate(std::move(layout)) {}

bool vDialog_c::DoModal() {
    dialogs::ModalScope modal;
    struct Clear {
        platform::Form*& form;
        ~Clear() { form = nullptr; }
    } clear{mForm};
    return dialogs::Toolkit().RunForm(mTemplate, *this, dialogs::DialogParent());
}

platform::Form& vDialog_c::Form() const {
    if (!mForm) throw vException_c(0);
    return *mForm;
}

void vDialog_c::OnInit(platform::Form& form) {
    mForm = &form;
    OnInitDialog();
}

void vDialog_c::OnCommand(platform::Form& form, int id, int notification) {
    mForm = &form;
    vCmdTarget_c::OnCommand(static_cast<unsigned>(id), static_cast<unsigned>(notification), 0);
}

bool vDialog_c::OnOK(platform::Form& form) {
    mForm = &form;
    return OnOK();
}

bool vDialog_c::OnCancel(platform::Form& form) {
    mForm = &form;
    return OnCancel();
}

vControl_c::vControl_c(vDialog_c& dialog, int id) : mDialog(dialog), mId(id) { JoinChain(Chain::Command, dialog); }

vControl_c::~vControl_c() { LeaveChain(Chain::Command); }

void vControl_c::SetText(const std::string& text) {
    if (!mDialog.Form().SetText(mId, text)) throw vException_c(0);
}

std::string vControl_c::GetText() const { return mDialog.Form().GetText(mId); }

vCmdTarget_c::Result vControl_c::OnCommand(unsigned id, unsigned notification, std::intptr_t control) {
    if (static_cast<int>(id) == mId) return OnNotify(notification);
    return vCmdTarget_c::OnCommand(id, notification, control);
}

vCmdTarget_c::Result vControl_c::OnNotify(unsigned) { return 0; }

vButtonCtrl_c::vButtonCtrl_c(vDialog_c& dialog, int id, std::function<void()> onClicked)
    : vControl_c(dialog, id), mOnClicked(std::move(onClicked)) {}

vCmdTarget_c::Result vButtonCtrl_c::OnNotify(unsigned notification) {
    switch (notification) {
        case 0: return OnClicked();
        case 1: return 0;
        case 2: return OnHighlighted();
        case 3: return OnUnhighlighted();
        case 4: return OnDisabled();
        case 5: return OnDoubleClicked();
        case 6: return OnSetFocus();
        case 7: return OnKillFocus();
        default: throw vException_c(0);
    }
}

bool vButtonCtrl_c::OnClicked() {
    if (!mOnClicked) return false;
    mOnClicked();
    return true;
}
