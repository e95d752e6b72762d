#pragma once

// Straight lines of the pattern geometry as a x + b y + c = 0 with 32-bit
// coefficients, and what is built from them: crossings, segments lengthened
// to or trimmed by a rectangle, parallelograms and axis rectangles from
// sides. Parallel lines answer 0 unless said otherwise.

#include "decoder/legacy/engine/legacy_pattern_geometry.h"

struct tagFormula_t {
    int a;
    int b;
    int c;
};

// a = y0 - y1, b = x1 - x0, c = y1 x0 - y0 x1, worked out wide and then all
// three halved together (arithmetic shift) until each fits in 32 bits.
void CulcFormulaOfSegment(tagSegment_t const* segment, tagFormula_t* formula);
// The least-squares line of n points (along the wider spread), reduced the
// same way; 0 when the points do not make a line (fewer than 2, all equal).
int CulcLine(tagPoint_t const* points, int n, tagFormula_t* formula);

// The crossing of two lines, truncated; 0 when they are parallel or the
// crossing lies beyond the 32-bit plane.
int ReduceDoubleFormula(tagFormula_t const* f1, tagFormula_t const* f2, tagPoint_t* p);
// x on the line at row y, and y at column x; 0 when the line runs along
// that axis.
int ReduceFormulaX(tagFormula_t const* f, int y, int* x);
int ReduceFormulaY(tagFormula_t const* f, int x, int* y);
int CulcCrossPoint(tagSegment_t const* s1, tagSegment_t const* s2, tagPoint_t* p);
// The crossing of a segment's line with the row y = c, or the column x = c.
int CulcCrossPointWithHorizontalSegment(tagSegment_t const* segment, int c, tagPoint_t* p);
int CulcCrossPointWithVerticalSegment(tagSegment_t const* segment, int c, tagPoint_t* p);

// The parallelogram whose sides run through the end points of two crossing
// segments, parallel to the other segment. Answers 0, or 1 (nothing written)
// when the segments are parallel.
int TwoSegmentsToTetragon(tagTetragon_t* t, tagSegment_t const* s1, tagSegment_t const* s2);
// The axis rectangle of the side lines' intercepts: for the horizontal form,
// left and right are where sides 3 and 1 cross row 0 and top and bottom
// where sides 0 and 2 cross column 0; the vertical form takes sides 0 and 2
// on row 0 and sides 3 and 1 on column 0. 0 when a side runs along the axis
// it is cut with.
int TetragonToVirtualRectHorizontal(tagTetragon_t const* t, tagRect_t* rect);
int TetragonToVirtualRectVertical(tagTetragon_t const* t, tagRect_t* rect);

// The segment's line cut at the rectangle's border, end points in
// ComparePoint order (ComparePoint_DEC2D order for the _DEC2D form); 0 when
// the line misses the rectangle or the segment is one point.
int LengthenSegmentToRectBorder(tagSegment_t const* segment, tagRect_t const* rect, tagSegment_t* out);
int LengthenSegmentToRectBorder_DEC2D(tagSegment_t const* segment, tagRect_t const* rect, tagSegment_t* out);
// The part of the segment inside the rectangle, ordered the same way; 0 when
// neither end point is inside.
int TrimSegmentInRectBorder(tagSegment_t const* segment, tagRect_t const* rect, tagSegment_t* out);
int TrimSegmentInRectBorder_DEC2D(tagSegment_t const* segment, tagRect_t const* rect, tagSegment_t* out);
