#include "decoder/legacy/engine/legacy_index_sort.h"

#include "decoder/legacy/engine/legacy_arith.h"

int NormalSort(int* keys, int* index, int n)
{
    if (n < 0) {
        return -1;
    }
    for (int i = 0; i < n; ++i) {
        index[i] = i;
    }
    // Mode 2 carries every exchange over to the index.
    return n < 2 ? 0 : quick_sort_2(keys, index, n, 2);
}
