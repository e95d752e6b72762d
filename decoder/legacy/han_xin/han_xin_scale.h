#pragma once

// Positions along a line from three known ones: module edges measured on a
// finder pattern place every module of the line beside it.

// knowns holds three (index, distance) pairs: index0, distance0, index1,
// distance1, index2, distance2, the indices distinct and at most 1024, the
// distances (1/32 pixel) at most 2^20 in size. Writes the distances of
// indices 0 to count into scales (count + 1 entries). With flag 0 a
// one-dimensional perspective (a ratio of two linear functions of the index)
// passes exactly through the three pairs; with any other flag a straight line
// fitted by least squares spaces them evenly. 0, or -1 when no such mapping
// exists over the range (or the arguments are out of bounds).
int QR_calc_scale(int* scales, int const* knowns, int count, int flag);
