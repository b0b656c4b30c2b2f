// The loadable classes of image arrays, buttons, checkboxes, sprites, menus
// and the windows of the picture interface.

#include "display/dx_window.h"

namespace {

template <class Button>
using vTD_GetStateTmpl_c = vTD_GetterTmpl_c<Button, int32_t, &Button::GetState, &Button::SetState>;
using vTD_vDxButton_c_GetState_c = vTD_GetStateTmpl_c<vDxButton_c>;
using vTD_vDxFileButton_c_GetState_c = vTD_GetStateTmpl_c<vDxFileButton_c>;
const vTD_vDxButton_c_GetState_c gTD_vDxButton_c_GetState{"vSInt32"};
const vTD_vDxFileButton_c_GetState_c gTD_vDxFileButton_c_GetState{"vSInt32"};

// Sprites name their key again among their own properties.
template <class Sprite>
using vTD_SpriteKeyTmpl_c =
    vTD_GetterTmpl_c<Sprite, uint32_t, &Sprite::GetTransparentColor, &Sprite::SetTransparentColor>;
const vTD_SpriteKeyTmpl_c<vDxSprite_c> gTD_vDxSprite_c_GetTransparentColor{"vUInt32"};
const vTD_SpriteKeyTmpl_c<vDxFileSprite_c> gTD_vDxFileSprite_c_GetTransparentColor{"vUInt32"};

}  // namespace

V_REGISTER_TEMPLATE_CLASS(vDxSimpleImageArray_c,
    V_PROP_FLAGS("ImageCount", mImageCount, vPropFlags_e::None),
    V_PROP_ARRAY("_Images", mImages, "ImageCount"));
V_REGISTER_TEMPLATE_CLASS(vDxFileImageArray_c,
    V_PROP_FLAGS("ImageCount", mImageCount, vPropFlags_e::None),
    V_PROP_ARRAY("_Images", mImages, "ImageCount"));

V_REGISTER_CLASS(vDxButton_c, V_PROP_GETTER("State", gTD_vDxButton_c_GetState));
V_REGISTER_CLASS(vDxFileButton_c, V_PROP_GETTER("State", gTD_vDxFileButton_c_GetState));
V_REGISTER_TEMPLATE_CLASS(vDxCheckbox_c);
V_REGISTER_TEMPLATE_CLASS(vDxFileCheckbox_c);
V_REGISTER_CLASS(vDxMsgBtn_c,
    V_PROP("Msg", mMsg),
    V_PROP("WParam", mWParam),
    V_PROP("LParam", mLParam));

V_REGISTER_TEMPLATE_CLASS(vDxSprite_c,
    V_PROP("HotSpot", mHotSpot),
    V_PROP_GETTER("TransparentColor", gTD_vDxSprite_c_GetTransparentColor));
V_REGISTER_TEMPLATE_CLASS(vDxFileSprite_c,
    V_PROP("FileName", mFileName),
    V_PROP("HotSpot", mHotSpot),
    V_PROP_GETTER("TransparentColor", gTD_vDxFileSprite_c_GetTransparentColor));
V_REGISTER_TEMPLATE_CLASS(vDxFileImgArrSprite_c, V_PROP("HotSpot", mHotSpot));

V_REGISTER_CLASS(vDxMenu_c,
    V_PROP("Default", mDefault),
    V_PROP("Horizontal", mHorizontal),
    V_PROP("Buttons", mButtons));
V_REGISTER_CLASS(vDxMenuBtn_c);
V_REGISTER_CLASS(vDxCmdMenuBtn_c);
V_REGISTER_CLASS(vDxMsgMenuBtn_c,
    V_PROP("Msg", mMsg),
    V_PROP("WParam", mWParam),
    V_PROP("LParam", mLParam));
V_REGISTER_CLASS(vDxActMenuBtn_c);
V_REGISTER_CLASS(vDxSubMenuBtn_c, V_PROP_OBJECT("Menu", mMenu));

V_REGISTER_CLASS(vDxWindow_c);
V_REGISTER_CLASS(vDxMouseWindow_c);
V_REGISTER_CLASS(vDxMenuApp_c, V_PROP_OBJECT("Menu", mMenu));
