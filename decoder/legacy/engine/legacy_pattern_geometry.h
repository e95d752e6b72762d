#pragma once

// The legacy engine's pattern geometry: points, segments, rectangles and
// four-corner tetragons, 16 undirected line directions with their sample-offset
// walks, and the symbol region a decode is prepared with.

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

// For each direction a cycle of four sample offsets that walks along it in an
// image of the given width.
void CulcDirectionOffsets(int width, int offsets[kDirectionCount][4]);

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
