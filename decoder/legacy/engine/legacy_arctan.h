#pragma once

// Arctangents in whole degrees by table look-up.

// tan(k degrees) x 65530 rounded for k = 0 .. 45 (65530 at 45), then 65535.
extern unsigned short const deg_tan[47];

// The whole degree 0 .. 45 whose tangent x 65530 is nearest to t (t above
// 65530 gives 45, below 0 gives 0).
int search_arctan(int t);
// The direction of (dx, dy) in whole degrees, 0 .. 359 counter-clockwise
// from the x axis (0 for the zero vector).
int rough_arctan(int dy, int dx);
