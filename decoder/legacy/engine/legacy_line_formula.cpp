#include "decoder/legacy/engine/legacy_line_formula.h"

#include <algorithm>
#include <climits>
#include <utility>

namespace {

// Products of 32-bit coefficients with 64-bit sums, never overflowing.
__extension__ typedef __int128 Wide;

bool Fits(Wide v) { return v >= INT_MIN && v <= INT_MAX; }

void Reduce(Wide a, Wide b, Wide c, tagFormula_t* f)
{
    while (!Fits(a) || !Fits(b) || !Fits(c)) {
        a >>= 1;
        b >>= 1;
        c >>= 1;
    }
    *f = {static_cast<int>(a), static_cast<int>(b), static_cast<int>(c)};
}

using Order = int (*)(tagPoint_t const*, tagPoint_t const*);

int Lengthen(tagSegment_t const* segment, tagRect_t const* rect, tagSegment_t* out, Order order)
{
    tagFormula_t f{};
    CulcFormulaOfSegment(segment, &f);
    if (f.a == 0 && f.b == 0) {
        return 0;
    }
    tagPoint_t found[4];
    int n = 0;
    for (int x : {rect->left, rect->right}) {
        int y = 0;
        if (ReduceFormulaY(&f, x, &y) && y >= rect->top && y <= rect->bottom) {
            found[n++] = {x, y};
        }
    }
    for (int y : {rect->top, rect->bottom}) {
        int x = 0;
        if (ReduceFormulaX(&f, y, &x) && x >= rect->left && x <= rect->right) {
            found[n++] = {x, y};
        }
    }
    if (n == 0) {
        return 0;
    }
    tagPoint_t first = found[0], last = found[0];
    for (int i = 1; i < n; ++i) {
        if (order(&found[i], &first) > 0) {
            first = found[i];
        }
        if (order(&last, &found[i]) > 0) {
            last = found[i];
        }
    }
    *out = {first, last};
    return 1;
}

int Trim(tagSegment_t const* segment, tagRect_t const* rect, tagSegment_t* out, Order order)
{
    int const beginIn = PointInRect(&segment->begin, rect), endIn = PointInRect(&segment->end, rect);
    if (!beginIn && !endIn) {
        return 0;
    }
    tagSegment_t s = *segment;
    if (order(&s.begin, &s.end) < 0) {
        std::swap(s.begin, s.end);
    }
    tagSegment_t border{};
    if (!(beginIn && endIn) && Lengthen(segment, rect, &border, order)) {
        if (order(&s.begin, &border.begin) > 0) {
            s.begin = border.begin;
        }
        if (order(&border.end, &s.end) > 0) {
            s.end = border.end;
        }
    }
    *out = s;
    return 1;
}

int VirtualRect(tagTetragon_t const* t, int rowSideA, int rowSideB, tagRect_t* rect)
{
    tagTetraborder_t border{};
    GetTetragonBorder(t, &border);
    tagFormula_t f[4];
    for (int i = 0; i < 4; ++i) {
        CulcFormulaOfSegment(&border.side[i], &f[i]);
    }
    int const columnSideA = (rowSideA + 1) % 4, columnSideB = (rowSideB + 1) % 4;
    int x0 = 0, x1 = 0, y0 = 0, y1 = 0;
    if (!ReduceFormulaX(&f[rowSideA], 0, &x0) || !ReduceFormulaX(&f[rowSideB], 0, &x1) ||
        !ReduceFormulaY(&f[columnSideA], 0, &y0) || !ReduceFormulaY(&f[columnSideB], 0, &y1)) {
        return 0;
    }
    *rect = {std::min(x0, x1), std::min(y0, y1), std::max(x0, x1), std::max(y0, y1)};
    return 1;
}

}  // namespace

void CulcFormulaOfSegment(tagSegment_t const* segment, tagFormula_t* formula)
{
    tagPoint_t const& p = segment->begin;
    tagPoint_t const& q = segment->end;
    Reduce(static_cast<Wide>(p.y) - q.y, static_cast<Wide>(q.x) - p.x,
           static_cast<Wide>(q.y) * p.x - static_cast<Wide>(p.y) * q.x, formula);
}

int CulcLine(tagPoint_t const* points, int n, tagFormula_t* formula)
{
    if (points == nullptr || n < 2) {
        return 0;
    }
    Wide sx = 0, sy = 0, sxx = 0, syy = 0, sxy = 0;
    for (int i = 0; i < n; ++i) {
        Wide const x = points[i].x, y = points[i].y;
        sx += x;
        sy += y;
        sxx += x * x;
        syy += y * y;
        sxy += x * y;
    }
    // n times the spreads and the covariance.
    Wide const vx = n * sxx - sx * sx, vy = n * syy - sy * sy, cxy = n * sxy - sx * sy;
    if (vx == 0 && vy == 0) {
        return 0;
    }
    // The fitted direction, along the wider spread, kept to 32 bits.
    Wide dx = vx >= vy ? vx : cxy;
    Wide dy = vx >= vy ? cxy : vy;
    while (!Fits(dx) || !Fits(dy)) {
        dx >>= 1;
        dy >>= 1;
    }
    // Through the mean point: n (-dy x + dx y) + (dy sx - dx sy) = 0.
    Reduce(-dy * n, dx * n, dy * sx - dx * sy, formula);
    return 1;
}

