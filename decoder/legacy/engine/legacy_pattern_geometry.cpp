#include "decoder/legacy/engine/legacy_pattern_geometry.h"

#include <algorithm>
#include <cstdlib>

tagPoint_t const DIRECTION_VECTOR[kDirectionCount] = {
    {4, 4},  {4, 3},  {4, 2},  {4, 1},  {4, 0}, {-4, 1}, {-4, 2}, {-4, 3},
    {-4, 4}, {-3, 4}, {-2, 4}, {-1, 4}, {0, 4}, {1, 4},  {2, 4},  {3, 4},
};

void CulcDirectionOffsets(int width, int offsets[kDirectionCount][4])
{
    int const w = width;
    // Steps of one sample along x (1, -1), y (W) or both (W + 1, W - 1), mixed
    // in the proportion of each direction's vector.
    int const table[kDirectionCount][4] = {
        {w + 1, w + 1, w + 1, w + 1}, {w + 1, 1, w + 1, w + 1}, {1, w + 1, 1, w + 1}, {1, 1, 1, w + 1},
        {1, 1, 1, 1},                 {-1, -1, -1, w - 1},      {-1, w - 1, -1, w - 1}, {w - 1, -1, w - 1, w - 1},
        {w - 1, w - 1, w - 1, w - 1}, {w - 1, w, w - 1, w - 1}, {w, w - 1, w, w - 1},   {w, w, w, w - 1},
        {w, w, w, w},                 {w, w, w, w + 1},         {w, w + 1, w, w + 1},   {w + 1, w, w + 1, w + 1},
    };
    for (int d = 0; d < kDirectionCount; ++d) {
        for (int k = 0; k < 4; ++k) {
            offsets[d][k] = table[d][k];
        }
    }
}

tagDirection_t CulcDirection(tagPoint_t const* vector)
{
    long long x = vector->x;
    long long y = vector->y;
    bool const flat = std::llabs(x) >= std::llabs(y);
    long long major = flat ? x : y;
    long long minor = flat ? y : x;
    if (major == 0) {
        return 4;
    }
    if (major < 0) {
        major = -major;
        minor = -minor;
    }
    // The nearest quarter step of minor / major in -1 .. 1, halves rounded up.
    long long const numerator = 8 * minor + major;
    long long const denominator = 2 * major;
    long long step = numerator / denominator;
    if (numerator % denominator != 0 && numerator < 0) {
        --step;
    }
    // Flat lines run from direction 0 (slope 1) through 4 to 8 (slope -1);
    // steep ones from 8 (x / y = -1) through 12 to 16 = 0.
    int const d = flat ? static_cast<int>(4 - step) : static_cast<int>(12 + step);
    return (d % kDirectionCount + kDirectionCount) % kDirectionCount;
}

int CulcAngle(tagDirection_t d1, tagDirection_t d2)
{
    int const a = (d1 % kDirectionCount + kDirectionCount) % kDirectionCount;
    int const b = (d2 % kDirectionCount + kDirectionCount) % kDirectionCount;
    return std::abs(a - b);
}

void ShiftPoint(tagPoint_t* p, tagPoint_t const* v)
{
    p->x += v->x;
    p->y += v->y;
}

void GetVector(tagPoint_t const* a, tagPoint_t const* b, tagPoint_t* v) { *v = {b->x - a->x, b->y - a->y}; }

void GetSegmentVector(tagSegment_t const* segment, tagPoint_t* v) { GetVector(&segment->begin, &segment->end, v); }

void CulcCenterPoint(tagPoint_t const* a, tagPoint_t const* b, tagPoint_t* c)
{
    *c = {static_cast<int>((static_cast<long long>(a->x) + b->x) >> 1),
          static_cast<int>((static_cast<long long>(a->y) + b->y) >> 1)};
}

int CulcVectorLengthLite(tagPoint_t const* v) { return std::max(std::abs(v->x), std::abs(v->y)); }

int CulcDimensionLite(tagPoint_t const* a, tagPoint_t const* b)
{
    tagPoint_t v{};
    GetVector(a, b, &v);
    return CulcVectorLengthLite(&v);
}

int CulcSegmentLengthLite(tagSegment_t const* segment) { return CulcDimensionLite(&segment->begin, &segment->end); }

void SetVectorLength(tagPoint_t* v, int n)
{
    int const length = CulcVectorLengthLite(v);
    if (length == 0) {
        return;
    }
    v->x = static_cast<int>(static_cast<long long>(v->x) * n / length);
    v->y = static_cast<int>(static_cast<long long>(v->y) * n / length);
}

int IsNearRectangle(tagTetragon_t const* tetragon)
{
    for (int i = 0; i < 4; ++i) {
        tagPoint_t side{};
        GetVector(&tetragon->corner[i], &tetragon->corner[(i + 1) % 4], &side);
        if (CulcDirection(&side) % 8 != 4) {
            return 0;
        }
    }
    return 1;
}

void TetragonToRect(tagTetragon_t const* tetragon, tagRect_t* rect)
{
    tagRect_t r{tetragon->corner[0].x, tetragon->corner[0].y, tetragon->corner[0].x, tetragon->corner[0].y};
    for (tagPoint_t const& p : tetragon->corner) {
        r.left = std::min(r.left, p.x);
        r.top = std::min(r.top, p.y);
        r.right = std::max(r.right, p.x);
        r.bottom = std::max(r.bottom, p.y);
    }
    *rect = r;
}

void InitializeSymbolRegionBeforeDecode(tagSymbolRegion* region)
{
    region->inUse = 0;
    region->nearRectangle = IsNearRectangle(&region->tetragon);
    TetragonToRect(&region->tetragon, &region->bounds);
}
