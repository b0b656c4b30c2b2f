#pragma once
// vTrExLoadBtn_c: a card, the picture button a card menu shows for one
// exercise file or folder. A click posts the card's message (1025 for a
// file, 1027 for a folder, 1029 inside an exercise) to the main window with
// the card and a heap copy of its target Path (app_messages.h). The card's
// Text is drawn, bold and centred, into each of its four state pictures.
// A virtual card neither draws text nor posts anything.
//
// Card definition files (".crd") hold one vTrExLoadBtn_c; MakeCard builds a
// card for a directory entry from its own card file or the language's
// default cards. User-interface thread only.

#include "display/dx_button.h"
#include "exercises/exercise.h"

#include <memory>
#include <string>

class vTrExLoadBtn_c : public vDxFileButton_c, public vTrCard_i {
    V_RTTI_CLASS(vTrExLoadBtn_c, vDxFileButton_c)
public:
    const std::string& Path() const { return mPath; }
    void SetPath(std::string path) { mPath = std::move(path); }
    const std::string& Text() const { return mText; }
    // Draws the text when it changed and the card is not virtual.
    void SetText(const std::string& text);
    platform::MessageId Message() const { return mMessage; }
    void SetMessage(platform::MessageId message) { mMessage = message; }
    bool IsVirtual() const { return mIsVirtual; }

    void SetCardMessage(uint32_t message) override { mMessage = message; }
    void SetCardPath(const std::string& path) override { mPath = path; }

    // Draws the picture in a file over the middle of every state picture
    // (the frame of a default card stays around it).
    void DrawCardPicture(const std::string& fileName);

    // The pictures, then a non-empty Text.
    bool Loaded() override;
    void OnClick() override;

private:
    void DrawText();

    vStrTmpl_c mPath;
    vStrTmpl_c mText;
    // The text band: from TextTop (TextMargin when -1) to TextBottom (the
    // height less TextMargin when -1), TextMargin in from either side.
    int32_t mTextTop = -1;
    int32_t mTextBottom = -1;
    int32_t mTextSize = 12;
    int32_t mTextMargin = 6;
    vStrTmpl_c mFont{"Arial"};
    bool mIsVirtual = false;
    platform::MessageId mMessage = 0;
};

// The card's band for text whose wrapped height is textHeight: a text lower
// than the band is moved down by half the difference (an odd difference
// rounded up). Pure; exposed for tests.
vDxRect CardTextBox(int width, int height, int top, int bottom, int margin, int textHeight);
