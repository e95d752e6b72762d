#pragma once

#include "decoder/core/containers/virtual_array.h"

namespace DEC2DIvra {

// A stack over a fixed buffer that keeps the newest entries: when full, a push
// overwrites the oldest entry. Index 0 is the oldest entry kept.
template <class T>
class RingStackInterface {
public:
    RingStackInterface() = default;
    RingStackInterface(T* first, unsigned capacity) { Set(first, capacity); }
    explicit RingStackInterface(VirtualArray<T> const& window) { Set(window.GetData(), window.GetCount()); }

    void Set(T* first, unsigned capacity)
    {
        first_ = first;
        capacity_ = first != nullptr ? capacity : 0;
        Clear();
    }

    void Clear()
    {
        oldest_ = 0;
        count_ = 0;
    }

    // Always keeps the new entry unless the ring has no room at all.
    bool Push(T const& item)
    {
        if (capacity_ == 0) {
            return false;
        }
        if (count_ < capacity_) {
            first_[(oldest_ + count_) % capacity_] = item;
            ++count_;
        } else {
            first_[oldest_] = item;
            oldest_ = (oldest_ + 1) % capacity_;
        }
        return true;
    }

    bool PopNewest()
    {
        if (count_ == 0) {
            return false;
        }
        --count_;
        return true;
    }

    unsigned GetCount() const { return count_; }
    unsigned GetCapacity() const { return capacity_; }
    bool IsEmpty() const { return count_ == 0; }
    bool IsFull() const { return count_ == capacity_; }

    T& operator[](unsigned i) const { return first_[(oldest_ + i) % capacity_]; }
    T& GetNewest() const { return (*this)[count_ - 1]; }
    T& GetOldest() const { return first_[oldest_]; }

private:
    T* first_ = nullptr;
    unsigned capacity_ = 0;
    unsigned oldest_ = 0;
    unsigned count_ = 0;
};

}  // namespace DEC2DIvra
