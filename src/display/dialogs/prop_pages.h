#pragma once
// The background editor's property dialogs: vTrImagePropPage_c (template
// 105, "Image properties": a picture file and its transparent colour) and
// vTrRectPropPage_c (template 106, "Rectangle properties": a colour).
// Colours are 0x00RRGGBB; for a picture, bit 31 set means "not transparent"
// (the loader passes 0xFF000000 for such pictures). Each object serves one
// Run. User-interface thread only.

#include <cstdint>
#include <string>

#include "display/dialogs/dialog.h"

class vTrImagePropPage_c : public vDialog_c {
public:
    vTrImagePropPage_c();
    // Shows the dialog with the file name and colour; when the user accepts,
    // both are replaced by the new values and true is returned.
    bool Run(std::string& fileName, std::uint32_t& colour);

    bool OnOK() override;

private:
    void OnInitDialog() override;
    void SelectColour();
    void Browse();

    std::string mFileName;
    std::uint32_t mColour = 0;
    bool mAccepted = false;
    vButtonCtrl_c mColourBtn;
    vButtonCtrl_c mBrowseBtn;
};

class vTrRectPropPage_c : public vDialog_c {
public:
    vTrRectPropPage_c();
    // The file name is not shown and comes back unchanged.
    bool Run(std::string& fileName, std::uint32_t& colour);

    bool OnOK() override;

private:
    void OnInitDialog() override;
    void SelectColour();

    std::uint32_t mColour = 0;
    bool mAccepted = false;
    vButtonCtrl_c mColourBtn;
};
