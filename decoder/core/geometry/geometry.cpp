#include "decoder/core/geometry/geometry.h"

#include <climits>
#include <initializer_list>

#include "decoder/core/arithmetic/dec_math.h"

namespace DEC2DIvra {

namespace {

using Wide = BigInteger<8>;

constexpr long long kCoordinateLimit = 1LL << 30;

bool FitsInt(long long v) { return v >= INT_MIN && v <= INT_MAX; }

long long Abs(long long v) { return v < 0 ? -v : v; }

bool IsModest(Point const& p)
{
    return p.x > -kCoordinateLimit && p.x < kCoordinateLimit && p.y > -kCoordinateLimit && p.y < kCoordinateLimit;
}

Wide Product(Wide a, Wide const& b)
{
    a.Mul(b);
    return a;
}

Wide Difference(Wide a, Wide const& b)
{
    a.Sub(b);
    return a;
}

// Truncating halvings of all three until each fits 32 bits, then the line.
template <unsigned N>
bool SetHalved(BigInteger<N> a, BigInteger<N> b, BigInteger<N> c, Line& line)
{
    unsigned bits = a.GetMagnitudeBits();
    if (b.GetMagnitudeBits() > bits) {
        bits = b.GetMagnitudeBits();
    }
    if (c.GetMagnitudeBits() > bits) {
        bits = c.GetMagnitudeBits();
    }
    if (bits > 31) {
        unsigned const shift = bits - 31;
        for (BigInteger<N>* v : {&a, &b, &c}) {
            bool const negative = v->IsNegative();
            if (negative) {
                v->Negate();
            }
            v->RightShift(shift);
            if (negative) {
                v->Negate();
            }
        }
    }
    Line result;
    if (!result.Set(a.GetLong(), b.GetLong(), c.GetLong())) {
        return false;
    }
    line = result;
    return true;
}

// Fraction num / den with den > 0, for the clipping parameter.
struct Fraction {
    long long num;
    long long den;
};

bool Less(Fraction const& p, Fraction const& q) { return p.num * q.den < q.num * p.den; }

}  // namespace

void Geometry::LeastSquaresSums::Add(long long x, long long y)
{
    // 64-bit sums while they fit (every realistic run); on the first overflow
    // the sums move to the wide integers for good.
    long long const terms[6] = {1, x, y, x * x, y * y, x * y};
    if (!wide) {
        long long next[6];
        bool fits = true;
        for (unsigned i = 0; i < 6 && fits; ++i) {
            fits = !__builtin_add_overflow(narrow[i], terms[i], &next[i]);
        }
        if (fits) {
            for (unsigned i = 0; i < 6; ++i) {
                narrow[i] = next[i];
            }
            return;
        }
        Wide* const sums[6] = {&n, &sx, &sy, &sxx, &syy, &sxy};
        for (unsigned i = 0; i < 6; ++i) {
            sums[i]->Copy(narrow[i]);
        }
        wide = true;
    }
    n.Add(Wide(terms[0]));
    sx.Add(Wide(terms[1]));
    sy.Add(Wide(terms[2]));
    sxx.Add(Wide(terms[3]));
    syy.Add(Wide(terms[4]));
    sxy.Add(Wide(terms[5]));
}

void Geometry::LeastSquaresSums::Widen()
{
    if (!wide) {
        Wide* const sums[6] = {&n, &sx, &sy, &sxx, &syy, &sxy};
        for (unsigned i = 0; i < 6; ++i) {
            sums[i]->Copy(narrow[i]);
        }
        wide = true;
    }
}

bool Geometry::RoundDivide(long long numerator, long long denominator, long long& quotient)
{
    if (denominator == 0) {
        return false;
    }
    if (numerator == LLONG_MIN || denominator == LLONG_MIN) {
        BigInteger<4> q;
        DEC2DIvra::RoundDivide(BigInteger<4>(numerator), BigInteger<4>(denominator), q);
        if (!q.FitsLong()) {
            return false;
        }
        quotient = q.GetLong();
        return true;
    }
    if (denominator < 0) {
        numerator = -numerator;
        denominator = -denominator;
    }
    long long q = numerator / denominator;
    long long r = numerator % denominator;
    if (r < 0) {
        q -= 1;
        r += denominator;
    }
    if (r >= denominator - r) {
        q += 1;
    }
    quotient = q;
    return true;
}

void Geometry::CalcCenterPoint(Point const& p, Point const& q, Point& centre)
{
    CalcDividingPoint(1, p, 1, q, centre);
}

bool Geometry::CalcDividingPoint(int a, Point const& p, int b, Point const& q, Point& point)
{
    long long const weight = static_cast<long long>(a) + b;
    long long const sx = static_cast<long long>(a) * p.x + static_cast<long long>(b) * q.x;
    long long const sy = static_cast<long long>(a) * p.y + static_cast<long long>(b) * q.y;
    long long x = 0;
    long long y = 0;
    if (!RoundDivide(sx, weight, x) || !RoundDivide(sy, weight, y) || !FitsInt(x) || !FitsInt(y)) {
        return false;
    }
    point.x = static_cast<int>(x);
    point.y = static_cast<int>(y);
    return true;
}

bool Geometry::CalcLine(Point const& p, Point const& q, Line& line)
{
    if (p == q) {
        return false;
    }
    long long const a = static_cast<long long>(q.y) - p.y;
    long long const b = static_cast<long long>(p.x) - q.x;
    long long const c = static_cast<long long>(q.x) * p.y - static_cast<long long>(p.x) * q.y;
    Line result;
    if (!result.Set(a, b, c)) {
        return false;
    }
    line = result;
    return true;
}

bool Geometry::FitLine(LeastSquaresSums sums, FitKind kind, Line& line)
{
    sums.Widen();
    LeastSquaresSums const& s = sums;
    // Centred second moments, times n: D_x = n Sxx - Sx^2, D_y = n Syy - Sy^2.
    Wide const dx = Difference(Product(s.n, s.sxx), Product(s.sx, s.sx));
    Wide const dy = Difference(Product(s.n, s.syy), Product(s.sy, s.sy));
    Wide const nxy = Difference(Product(s.n, s.sxy), Product(s.sx, s.sy));
    if (kind == kFitAny) {
        kind = dy.IsBiggerThan(dx) ? kFitX : kFitY;
    }
    if (kind == kFitY) {
        // D_x y = N x + (Sy Sxx - Sx Sxy)  =>  N x - D_x y + K = 0.
        if (dx.IsZero()) {
            return false;
        }
        Wide const k = Difference(Product(s.sy, s.sxx), Product(s.sx, s.sxy));
        Wide minusD = dx;
        minusD.Negate();
        return SetHalved(nxy, minusD, k, line);
    }
    // D_y x = N y + (Sx Syy - Sy Sxy)  =>  D_y x - N y - K = 0.
    if (dy.IsZero()) {
        return false;
    }
    Wide k = Difference(Product(s.sx, s.syy), Product(s.sy, s.sxy));
    k.Negate();
    Wide minusN = nxy;
    minusN.Negate();
    return SetHalved(dy, minusN, k, line);
}

bool Geometry::CalcCrossPoint(Line const& l1, Line const& l2, Point& point)
{
    // Cramer's rule. Each product fits 63 bits; the differences usually fit
    // 64, and only when they do not does the wide path run.
    long long det = 0;
    long long nx = 0;
    long long ny = 0;
    auto cross = [](long long p, long long q, long long r, long long s, long long& out) {
        return !__builtin_sub_overflow(p * q, r * s, &out);
    };
    long long x = 0;
    long long y = 0;
    if (cross(l1.a, l2.b, l2.a, l1.b, det) && cross(l1.b, l2.c, l2.b, l1.c, nx) &&
        cross(l2.a, l1.c, l1.a, l2.c, ny)) {
        if (det == 0) {
            return false;
        }
        RoundDivide(nx, det, x);
        RoundDivide(ny, det, y);
    } else {
        using W = BigInteger<4>;
        auto wide = [](long long p, long long q, long long r, long long s) {
            W left(p);
            left.Mul(W(q));
            W right(r);
            right.Mul(W(s));
            left.Sub(right);
            return left;
        };
        W const wdet = wide(l1.a, l2.b, l2.a, l1.b);
        if (wdet.IsZero()) {
            return false;
        }
        W wx;
        W wy;
        DEC2DIvra::RoundDivide(wide(l1.b, l2.c, l2.b, l1.c), wdet, wx);
        DEC2DIvra::RoundDivide(wide(l2.a, l1.c, l1.a, l2.c), wdet, wy);
        if (!wx.FitsLong() || !wy.FitsLong()) {
            return false;
        }
        x = wx.GetLong();
        y = wy.GetLong();
    }
    if (!FitsInt(x) || !FitsInt(y)) {
        return false;
    }
    point.x = static_cast<int>(x);
    point.y = static_cast<int>(y);
    return true;
}

bool Geometry::CalcDividingLine(int a, Line const& l1, int b, Line const& l2, Line& line)
{
    long long const weight = static_cast<long long>(a) + b;
    if (weight == 0 || !l1.IsValid() || !l2.IsValid()) {
        return false;
    }
    // Scale each line up so that its normal has at least 2^20 in its larger
    // component: the integer norm is then exact to one part in a million.
    auto scale = [](Line const& l, long long v[3]) {
        long long const m = Abs(l.a) > Abs(l.b) ? Abs(l.a) : Abs(l.b);
        unsigned shift = 0;
        while ((m << shift) < (1LL << 20)) {
            ++shift;
        }
        v[0] = static_cast<long long>(l.a) * (1LL << shift);
        v[1] = static_cast<long long>(l.b) * (1LL << shift);
        v[2] = static_cast<long long>(l.c) * (1LL << shift);
    };
    long long v1[3];
    long long v2[3];
    scale(l1, v1);
    scale(l2, v2);
    if (static_cast<long long>(l1.a) * l2.a + static_cast<long long>(l1.b) * l2.b < 0) {
        for (long long& v : v2) {
            v = -v;
        }
    }
    auto norm = [](long long const v[3]) {
        unsigned long long const sq = static_cast<unsigned long long>(v[0] * v[0]) +
                                      static_cast<unsigned long long>(v[1] * v[1]);
        return static_cast<long long>(DecMath::Sqrt(sq));
    };
    using W = BigInteger<4>;
    W w1(static_cast<long long>(a));
    w1.Mul(W(norm(v2)));
    W w2(static_cast<long long>(b));
    w2.Mul(W(norm(v1)));
    W result[3];
    for (unsigned i = 0; i < 3; ++i) {
        W first = w1;
        first.Mul(W(v1[i]));
        W second = w2;
        second.Mul(W(v2[i]));
        first.Add(second);
        if (weight < 0) {
            first.Negate();
        }
        result[i] = first;
    }
    return SetHalved(result[0], result[1], result[2], line);
}

bool Geometry::TrimLineSegment(LineSegment const& segment, RectangleBorder const& border, LineSegment& trimmed)
{
    Rectangle const& r = border.GetRectangle();
    if (border.IsEmpty() || !IsModest(segment.begin) || !IsModest(segment.end) ||
        !IsModest(Point{r.left, r.top}) || !IsModest(Point{r.right, r.bottom})) {
        return false;
    }
    long long const x0 = segment.begin.x;
    long long const y0 = segment.begin.y;
    long long const dx = static_cast<long long>(segment.end.x) - x0;
    long long const dy = static_cast<long long>(segment.end.y) - y0;
    if (dx == 0 && dy == 0) {
        if (!IsIncluding(r, segment.begin)) {
            return false;
        }
        trimmed = segment;
        return true;
    }
    // Liang-Barsky with exact fractions: p t <= q for each side.
    long long const p[4] = {-dx, dx, -dy, dy};
    long long const q[4] = {x0 - r.left, r.right - x0, y0 - r.top, r.bottom - y0};
    Fraction enter{0, 1};
    Fraction leave{1, 1};
    for (unsigned i = 0; i < 4; ++i) {
        if (p[i] == 0) {
            if (q[i] < 0) {
                return false;
            }
            continue;
        }
        Fraction const t = p[i] < 0 ? Fraction{-q[i], -p[i]} : Fraction{q[i], p[i]};
        if (p[i] < 0) {
            if (Less(enter, t)) {
                enter = t;
            }
        } else if (Less(t, leave)) {
            leave = t;
        }
    }
    if (Less(leave, enter)) {
        return false;
    }
    auto at = [&](Fraction const& t, Point& out) {
        long long ox = 0;
        long long oy = 0;
        RoundDivide(dx * t.num, t.den, ox);
        RoundDivide(dy * t.num, t.den, oy);
        out.x = static_cast<int>(x0 + ox);
        out.y = static_cast<int>(y0 + oy);
    };
    LineSegment result;
    at(enter, result.begin);
    at(leave, result.end);
    trimmed = result;
    return true;
}

bool Geometry::CalcLineSegment(Line const& line, RectangleBorder const& border, LineSegment& segment)
{
    Rectangle const& r = border.GetRectangle();
    if (!line.IsValid() || border.IsEmpty()) {
        return false;
    }
    // Two points on the line just beyond the border along its flatter axis,
    // ordered along the direction (-b, a); then trim.
    LineSegment wide;
    if (Abs(line.b) >= Abs(line.a)) {
        long long const xs[2] = {static_cast<long long>(r.left) - 1, static_cast<long long>(r.right) + 1};
        bool const forward = -static_cast<long long>(line.b) > 0;
        for (unsigned i = 0; i < 2; ++i) {
            long long const x = xs[forward ? i : 1 - i];
            long long y = 0;
            if (!RoundDivide(-(line.a * x + line.c), line.b, y) || !FitsInt(x) || !FitsInt(y)) {
                return false;
            }
            (i == 0 ? wide.begin : wide.end) = Point{static_cast<int>(x), static_cast<int>(y)};
        }
    } else {
        long long const ys[2] = {static_cast<long long>(r.top) - 1, static_cast<long long>(r.bottom) + 1};
        bool const forward = line.a > 0;
        for (unsigned i = 0; i < 2; ++i) {
            long long const y = ys[forward ? i : 1 - i];
            long long x = 0;
            if (!RoundDivide(-(line.b * y + line.c), line.a, x) || !FitsInt(x) || !FitsInt(y)) {
                return false;
            }
            (i == 0 ? wide.begin : wide.end) = Point{static_cast<int>(x), static_cast<int>(y)};
        }
    }
    return TrimLineSegment(wide, border, segment);
}

bool Geometry::IsIncluding(Rectangle const& r, Region const& region)
{
    for (Point const& p : region.corner) {
        if (!IsIncluding(r, p)) {
            return false;
        }
    }
    return true;
}

bool Geometry::IsIncluding(Region const& region, Point const& p)
{
    bool inside = false;
    for (unsigned i = 0; i < 4; ++i) {
        Point const& u = region.corner[i];
        Point const& v = region.corner[(i + 1) & 3];
        long long const cross = (static_cast<long long>(v.x) - u.x) * (static_cast<long long>(p.y) - u.y) -
                                (static_cast<long long>(v.y) - u.y) * (static_cast<long long>(p.x) - u.x);
        bool const withinX = (p.x >= u.x && p.x <= v.x) || (p.x >= v.x && p.x <= u.x);
        bool const withinY = (p.y >= u.y && p.y <= v.y) || (p.y >= v.y && p.y <= u.y);
        if (cross == 0 && withinX && withinY) {
            return true;  // on a side
        }
        // Crossing count of a ray toward +x, each side taken half-open in y.
        if ((u.y > p.y) != (v.y > p.y)) {
            // x of the side at p.y compared with p.x, without division.
            long long const lhs = (static_cast<long long>(p.x) - u.x) * (static_cast<long long>(v.y) - u.y);
            long long const rhs = (static_cast<long long>(v.x) - u.x) * (static_cast<long long>(p.y) - u.y);
            bool const sideRight = (v.y > u.y) ? (lhs < rhs) : (lhs > rhs);
            if (sideRight) {
                inside = !inside;
            }
        }
    }
    return inside;
}

unsigned Geometry::CalcChebyshevDistance(Point const& p, Point const& q)
{
    long long const dx = Abs(static_cast<long long>(q.x) - p.x);
    long long const dy = Abs(static_cast<long long>(q.y) - p.y);
    return static_cast<unsigned>(dx > dy ? dx : dy);
}

unsigned Geometry::CalcManhattanDistance(Point const& p, Point const& q)
{
    long long const sum = Abs(static_cast<long long>(q.x) - p.x) + Abs(static_cast<long long>(q.y) - p.y);
    return sum > static_cast<long long>(UINT_MAX) ? UINT_MAX : static_cast<unsigned>(sum);
}

unsigned Geometry::CalcEuclideanDistance(Point const& p, Point const& q)
{
    unsigned long long const dx = static_cast<unsigned long long>(Abs(static_cast<long long>(q.x) - p.x));
    unsigned long long const dy = static_cast<unsigned long long>(Abs(static_cast<long long>(q.y) - p.y));
    if (dx >= (1ULL << 31) || dy >= (1ULL << 31)) {
        return UINT_MAX;
    }
    unsigned long long const sq = dx * dx + dy * dy;
    unsigned long long const root = DecMath::Sqrt(sq);
    // Round: up when sq > root^2 + root (the square of root + 1/2 less 1/4).
    return static_cast<unsigned>(sq > root * root + root ? root + 1 : root);
}

int Geometry::CalcChebyshevOffset(Point const& p, Point const& q)
{
    long long const dx = static_cast<long long>(q.x) - p.x;
    long long const dy = static_cast<long long>(q.y) - p.y;
    long long const offset = Abs(dx) >= Abs(dy) ? dx : dy;
    return offset > INT_MAX ? INT_MAX : (offset < INT_MIN ? INT_MIN : static_cast<int>(offset));
}

void Geometry::CalcRectangle(LineSegment const& s, Rectangle& r)
{
    r.left = s.begin.x < s.end.x ? s.begin.x : s.end.x;
    r.right = s.begin.x < s.end.x ? s.end.x : s.begin.x;
    r.top = s.begin.y < s.end.y ? s.begin.y : s.end.y;
    r.bottom = s.begin.y < s.end.y ? s.end.y : s.begin.y;
}

void Geometry::CalcRectangle(Region const& region, Rectangle& r)
{
    r = Rectangle{region.corner[0].x, region.corner[0].y, region.corner[0].x, region.corner[0].y};
    for (Point const& p : region.corner) {
        r.left = p.x < r.left ? p.x : r.left;
        r.right = p.x > r.right ? p.x : r.right;
        r.top = p.y < r.top ? p.y : r.top;
        r.bottom = p.y > r.bottom ? p.y : r.bottom;
    }
}

bool Geometry::CalcSharedRectangle(Rectangle const& r1, Rectangle const& r2, Rectangle& shared)
{
    Rectangle const r{r1.left > r2.left ? r1.left : r2.left, r1.top > r2.top ? r1.top : r2.top,
                      r1.right < r2.right ? r1.right : r2.right, r1.bottom < r2.bottom ? r1.bottom : r2.bottom};
    if (r.left > r.right || r.top > r.bottom) {
        return false;
    }
    shared = r;
    return true;
}

}  // namespace DEC2DIvra
