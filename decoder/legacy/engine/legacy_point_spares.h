#pragma once

// Point and vector tools of the legacy engine beside the POINT_st basics.

#include "decoder/legacy/engine/legacy_geometry.h"

// A point of two 16-bit fields.
struct PointShort_st {
    short x;
    short y;
};

void swap_point_struct(POINT_st* a, POINT_st* b);
// Squared distance of two points, in 64 bits (saturating at the largest value).
long long calc_sqr_point_struct(POINT_st a, POINT_st b);
// p / d per component, rounded half away from zero; -1 for d = 0.
int divide_point_struct(POINT_st* out, POINT_st p, int d);
// p moved by step pixels along the major axis of (dx, dy), the minor
// coordinate by step times the minor over the major component (truncated);
// -1 for a zero vector.
int COM_move_point(POINT_st* out, POINT_st p, int dx, int dy, int step);
// The larger and smaller magnitude of v's components; answers 0 when x is the
// major axis (|x| >= |y|), else 1.
int AcrossAngle(POINT_st v, int* major, int* minor);
// -1 when limit |a| |b| exceeds 100 times a . b (the angle between a and b is
// wider than the one whose cosine is limit / 100), else 0.
int COM_check_angle(int ax, int ay, int bx, int by, int limit);
// 1 when p lies on the line through a and b (p = a when a = b), else 0.
int IsPointOnLine(PointShort_st a, PointShort_st b, PointShort_st p);
// Both ends of a segment moved outward by length pixels along its major
// axis (COM_move_point); -1 for a segment of no length.
int extend_line_fix(POINT_st* a, POINT_st* b, int length);
