#pragma once

// Outline and four-corner tools of the legacy engine: straightness of point
// runs, the turning point of an outline, the lines along its upper and lower
// points, parallelism of two lines, and putting a quadrilateral's corners in
// order or squaring it. Image coordinates (y down).

#include "decoder/legacy/engine/legacy_geometry.h"
#include "decoder/legacy/engine/legacy_point_spares.h"

// The mean of the first four points (of all when fewer) into *mean, and
// whether the n points run straight: 1 when none lies more than a pixel from
// the chord joining the first and the last, else 0. -1 for n < 2, n > 1000 or
// equal end points.
int IsLineSimple(POINT_st const* points, int n, POINT_st* mean);
// The same straightness test on 16-bit points with the squared distance
// limit given: 1, 0 or -1.
int IsShortPointsNearLine(PointShort_st const* points, int n, int limit);

// The turning point of an outline of n points (2 .. 1000): out[0] the first,
// out[1] the point farthest from the chord first-last (the first such), out[2]
// the last. Answers the turning point's index; -1 for a bad count.
int GetBoundary3Point(POINT_st const* points, int n, POINT_st* out);
// Least-squares lines at scale 1024 through the points above (smaller y, or
// smaller x along a steep outline) and below the line fitted to all n points
// (2 .. 1000); points on it go to neither. 0, or -1 when a side has fewer than
// two points or no spread.
int GetNearUpDownLine(POINT_st const* points, int n, Line_st* upper, Line_st* lower);

// How far two lines of scale 2^20 are from parallel: |slope a - slope b| at
// that scale. Check2LineHori takes lines of y on x (orientation 0),
// Check2LineVert lines of x on y (orientation 1); -1 for another orientation.
int Check2LineHori(Line_st const* a, Line_st const* b);
int Check2LineVert(Line_st const* a, Line_st const* b);

// The corners in clockwise order on the image (y down): corners 1 and 3
// exchanged when they run the other way. 1 when exchanged, 0 when already in
// order, -1 for corners that enclose nothing.
int CorrectRectDire(POINT_st* corners);
// Corners in any order put round their centre: corner 0 stays first, the
// others follow by their angle about the centre, then the order is made
// clockwise (CorrectRectDire). 0, or -1 for corners that enclose nothing.
int CorrectRect(POINT_st* corners);
// A parallelogram (corners 0-3 in order) squared on its base 0-1: corners 2
// and 3 become the feet of the perpendiculars from corners 1 and 0 onto the
// side 2-3. -1 when corners 2 and 3 coincide.
int ParallelogramToRectangle(PointShort_st* corners);
// Keeps the two extreme points along the direction (dx, dy) of the points
// offered so far: extremes[0] the one least far along, extremes[1] the one
// farthest (earlier points win ties). *count counts the offered points (0 to
// start). -1 for a zero direction.
int SortNewPoint(PointShort_st* extremes, int* count, PointShort_st p, int dx, int dy);
