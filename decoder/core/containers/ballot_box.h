#pragma once

#include "decoder/core/arithmetic/dec_math.h"
#include "decoder/core/containers/virtual_array.h"

namespace DEC2DIvra {

// A plain value made comparable, for ballot boxes of numbers.
template <class T>
struct Wrapper {
    T value{};

    friend bool operator==(Wrapper const&, Wrapper const&) = default;
};

// Weighted votes over a fixed list of (value, count) entries: equal values
// share one count; a new value takes the next free entry, and a vote for a new
// value is dropped when every entry is taken.
template <class T, class Count>
class BallotBox {
public:
    struct Entry {
        T value{};
        Count count{};
    };

    BallotBox() = default;
    BallotBox(Entry* entries, unsigned capacity) : entries_(entries, capacity) {}
    explicit BallotBox(VirtualArray<Entry> const& entries) : entries_(entries) {}

    void Clear() { used_ = 0; }

    // True when the vote was counted.
    bool Push(T const& value, Count weight)
    {
        for (unsigned i = 0; i < used_; ++i) {
            if (entries_[i].value == value) {
                entries_[i].count += weight;
                return true;
            }
        }
        if (used_ >= entries_.GetCount()) {
            return false;
        }
        entries_[used_].value = value;
        entries_[used_].count = weight;
        ++used_;
        return true;
    }

    // Orders the entries by count, most votes first (equal counts in no
    // particular order).
    void Sort() { DecMath::HeapSort(entries_.GetData(), used_, &ByCount); }

    unsigned GetCount() const { return used_; }
    unsigned GetCapacity() const { return entries_.GetCount(); }
    Entry const& operator[](unsigned i) const { return entries_[i]; }

private:
    static int ByCount(Entry const& a, Entry const& b)
    {
        // Keeps the smallest count on top of the heap, so the sort descends.
        return a.count < b.count ? -1 : (a.count > b.count ? 1 : 0);
    }

    VirtualArray<Entry> entries_;
    unsigned used_ = 0;
};

}  // namespace DEC2DIvra
