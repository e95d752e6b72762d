#pragma once

#include "decoder/core/containers/array_iterator.h"
#include "decoder/core/containers/virtual_array.h"

namespace DEC2DIvra {

// The decoders' list: a view of a fixed buffer with a first element, a last
// slot and a top element. It is empty when the top is one before the first.
// Positions are kept as indexes so that the empty state never forms a pointer
// before the buffer.
template <class T>
class StackInterface {
public:
    StackInterface() = default;
    StackInterface(T* first, unsigned capacity) { Set(first, capacity); }
    explicit StackInterface(VirtualArray<T> const& window) { Set(window.GetData(), window.GetCount()); }

    // Re-seats the stack on another window, empty.
    void Set(T* first, unsigned capacity)
    {
        first_ = first;
        capacity_ = first != nullptr ? capacity : 0;
        count_ = 0;
    }

    void Clear() { count_ = 0; }

    bool Push(T const& item)
    {
        if (count_ >= capacity_) {
            return false;
        }
        first_[count_++] = item;
        return true;
    }

    // Claims the next slot without writing it; null when full.
    T* PushSlot()
    {
        return count_ < capacity_ ? &first_[count_++] : nullptr;
    }

    bool Pop()
    {
        if (count_ == 0) {
            return false;
        }
        --count_;
        return true;
    }

    bool Pop(T& item)
    {
        if (count_ == 0) {
            return false;
        }
        item = first_[--count_];
        return true;
    }

    // Keeps the first `count` elements; false when count exceeds the capacity.
    bool SetCount(unsigned count)
    {
        if (count > capacity_) {
            return false;
        }
        count_ = count;
        return true;
    }

    bool IsEmpty() const { return count_ == 0; }
    bool IsFull() const { return count_ >= capacity_; }
    unsigned GetCount() const { return count_; }
    unsigned GetCapacity() const { return capacity_; }

    // Index of the top element: -1 when empty, as "top = first - 1".
    int GetTopIndex() const { return static_cast<int>(count_) - 1; }

    T* GetFirst() const { return first_; }
    // The top element; the stack must not be empty.
    T& GetTop() const { return first_[count_ - 1]; }
    T& operator[](unsigned i) const { return first_[i]; }

    ArrayIterator<T> CreateIterator() const { return ArrayIterator<T>(first_, count_); }
    ArrayIterator<T> CreateReverseIterator() const { return ArrayIterator<T>::Reverse(first_, count_); }
    VirtualArray<T> GetWindow() const { return VirtualArray<T>(first_, capacity_); }

    T* begin() const { return first_; }
    T* end() const { return first_ + count_; }

private:
    T* first_ = nullptr;
    unsigned capacity_ = 0;
    unsigned count_ = 0;
};

}  // namespace DEC2DIvra