int ReduceDoubleFormula(tagFormula_t const* f1, tagFormula_t const* f2, tagPoint_t* p)
{
    Wide const det = static_cast<Wide>(f1->a) * f2->b - static_cast<Wide>(f2->a) * f1->b;
    if (det == 0) {
        return 0;
    }
    Wide const x = (static_cast<Wide>(f1->b) * f2->c - static_cast<Wide>(f2->b) * f1->c) / det;
    Wide const y = (static_cast<Wide>(f2->a) * f1->c - static_cast<Wide>(f1->a) * f2->c) / det;
    if (!Fits(x) || !Fits(y)) {
        return 0;
    }
    *p = {static_cast<int>(x), static_cast<int>(y)};
    return 1;
}

int ReduceFormulaX(tagFormula_t const* f, int y, int* x)
{
    if (f->a == 0) {
        return 0;
    }
    Wide const v = -(static_cast<Wide>(f->b) * y + f->c) / f->a;
    if (!Fits(v)) {
        return 0;
    }
    *x = static_cast<int>(v);
    return 1;
}

int ReduceFormulaY(tagFormula_t const* f, int x, int* y)
{
    if (f->b == 0) {
        return 0;
    }
    Wide const v = -(static_cast<Wide>(f->a) * x + f->c) / f->b;
    if (!Fits(v)) {
        return 0;
    }
    *y = static_cast<int>(v);
    return 1;
}

int CulcCrossPoint(tagSegment_t const* s1, tagSegment_t const* s2, tagPoint_t* p)
{
    tagFormula_t f1{}, f2{};
    CulcFormulaOfSegment(s1, &f1);
    CulcFormulaOfSegment(s2, &f2);
    return ReduceDoubleFormula(&f1, &f2, p);
}

int CulcCrossPointWithHorizontalSegment(tagSegment_t const* segment, int c, tagPoint_t* p)
{
    tagFormula_t f{};
    CulcFormulaOfSegment(segment, &f);
    int x = 0;
    if (!ReduceFormulaX(&f, c, &x)) {
        return 0;
    }
    *p = {x, c};
    return 1;
}

int CulcCrossPointWithVerticalSegment(tagSegment_t const* segment, int c, tagPoint_t* p)
{
    tagFormula_t f{};
    CulcFormulaOfSegment(segment, &f);
    int y = 0;
    if (!ReduceFormulaY(&f, c, &y)) {
        return 0;
    }
    *p = {c, y};
    return 1;
}

int TwoSegmentsToTetragon(tagTetragon_t* t, tagSegment_t const* s1, tagSegment_t const* s2)
{
    tagPoint_t x{};
    if (!CulcCrossPoint(s1, s2, &x)) {
        return 1;
    }
    tagPoint_t toBegin{}, toEnd{};
    GetVector(&x, &s2->begin, &toBegin);
    GetVector(&x, &s2->end, &toEnd);
    tagPoint_t const* shift[4] = {&toBegin, &toBegin, &toEnd, &toEnd};
    tagPoint_t const* base[4] = {&s1->begin, &s1->end, &s1->end, &s1->begin};
    for (int i = 0; i < 4; ++i) {
        t->corner[i] = *base[i];
        ShiftPoint(&t->corner[i], shift[i]);
    }
    return 0;
}

int TetragonToVirtualRectHorizontal(tagTetragon_t const* t, tagRect_t* rect) { return VirtualRect(t, 3, 1, rect); }

int TetragonToVirtualRectVertical(tagTetragon_t const* t, tagRect_t* rect) { return VirtualRect(t, 0, 2, rect); }

int LengthenSegmentToRectBorder(tagSegment_t const* segment, tagRect_t const* rect, tagSegment_t* out)
{
    return Lengthen(segment, rect, out, ComparePoint);
}

int LengthenSegmentToRectBorder_DEC2D(tagSegment_t const* segment, tagRect_t const* rect, tagSegment_t* out)
{
    return Lengthen(segment, rect, out, ComparePoint_DEC2D);
}

int TrimSegmentInRectBorder(tagSegment_t const* segment, tagRect_t const* rect, tagSegment_t* out)
{
    return Trim(segment, rect, out, ComparePoint);
}

int TrimSegmentInRectBorder_DEC2D(tagSegment_t const* segment, tagRect_t const* rect, tagSegment_t* out)
{
    return Trim(segment, rect, out, ComparePoint_DEC2D);
}
