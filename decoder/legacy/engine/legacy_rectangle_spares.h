#pragma once

// Four-corner rectangles (corners 0 .. 3 in order round the outline) and
// segments against the image border.

#include "decoder/legacy/engine/legacy_geometry.h"

// Constant answers kept for callers that test them: 0, -1, 0 and -1.
int is_line_through_rectangle();
int move_rectangleEx();
int sqr_point2line_newEx();
int LimitToScreenTopRunlength();

// The rectangle moved across its side `side` (corners side and side + 1):
// those two corners move by amount times their adjacent side vectors (away
// from the opposite side), halved and rounded; a negative amount moves them
// inward. -1 for a side outside 0 .. 3.
int move_rectangle(POINT_st* out, POINT_st const* corners, int side, int amount);
// The base 0-1 times the sum of the distances of corners 2 and 3 from the
// base line (twice the area of a parallelogram), exact; -1 when corners 0 and
// 1 coincide.
int COM_calc_rectangle_area(long long* area, POINT_st const* corners);
// point_in_area on the quadrilateral whose corners are moved along both their
// sides by shrink / 256 of each side (rounded).
int PointInArea(int x, int y, int const* xs, int const* ys, int shrink);
// The centre of a rectangle: the sum of its corners / 4, truncated.
void calc_rectangle_centre(POINT_st* centre, POINT_st const* corners);
// Two rectangles merged: corner i is whichever of a[i] and b[i] lies farther
// from the mean of the two centres (a's on a tie).
void connect_rectangle(POINT_st* out, POINT_st const* a, POINT_st const* b);
// 1 when the four corners are equal, else 0.
int IsSameRect(POINT_st const* a, POINT_st const* b);

// The two crossings of a line of scale 1024 with the image border (x = 0,
// x = width - 1, y = 0, y = height - 1, ends included): the first found and
// the one farthest from it. Answers 2, or -1 (nothing written) when the line
// meets the image in fewer than two distinct points.
int BoundaryPoint2(Line_st const* line, POINT_st* out);
// The rectangle 2 pixels inside the image; -1 for an image under 5 x 5.
int GetRectangleInScreen(POINT_st* out);
// Each corner clamped into that rectangle; answers how many moved, -1 for an
// image under 5 x 5.
int RectLimitToScreen(POINT_st* corners);
// LimitToScreen for a run-length scan of at most 1280 samples (the end b is
// drawn in along the line when longer): *count = the samples from a to b,
// *lead = the run-length position (32 a pixel along the major axis) of the
// new a on the caller's segment. -1 as LimitToScreen.
int LimitToScreenEx(int* count, POINT_st* a, POINT_st* b, int* lead);
