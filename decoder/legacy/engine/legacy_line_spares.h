#pragma once

// Line tools of the legacy engine beside the fitting and crossing routines:
// sides, distances, perpendiculars, parallels, feet and turned lines. Lines
// of "scale 1024" are Line_st values with S = 1024.

#include "decoder/legacy/engine/legacy_geometry.h"

// The side of (x, y) relative to a line of scale S: the sign (-1, 0, 1) of
// S y - slope x - offset (orientation 0) or S x - slope y - offset
// (orientation 1); 0 for an invalid line.
int COM_locate_point2line(int x, int y, int S, Line_st const* line);
// Squared distance of (x, y) from a line of scale 2^shift; the difference is
// shifted right by shift before it is squared (rounded); 0 for a bad shift.
int sqr_point2line_new(int orientation, int slope, int offset, int x, int y, int shift);
// COM_points2line into a Line_st: answers the orientation, -1 (orientation -1)
// for a single point.
int COM_points2lineB(int S, POINT_st p0, POINT_st p1, Line_st* line);
// The line through two points at scale 1024, y on x unless the slope would
// pass 1024 (so |dx| = |dy| gives orientation 0). Answers the orientation or -1.
int PointsToLine(Line_st* out, POINT_st p0, POINT_st p1);
int Calc_Line(int x0, int y0, int x1, int y1, int* orientation, int* slope, int* offset);
// The offset of the parallel through (x, y) to a line of the given
// orientation and slope at scale S.
int parallel_move_line(int orientation, int slope, int x, int y, int S);
void parallel_shift_line(Line_st* out, Line_st const* in, POINT_st p, int S);
// The perpendicular to a line of scale 1024 through p; -1 for an invalid line.
int GetVerLine(Line_st* out, Line_st const* in, POINT_st p);
// The parallel d pixels away (towards larger y for orientation 0, larger x
// for orientation 1), offset rounded; -1 for an invalid line.
int ShiftLine(Line_st* out, Line_st const* in, int d);
// The perpendicular through p moved d pixels along the line (towards growing
// x for orientation 0, growing y for orientation 1).
int ShiftVerLine(Line_st* out, Line_st const* in, POINT_st p, int d);
// The foot of the perpendicular from p to the line through a and b (rounded);
// -1 when a = b.
int Pedal(POINT_st a, POINT_st b, POINT_st p, POINT_st* out);
// The same for a line of scale 1024; -1 for an invalid line.
int PedalPointLine(POINT_st p, Line_st const* line, POINT_st* out);
// A line of scale 1024 turned by whole degrees (counter-clockwise, y up)
// about p; -1 for an invalid line.
int GetRotatedLine(Line_st* out, Line_st const* in, POINT_st p, int degrees);
// signs[i] = the side of corner i relative to a line of scale 1024; answers
// 1 when corners lie on both sides, else 0.
int LineCross4side(Line_st const* line, int const* xs, int const* ys, int* signs);
// 1 when no two of the n points lie on opposite sides of a line of scale 1024
// (points on the line go with either side), 0 otherwise, -1 for n < 1.
int IsPointsSameSideToLine(Line_st const* line, POINT_st const* points, int n);
// Calc_Intsec3 on eight coordinates; a negative shift gives the crossing unscaled.
int Calc_Intsec3xy(int shift, int* x, int* y, int x0, int y0, int x1, int y1, int x2, int y2, int x3, int y3);
