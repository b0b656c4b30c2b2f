#include "shell/card_button.h"

#include "shell/app_messages.h"

V_REGISTER_CLASS(vTrExLoadBtn_c,
    V_PROP("Path", mPath),
    V_PROP("Text", mText),
    V_PROP("TextTop", mTextTop),
    V_PROP("TextBottom", mTextBottom),
    V_PROP("TextSize", mTextSize),
    V_PROP("TextMargin", mTextMargin),
    V_PROP("Font", mFont),
    V_PROP("IsVirtual", mIsVirtual));

vDxRect CardTextBox(int width, int height, int top, int bottom, int margin, int textHeight) {
    const int bandTop = top == -1 ? margin : top;
    const int bandBottom = bottom == -1 ? height - margin : bottom;
    const int band = bandBottom - bandTop;
    const int shift = textHeight < band ? (band - textHeight + 1) / 2 : 0;
    return {margin, bandTop + shift, width - 2 * margin, band - shift};
}

void vTrExLoadBtn_c::SetText(const std::string& text) {
    if (text == mText) return;
    mText = text;
    if (!mIsVirtual) DrawText();
}

bool vTrExLoadBtn_c::Loaded() {
    const bool ok = vDxFileButton_c::Loaded();
    if (!mText.empty() && !mIsVirtual) DrawText();
    return ok;
}

void vTrExLoadBtn_c::DrawText() {
    const platform::FontChoice font{mFont, true, mTextSize};
    for (unsigned i = 0; i < Count(); ++i) {
        vDxFileImage_c* picture = Picture(i);
        if (!picture || !picture->GetSurface()) continue;
        const int width = picture->GetWidth(), height = picture->GetHeight();
        const int textWidth = width - 2 * mTextMargin;
        if (textWidth <= 0) continue;
        const int textHeight = platform::LayoutText(font, mText, textWidth).fullHeight;
        const vDxRect box = CardTextBox(width, height, mTextTop, mTextBottom, mTextMargin, textHeight);
        if (box.Empty()) continue;
        picture->DrawTextBox(box, mText, font, {}, platform::TextAlign::Centre);
    }
    PicturesChanged();
}

void vTrExLoadBtn_c::DrawCardPicture(const std::string& fileName) {
    vDxSimpleImage_c picture;
    picture.LoadResized(fileName);
    for (unsigned i = 0; i < Count(); ++i) {
        vDxFileImage_c* state = Picture(i);
        if (!state || !state->GetSurface()) continue;
        const vDxPoint at{(state->GetWidth() - picture.GetWidth()) / 2, (state->GetHeight() - picture.GetHeight()) / 2};
        state->BltImage(at, picture);
    }
    PicturesChanged();
}

void vTrExLoadBtn_c::OnClick() {
    if (mIsVirtual || mMessage == 0) return;
    PostToDxMainWindow(mMessage, reinterpret_cast<std::uintptr_t>(this), NewMessageText(mPath));
}
