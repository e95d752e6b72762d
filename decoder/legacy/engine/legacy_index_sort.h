#pragma once

// Sorting that remembers where each value came from.

// Sorts keys[0 .. n) ascending and fills index[0 .. n) so that the sorted
// keys[i] was keys[index[i]] before; answers 0, or -1 for n < 0.
int NormalSort(int* keys, int* index, int n);
