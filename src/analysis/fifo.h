#pragma once
// vFIFO_m: a ring of N entries, each a value and a "marked" flag. Pushing onto
// a full ring drops the oldest entry unless that entry is marked. The entries
// are preallocated; push copies into them. Used by one thread at a time.

#include <array>
#include <cstddef>

#include "platform/exception.h"

template <class T, int N>
class vFIFO_m {
    static_assert(N > 1, "a ring needs at least two entries");

public:
    void Clear() {
        mRead = mWrite = mFilled = mMarked = 0;
        for (Entry& e : mEntries) e.marked = false;
    }

    int Filled() const { return mFilled; }
    int Free() const { return N - mFilled; }
    int MarkedCount() const { return mMarked; }
    static constexpr int Capacity() { return N; }

    // Copies value into the next entry. On a full ring the oldest entry is
    // dropped; a marked oldest entry raises vFIFOException_c instead.
    void Push(const T& value, bool marked) {
        Entry& e = mEntries[static_cast<size_t>(mWrite)];
        if (mFilled == N) {
            if (e.marked) throw vFIFOException_c("FIFO is full of marked entries");
            mRead = Next(mRead);
        } else {
            ++mFilled;
        }
        e.value = value;
        e.marked = marked;
        if (marked) ++mMarked;
        mWrite = Next(mWrite);
    }

    // Marks the n most recent entries (n is cut to filled - 1 when it is not
    // smaller than the filled count, so the oldest stays unmarked).
    void MarkLast(int n) {
        if (n >= mFilled) n = mFilled - 1;
        for (int k = 1; k <= n; ++k) {
            Entry& e = mEntries[static_cast<size_t>((mWrite - k + N) % N)];
            if (!e.marked) {
                e.marked = true;
                ++mMarked;
            }
        }
    }

    // Removes the oldest entry and returns it (valid until the next push);
    // *marked receives its mark.
    const T& Pop(bool* marked = nullptr) {
        if (mFilled == 0) throw vFIFOException_c("FIFO is empty");
        Entry& e = mEntries[static_cast<size_t>(mRead)];
        if (marked) *marked = e.marked;
        if (e.marked) --mMarked;
        e.marked = false;
        mRead = Next(mRead);
        --mFilled;
        return e.value;
    }

    // Discards unmarked entries up to the next marked one and removes that.
    const T& PopMarked() {
        if (mMarked == 0) throw vFIFOException_c("FIFO holds no marked entry");
        for (;;) {
            bool marked = false;
            const T& value = Pop(&marked);
            if (marked) return value;
        }
    }

    // The entry k places after the oldest (0 = oldest); for inspection.
    const T& Peek(int k, bool* marked = nullptr) const {
        const Entry& e = mEntries[static_cast<size_t>((mRead + k) % N)];
        if (marked) *marked = e.marked;
        return e.value;
    }

private:
    struct Entry {
        T value{};
        bool marked = false;
    };
    static int Next(int i) { return i + 1 == N ? 0 : i + 1; }

    std::array<Entry, N> mEntries{};
    int mRead = 0, mWrite = 0, mFilled = 0, mMarked = 0;
};
