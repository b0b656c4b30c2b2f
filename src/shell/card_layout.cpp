#include "shell/card_layout.h"

#include <algorithm>

vTrCardRows::vTrCardRows(const vTrCardGaps& gaps, int menuWidth)
    : mGaps(gaps), mMenuWidth(menuWidth), mX(gaps.left), mY(gaps.top) {}

platform::Point vTrCardRows::Place(int width, int height) {
    const int w = width + mGaps.xGap;
    const int h = height + mGaps.yGap;
    mTallest = std::max(mTallest, h);
    // A card wider than the whole row stays on the row it starts, so that no
    // empty row is left above it.
    if (mMenuWidth - mGaps.right < mX + w && mX > mGaps.left) {
        mY += mTallest;
        mX = mGaps.left;
    }
    const platform::Point at{mX, mY};
    mX += w;
    return at;
}
