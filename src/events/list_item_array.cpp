#include "events/list_item_array.h"

#include "platform/exception.h"

vListItemArray_c::vListItemArray_c(int lists)
    : mLists(lists), mPrev(new vListItemArray_c*[lists]()), mNext(new vListItemArray_c*[lists]()) {}

vListItemArray_c::~vListItemArray_c() {
    for (int list = 0; list < mLists; ++list) Unlink(list);
}

int vListItemArray_c::Checked(int list) const {
    if (list < 0 || list >= mLists) throw vException_c(0);
    return list;
}

void vListItemArray_c::InsertAfter(int list, vListItemArray_c& anchor) {
    if (&anchor == this) return;
    Unlink(list);
    vListItemArray_c* after = anchor.Next(list);
    mPrev[list] = &anchor;
    mNext[list] = after;
    anchor.mNext[list] = this;
    if (after) after->mPrev[list] = this;
}

void vListItemArray_c::Unlink(int list) {
    vListItemArray_c* prev = mPrev[Checked(list)];
    vListItemArray_c* next = mNext[list];
    if (prev) prev->mNext[list] = next;
    if (next) next->mPrev[list] = prev;
    mPrev[list] = nullptr;
    mNext[list] = nullptr;
}
