#pragma once
// Membership of one object in a fixed number of doubly linked lists at once.
// The object owns its previous/next links, one pair per list; the lists
// themselves have no separate head object: the first member is whoever has
// no previous link. Destroying a member unlinks it from every list.
// User-interface thread only.

#include <memory>

class vListItemArray_c {
public:
    explicit vListItemArray_c(int lists);
    virtual ~vListItemArray_c();
    vListItemArray_c(const vListItemArray_c&) = delete;
    vListItemArray_c& operator=(const vListItemArray_c&) = delete;

    int Lists() const { return mLists; }
    vListItemArray_c* Prev(int list) const { return mPrev[Checked(list)]; }
    vListItemArray_c* Next(int list) const { return mNext[Checked(list)]; }
    bool IsLinked(int list) const { return Prev(list) || Next(list); }

    // Puts this object into the list directly after anchor, leaving its old
    // place in that list first. Inserting after itself is ignored.
    void InsertAfter(int list, vListItemArray_c& anchor);
    // Takes this object out of the list; its neighbours are joined.
    void Unlink(int list);

private:
    // Raises vException_c 0 for a list number out of range.
    int Checked(int list) const;

    int mLists;
    std::unique_ptr<vListItemArray_c*[]> mPrev;
    std::unique_ptr<vListItemArray_c*[]> mNext;
};
