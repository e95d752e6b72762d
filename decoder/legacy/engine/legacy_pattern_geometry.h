#pragma once

// The legacy engine's pattern geometry: points, segments, rectangles and
// four-corner tetragons, their order, containment, borders and centres, the
// 16 undirected line directions, and the symbol region a decode is prepared
// with.

struct tagPoint_t {
    int x;
    int y;
};

struct tagSegment_t {
    tagPoint_t begin;
    tagPoint_t end;
};

// Inclusive bounds.
struct tagRect_t {
    int left;
    int top;
    int right;
    int bottom;
};

// Corners in order around the shape.
struct tagTetragon_t {
    tagPoint_t corner[4];
};

// A line direction 0 .. 15 (taken modulo 16), the step vector DIRECTION_VECTOR[d]
// (y grows downward): 4 horizontal, 12 vertical, 0 and 8 the diagonals; the 16
// directions cover half a turn.
using tagDirection_t = int;
constexpr int kDirectionCount = 16;
extern tagPoint_t const DIRECTION_VECTOR[kDirectionCount];

// The step vector of direction d modulo 16.
void GetDirectionVector(tagDirection_t d, tagPoint_t* v);

// The direction nearest to the undirected line of vector; v and -v give the
// same direction.
tagDirection_t CulcDirection(tagPoint_t const* vector);
// |(d1 mod 16) - (d2 mod 16)|.
int CulcAngle(tagDirection_t d1, tagDirection_t d2);

void ShiftPoint(tagPoint_t* p, tagPoint_t const* v);
void GetVector(tagPoint_t const* a, tagPoint_t const* b, tagPoint_t* v);
void GetSegmentVector(tagSegment_t const* segment, tagPoint_t* v);
void CulcCenterPoint(tagPoint_t const* a, tagPoint_t const* b, tagPoint_t* c);
// Maximum-norm lengths.
int CulcDimensionLite(tagPoint_t const* a, tagPoint_t const* b);
int CulcSegmentLengthLite(tagSegment_t const* segment);
int CulcVectorLengthLite(tagPoint_t const* v);
// Scales v so that its maximum norm becomes n; a zero vector stays zero.
void SetVectorLength(tagPoint_t* v, int n);

// 1 when every side of the tetragon runs horizontally or vertically.
int IsNearRectangle(tagTetragon_t const* tetragon);
void TetragonToRect(tagTetragon_t const* tetragon, tagRect_t* rect);

// The four sides; side i runs from corner i to corner i + 1, the last back to
// corner 0.
struct tagTetraborder_t {
    tagSegment_t side[4];
};
struct tagRectBorder_t {
    tagSegment_t side[4];
};

unsigned Umax(unsigned a, unsigned b);
unsigned Umin(unsigned a, unsigned b);
void ReplaceXY(tagPoint_t* p);

// Reading order: positive when a comes first (a higher up, or on the same row
// and further left), negative when b does, 0 for the same point.
int ComparePoint(tagPoint_t const* a, tagPoint_t const* b);
// The same with rows counted upward: positive when a lies lower; on the same
// row the left point still comes first.
int ComparePoint_DEC2D(tagPoint_t const* a, tagPoint_t const* b);
// 1 when a lies wholly above b (or, overlapping vertically, wholly left of
// it), -1 the other way round, else ComparePoint of the top-left corners.
int CompareRect(tagRect_t const* a, tagRect_t const* b);

// Inclusive containment.
int PointInRect(tagPoint_t const* p, tagRect_t const* rect);
int RectInRect(tagRect_t const* inner, tagRect_t const* outer);
int SegmentInRect(tagSegment_t const* segment, tagRect_t const* rect);

void ShiftSegment(tagSegment_t* segment, tagPoint_t const* v);
void ShiftRect(tagRect_t* rect, tagPoint_t const* v);
void ShiftTetragon(tagTetragon_t* tetragon, tagPoint_t const* v);

void GetTetragonBorder(tagTetragon_t const* tetragon, tagTetraborder_t* border);
// Corners top-left, top-right, bottom-right, bottom-left.
void RectToTetragon(tagRect_t const* rect, tagTetragon_t* tetragon);
void GetRectBorder(tagRect_t const* rect, tagRectBorder_t* border);

// Centres, halves rounded toward minus infinity; the tetragon's is the sum of
// its corners divided by 4 the same way.
void CulcCenterOfSegment(tagSegment_t const* segment, tagPoint_t* c);
void CulcCenterOfRect(tagRect_t const* rect, tagPoint_t* c);
void CulcCenterOfTetragon(tagTetragon_t const* tetragon, tagPoint_t* c);

// Clamps rect to bounds; 1 when something is left.
int TrimRect(tagRect_t const* bounds, tagRect_t* rect);

// A symbol region: kind (negative for a failed attempt of that kind), the
// near-rectangle flag, the symbol's tetragon, the second tetragon of a
// composite's two-dimensional part, the bounding rectangle, and the in-use
// word of the decode that works on it.
struct tagSymbolRegion {
    int kind;
    int nearRectangle;
    tagTetragon_t tetragon;
    tagTetragon_t second;
    tagRect_t bounds;
    int inUse;
};

// Clears the in-use word and derives the flag and bounds from the tetragon.
void InitializeSymbolRegionBeforeDecode(tagSymbolRegion* region);
