#include "display/dialogs/prop_pages.h"

#include <cstdio>

#include "display/dialogs/dialogs.h"

namespace {

constexpr int kImageTemplate = 105, kRectTemplate = 106;
constexpr int kFileName = 1014, kImageColour = 1015, kSelect = 1016, kBrowse = 1017, kTransparent = 1018;
constexpr int kRectColour = 1019;
constexpr std::size_t kMaxFileName = 255;
constexpr std::uint32_t kRgbBits = 0x00FFFFFFu;
constexpr std::uint32_t kOpaque = 0x80000000u;

std::string Hex6(std::uint32_t colour) {
    char text[8];
    std::snprintf(text, sizeof text, "%06x", colour & kRgbBits);
    return text;
}

// "&Select...": the colour chooser with the dialog's own custom colours; the
// edit shows the new colour, the high bits are kept.
void SelectColourInto(vDialog_c& dialog, std::uint32_t& colour, int edit) {
    if (auto chosen = dialogs::ChooseColour(colour, dialog.TemplateId())) {
        colour = (colour & ~kRgbBits) | *chosen;
        dialog.Form().SetText(edit, Hex6(colour));
    }
}

platform::FormTemplate ImageTemplate() {
    using platform::ControlKind;
    return {kImageTemplate,
            "Image properties",
            {{-1, ControlKind::Label, "&File name:", 0, 0},
             {kFileName, ControlKind::Edit, "", 0, 1},
             {kBrowse, ControlKind::Button, "&Browse...", 0, 2},
             {-1, ControlKind::Label, "&Transparent color:", 1, 0},
             {kImageColour, ControlKind::ReadOnlyEdit, "", 1, 1},
             {kSelect, ControlKind::Button, "&Select...", 1, 2},
             {kTransparent, ControlKind::CheckBox, "&Enable transparency", 2, 1}}};
}

platform::FormTemplate RectTemplate() {
    using platform::ControlKind;
    return {kRectTemplate,
            "Rectangle properties",
            {{-1, ControlKind::Label, "&Rectangle color:", 0, 0},
             {kRectColour, ControlKind::ReadOnlyEdit, "", 0, 1},
             {kSelect, ControlKind::Button, "&Select...", 0, 2}}};
}

}  // namespace

vTrImagePropPage_c::vTrImagePropPage_c()
    : vDialog_c(ImageTemplate()),
      mColourBtn(*this, kSelect, [this] { SelectColour(); }),
      mBrowseBtn(*this, kBrowse, [this] { Browse(); }) {}

bool vTrImagePropPage_c::Run(std::string& fileName, std::uint32_t& colour) {
    mFileName = fileName;
    mColour = colour;
    mAccepted = false;
    DoModal();
    if (mAccepted) {
        fileName = mFileName;
        colour = mColour;
    }
    return mAccepted;
}

void vTrImagePropPage_c::OnInitDialog() {
    Form().SetText(kFileName, mFileName);
    Form().SetText(kImageColour, Hex6(mColour));
    // Only a colour (high byte clear) makes the picture transparent.
    Form().SetChecked(kTransparent, (mColour & ~kRgbBits) == 0);
}

bool vTrImagePropPage_c::OnOK() {
    mFileName = Form().GetText(kFileName).substr(0, kMaxFileName);
    mColour &= kRgbBits;
    if (!Form().Checked(kTransparent)) mColour |= kOpaque;
    mAccepted = true;
    return true;
}

void vTrImagePropPage_c::SelectColour() { SelectColourInto(*this, mColour, kImageColour); }

void vTrImagePropPage_c::Browse() {
    dialogs::FileChoice choice;
    choice.title = "Open";
    choice.filters = {{"Image files (*.bmp;*.jpg)", "*.bmp;*.jpg"}};
    choice.folderKey = "Image files";
    if (auto path = dialogs::ChooseOpenFile(choice)) Form().SetText(kFileName, *path);
}

vTrRectPropPage_c::vTrRectPropPage_c()
    : vDialog_c(RectTemplate()), mColourBtn(*this, kSelect, [this] { SelectColour(); }) {}

bool vTrRectPropPage_c::Run(std::string&, std::uint32_t& colour) {
    mColour = colour;
    mAccepted = false;
    DoModal();
    if (mAccepted) colour = mColour;
    return mAccepted;
}

void vTrRectPropPage_c::OnInitDialog() { Form().SetText(kRectColour, Hex6(mColour)); }

bool vTrRectPropPage_c::OnOK() {
    mAccepted = true;
    return true;
}

void vTrRectPropPage_c::SelectColour() { SelectColourInto(*this, mColour, kRectColour); }
