#pragma once

namespace DEC2DIvra {

// An array heap of fixed-width elements kept in place in the caller's buffer.
// Push() takes the element just after the heap into it and sifts it up while
// compare(child, parent) < 0; Pop() swaps the top to the end of the heap and
// sifts the new top down. With compare(a, b) = b - a the maximum is on top,
// and pushing all elements and then popping all leaves the buffer ascending.
class CommonBinaryHeap {
public:
    using Compare = int (*)(void const* a, void const* b, void* context);

    CommonBinaryHeap() = default;
    CommonBinaryHeap(void* base, unsigned elementSize, unsigned capacity, Compare compare, void* context)
        : base_(static_cast<unsigned char*>(base)), elementSize_(elementSize),
          capacity_(base != nullptr ? capacity : 0), compare_(compare), context_(context)
    {
    }

    // False when the buffer has no element after the heap.
    bool Push();
    // False when the heap is empty.
    bool Pop();
    void Clear() { size_ = 0; }

    unsigned GetSize() const { return size_; }
    unsigned GetCapacity() const { return capacity_; }
    void* GetTop() const { return size_ > 0 ? base_ : nullptr; }

private:
    unsigned char* At(unsigned i) const { return base_ + static_cast<unsigned long long>(i) * elementSize_; }
    int CompareAt(unsigned a, unsigned b) const { return compare_(At(a), At(b), context_); }
    void Swap(unsigned a, unsigned b) const;

    unsigned char* base_ = nullptr;
    unsigned elementSize_ = 0;
    unsigned capacity_ = 0;
    unsigned size_ = 0;
    Compare compare_ = nullptr;
    void* context_ = nullptr;
};

// The typed heap over an array of T with a comparison of two elements.
template <class T>
class BinaryHeap {
public:
    using Compare = int (*)(T const& a, T const& b);

    BinaryHeap(T* items, unsigned capacity, Compare compare)
        : compare_(compare), heap_(items, sizeof(T), capacity, &Trampoline, &compare_)
    {
    }
    BinaryHeap(BinaryHeap const&) = delete;
    BinaryHeap& operator=(BinaryHeap const&) = delete;

    bool Push() { return heap_.Push(); }
    bool Pop() { return heap_.Pop(); }
    void Clear() { heap_.Clear(); }
    unsigned GetSize() const { return heap_.GetSize(); }
    T* GetTop() const { return static_cast<T*>(heap_.GetTop()); }

private:
    static int Trampoline(void const* a, void const* b, void* context)
    {
        Compare const compare = *static_cast<Compare const*>(context);
        return compare(*static_cast<T const*>(a), *static_cast<T const*>(b));
    }

    Compare compare_;
    CommonBinaryHeap heap_;
};

}  // namespace DEC2DIvra
