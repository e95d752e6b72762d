#pragma once

// Least-squares lines at scale 1024 from sums the caller kept, or from points
// reduced by a right shift first (2 .. 1000 points). Results as Least_Sqr66
// with shift 10; -1 (orientation -1) for a refused count or no spread.

#include "decoder/legacy/engine/legacy_geometry.h"

int GetLineFromSum(int n, int sx, int sy, int sxy, int sxx, int syy, Line_st* line);
int GetLineFromSum64(int n, long long sx, long long sy, long long sxy, long long sxx, long long syy, Line_st* line);
int GetNearLineXY(int const* xs, int const* ys, int n, int shift, Line_st* line);
int GetNearLine(POINT_st const* points, int n, int shift, Line_st* line);
// Points of 64-bit coordinates (sub-pixel fixed point), which must fit 32 bits
// after the shift.
int GetNearLine64(long long const* xs, long long const* ys, int n, int shift, Line_st* line);
