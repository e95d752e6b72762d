#pragma once
// A ring over a fixed array that keeps the newest entries. It counts its
// pushes and the entries it holds; the write position (the count modulo the
// size), the oldest entry's position and whether the ring is full follow from
// them. When it is full, a push overwrites the oldest entry and the oldest
// position moves on with the write position.
//
// The count of pushes is also a mark: a backtracking run saves it and returns
// to it (Restore), dropping what was pushed since.

#include <cstdint>

template <class T, unsigned N>
class LimitedRingIterator {
public:
    static_assert(N > 0, "a ring holds at least one entry");
    static constexpr unsigned kCapacity = N;

    // The place of the next entry, still holding what was there.
    T& Next() { return items_[pushes_ % N]; }
    // Takes the entry at Next(); the oldest drops out when the ring is full.
    void Push()
    {
        size_ += size_ < N ? 1 : 0;
        ++pushes_;
    }
    void Push(const T& item)
    {
        Next() = item;
        Push();
    }

    unsigned Size() const { return size_; }
    bool Full() const { return size_ == N; }
    unsigned WritePosition() const { return pushes_ % N; }
    unsigned OldestPosition() const { return (WritePosition() + N - size_) % N; }
    // i = 0 the newest; i below Size().
    const T& Newest(unsigned i) const { return items_[(pushes_ - 1 - i) % N]; }
    T& Newest(unsigned i) { return items_[(pushes_ - 1 - i) % N]; }

    // From the newest entry backwards, the (skip + 1)-th one whose key equals
    // `key` (KeyEquals(entry, key)); null when there is none.
    template <class Key>
    const T* ReverseSearchGet(const Key& key, unsigned skip = 0) const
    {
        for (unsigned i = 0; i < size_; ++i) {
            const T& item = Newest(i);
            if (KeyEquals(item, key) && skip-- == 0)
                return &item;
        }
        return nullptr;
    }

    // Removes the entry `i` places from the newest: newer entries move down
    // one place. False when there is no such entry. (Not for a ring that is
    // restored to marks.)
    bool Erase(unsigned i)
    {
        if (i >= size_)
            return false;
        for (; i > 0; --i)
            Newest(i) = Newest(i - 1);
        --size_;
        --pushes_;
        return true;
    }

    // Pushes so far; Restore(mark) returns to that state. Entries overwritten
    // since the mark are not brought back.
    std::uint32_t Mark() const { return pushes_; }
    void Restore(std::uint32_t mark)
    {
        pushes_ = mark;
        size_ = mark < N ? mark : N;
    }
    void Clear() { Restore(0); }

private:
    T items_[N];
    unsigned size_ = 0;
    std::uint32_t pushes_ = 0;
};
