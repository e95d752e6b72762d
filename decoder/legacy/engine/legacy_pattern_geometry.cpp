#include "decoder/legacy/engine/legacy_pattern_geometry.h"

#include <algorithm>
#include <cstdlib>
#include <utility>

tagPoint_t const DIRECTION_VECTOR[kDirectionCount] = {
    {4, 4},  {4, 3},  {4, 2},  {4, 1},  {4, 0}, {-4, 1}, {-4, 2}, {-4, 3},
    {-4, 4}, {-3, 4}, {-2, 4}, {-1, 4}, {0, 4}, {1, 4},  {2, 4},  {3, 4},
};

void GetDirectionVector(tagDirection_t d, tagPoint_t* v)
{
    *v = DIRECTION_VECTOR[(d % kDirectionCount + kDirectionCount) % kDirectionCount];
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

unsigned Umax(unsigned a, unsigned b) { return a > b ? a : b; }

unsigned Umin(unsigned a, unsigned b) { return a < b ? a : b; }

void ReplaceXY(tagPoint_t* p) { std::swap(p->x, p->y); }

namespace {

// The sign of a 64-bit difference, so that far-apart coordinates cannot wrap.
int Sign(long long v) { return v > 0 ? 1 : (v < 0 ? -1 : 0); }

}  // namespace

int ComparePoint(tagPoint_t const* a, tagPoint_t const* b)
{
    if (a->y != b->y) {
        return Sign(static_cast<long long>(b->y) - a->y);
    }
    return Sign(static_cast<long long>(b->x) - a->x);
}

int ComparePoint_DEC2D(tagPoint_t const* a, tagPoint_t const* b)
{
    if (a->y != b->y) {
        return Sign(static_cast<long long>(a->y) - b->y);
    }
    return Sign(static_cast<long long>(b->x) - a->x);
}

int CompareRect(tagRect_t const* a, tagRect_t const* b)
{
    if (a->bottom < b->top) {
        return 1;
    }
    if (b->bottom < a->top) {
        return -1;
    }
    if (a->right < b->left) {
        return 1;
    }
    if (b->right < a->left) {
        return -1;
    }
    tagPoint_t const p{a->left, a->top}, q{b->left, b->top};
    return ComparePoint(&p, &q);
}

int PointInRect(tagPoint_t const* p, tagRect_t const* rect)
{
    return p->x >= rect->left && p->x <= rect->right && p->y >= rect->top && p->y <= rect->bottom ? 1 : 0;
}

int RectInRect(tagRect_t const* inner, tagRect_t const* outer)
{
    tagPoint_t const a{inner->left, inner->top}, b{inner->right, inner->bottom};
    return PointInRect(&a, outer) & PointInRect(&b, outer);
}

int SegmentInRect(tagSegment_t const* segment, tagRect_t const* rect)
{
    return PointInRect(&segment->begin, rect) & PointInRect(&segment->end, rect);
}

void ShiftSegment(tagSegment_t* segment, tagPoint_t const* v)
{
    ShiftPoint(&segment->begin, v);
    ShiftPoint(&segment->end, v);
}

void ShiftRect(tagRect_t* rect, tagPoint_t const* v)
{
    rect->left += v->x;
    rect->right += v->x;
    rect->top += v->y;
    rect->bottom += v->y;
}

void ShiftTetragon(tagTetragon_t* tetragon, tagPoint_t const* v)
{
    for (tagPoint_t& p : tetragon->corner) {
        ShiftPoint(&p, v);
    }
}

namespace {

void SidesOf(tagTetragon_t const* tetragon, tagSegment_t* side)
{
    for (int i = 0; i < 4; ++i) {
        side[i] = {tetragon->corner[i], tetragon->corner[(i + 1) % 4]};
    }
}

}  // namespace

void GetTetragonBorder(tagTetragon_t const* tetragon, tagTetraborder_t* border) { SidesOf(tetragon, border->side); }

void RectToTetragon(tagRect_t const* rect, tagTetragon_t* tetragon)
{
    *tetragon = {{{rect->left, rect->top}, {rect->right, rect->top}, {rect->right, rect->bottom},
                  {rect->left, rect->bottom}}};
}

void GetRectBorder(tagRect_t const* rect, tagRectBorder_t* border)
{
    tagTetragon_t t{};
    RectToTetragon(rect, &t);
    SidesOf(&t, border->side);
}

void CulcCenterOfSegment(tagSegment_t const* segment, tagPoint_t* c) { CulcCenterPoint(&segment->begin, &segment->end, c); }

void CulcCenterOfRect(tagRect_t const* rect, tagPoint_t* c)
{
    tagPoint_t const a{rect->left, rect->top}, b{rect->right, rect->bottom};
    CulcCenterPoint(&a, &b, c);
}

void CulcCenterOfTetragon(tagTetragon_t const* tetragon, tagPoint_t* c)
{
    long long x = 0, y = 0;
    for (tagPoint_t const& p : tetragon->corner) {
        x += p.x;
        y += p.y;
    }
    *c = {static_cast<int>(x >> 2), static_cast<int>(y >> 2)};
}

int TrimRect(tagRect_t const* bounds, tagRect_t* rect)
{
    rect->left = std::max(rect->left, bounds->left);
    rect->top = std::max(rect->top, bounds->top);
    rect->right = std::min(rect->right, bounds->right);
    rect->bottom = std::min(rect->bottom, bounds->bottom);
    return rect->left <= rect->right && rect->top <= rect->bottom ? 1 : 0;
}
