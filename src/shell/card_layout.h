#pragma once
// The row rule of a card menu, as a pure function: cards are placed left to
// right from (GapLeft, GapTop); a card that would reach into the right margin
// starts a new row at GapLeft, lowered by the tallest card seen so far in the
// whole menu (the tallest is not reset between rows). Any thread.

#include "platform/video.h"

struct vTrCardGaps {
    int xGap = 10, yGap = 10;  // added to each card's width and height
    int left = 10, top = 10;   // position of the first card
    int right = 10;            // kept free at the right edge
};

// Places the cards of one menu, one after another.
class vTrCardRows {
public:
    vTrCardRows(const vTrCardGaps& gaps, int menuWidth);
    // The place of the next card of this size.
    platform::Point Place(int width, int height);

private:
    vTrCardGaps mGaps;
    int mMenuWidth;
    int mX, mY;
    int mTallest = -1;
};
