#pragma once

namespace DEC2DIvra {

// Sorts the few elements of one character by rising magnitude (insertion
// sort: a handful of entries, stable).
template <class T>
void SortByMagnitude(T* items, unsigned count)
{
    for (unsigned i = 1; i < count; ++i) {
        T const item = items[i];
        unsigned j = i;
        for (; j > 0 && items[j - 1].magnitude > item.magnitude; --j) {
            items[j] = items[j - 1];
        }
        items[j] = item;
    }
}

}  // namespace DEC2DIvra
