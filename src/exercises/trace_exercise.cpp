#include "exercises/trace_exercise.h"

#include <algorithm>
#include <cstring>

vTrTraceExercise_c::vTrTraceExercise_c(const char* section, uint32_t defaultWindowSize)
    : vTrHmContExercise_c(section, defaultWindowSize) {}

void vTrTraceExercise_c::Show() {
    if (mExImage) {
        mDispWidth = mExImage->GetWidth();
        mDispHeight = mExImage->GetHeight();
    }
    ScaleMargins();
    const vDxRect inner = InnerRect();
    if (inner.w < 3 || inner.h < 3)
        throw vPrintException_c(0, "The display area of %d x %d pixels leaves no room for the trace inside its margins",
                                mDispWidth, mDispHeight);
    // The background is drawn anew under the head: it must not keep the old pixels.
    if (mHeadImage) mHeadImage->Hide();
    vTrHmContExercise_c::Show();
}

void vTrTraceExercise_c::OnDeclare(const char* path, const char* className, const vPropDesc_c& prop, void* address) {
    if (std::strcmp(prop.name, "HeadImage") == 0) {
        DeclareImage(prop, className, &vDxFileSprite_c::sTypeInfo);
        // The exercise loader attaches the exercise before its body is read,
        // so the head joins the exercise here rather than in Attach.
        if (mHeadImage) mHeadImage->SetParent(this);
    } else {
        vTrHmContExercise_c::OnDeclare(path, className, prop, address);
    }
}

int vTrTraceExercise_c::NextColumn() {
    if (++mCol >= InnerRect().w) mCol = 1;
    return mCol;
}

void vTrTraceExercise_c::DrawPen(int x, int y) {
    vDxDC_i& dc = DC();
    const vDxPoint from = dc.GetPos();
    dc.LineTo(x, y, mPen);
    dc.LineTo(x, y + 1, mPen);
    dc.LineTo(x, y - 1, mPen);
    // The line's box, a pixel wider all round.
    const int left = std::min(from.x, x) - 1, top = std::min(from.y, y - 1) - 1;
    Changed({left, top, std::max(from.x, x) + 2 - left, std::max(from.y, y + 1) + 2 - top});
}

void vTrTraceExercise_c::EraseBehind(int col) {
    const vDxRect inner = InnerRect();
    int e = col - static_cast<int>(mTailLength % static_cast<uint32_t>(inner.w));
    if (e < 0) e += inner.w;
    EraseStrip(inner.x + e - 1, inner.x + e + 1);
}

void vTrTraceExercise_c::MoveHead(int x, int y) {
    if (!mHeadImage) return;
    auto area = [&] {
        const vDxPoint at = mHeadImage->Position(), hot = mHeadImage->GetHotSpot();
        return vDxRect{at.x - hot.x, at.y - hot.y, mHeadImage->GetWidth(), mHeadImage->GetHeight()};
    };
    if (mHeadImage->IsVisible()) Changed(area());
    mHeadImage->Hide();
    // The rider stays inside its display: at the lowest or highest pen it
    // sits on the edge instead of hanging over the picture around it.
    const vDxRect display = DisplayRect();
    const int top = y - mHeadImage->GetHotSpot().y, height = mHeadImage->GetHeight();
    if (height <= display.h) y += std::clamp(top, display.y, display.y + display.h - height) - top;
    mHeadImage->Show({x, y});
    Changed(area());
}
