#include "decoder/core/containers/binary_heap.h"

#include <cstring>

namespace DEC2DIvra {

void CommonBinaryHeap::Swap(unsigned a, unsigned b) const
{
    // Swap in small chunks: elements may be of any width and nothing may be
    // allocated.
    unsigned char* pa = At(a);
    unsigned char* pb = At(b);
    unsigned char chunk[64];
    unsigned left = elementSize_;
    while (left > 0) {
        unsigned const n = left < sizeof(chunk) ? left : static_cast<unsigned>(sizeof(chunk));
        std::memcpy(chunk, pa, n);
        std::memcpy(pa, pb, n);
        std::memcpy(pb, chunk, n);
        pa += n;
        pb += n;
        left -= n;
    }
}

bool CommonBinaryHeap::Push()
{
    if (size_ >= capacity_ || compare_ == nullptr) {
        return false;
    }
    unsigned child = size_++;
    while (child > 0) {
        unsigned const parent = (child - 1) / 2;
        if (CompareAt(child, parent) >= 0) {
            break;
        }
        Swap(child, parent);
        child = parent;
    }
    return true;
}

bool CommonBinaryHeap::Pop()
{
    if (size_ == 0) {
        return false;
    }
    --size_;
    if (size_ == 0) {
        return true;
    }
    Swap(0, size_);
    unsigned parent = 0;
    for (;;) {
        unsigned const left = 2 * parent + 1;
        if (left >= size_) {
            break;
        }
        unsigned const right = left + 1;
        unsigned best = left;
        if (right < size_ && CompareAt(right, left) < 0) {
            best = right;
        }
        if (CompareAt(best, parent) >= 0) {
            break;
        }
        Swap(best, parent);
        parent = best;
    }
    return true;
}

}  // namespace DEC2DIvra
