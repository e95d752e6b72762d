#pragma once

#include "decoder/core/containers/array_iterator.h"
#include "decoder/core/arithmetic/big_integer.h"
#include "decoder/core/geometry/line.h"
#include "decoder/core/geometry/line_segment.h"
#include "decoder/core/geometry/point.h"
#include "decoder/core/geometry/rectangle.h"
#include "decoder/core/geometry/rectangle_border.h"
#include "decoder/core/geometry/region.h"
#include "decoder/core/geometry/vector.h"

namespace DEC2DIvra {

// Integer plane geometry. Every rounding is to the nearest integer with halves
// upward; products and sums are formed in 64 bits or wider, never in int.
// Operations that can fail answer false and leave their output unchanged.
class Geometry {
public:
    // Sums of a least-squares fit (wide enough for any run of int points).
    struct LeastSquaresSums {
        long long narrow[6] = {};  // n, sx, sy, sxx, syy, sxy while they fit
        bool wide = false;
        BigInteger<8> n, sx, sy, sxx, syy, sxy;
        void Add(long long x, long long y);
        void Widen();
    };

    // num / den rounded to nearest (floor(num / den + 1/2)); false when den is
    // 0 or the quotient does not fit.
    static bool RoundDivide(long long numerator, long long denominator, long long& quotient);

    static void CalcCenterPoint(Point const& p, Point const& q, Point& centre);
    // (a P + b Q) / (a + b) per coordinate, rounded to nearest; negative weights
    // extrapolate (20, A, -3, B gives the point 3/17 of AB beyond A). False when
    // a + b is 0 or the point does not fit.
    static bool CalcDividingPoint(int a, Point const& p, int b, Point const& q, Point& point);
    static bool CalcCenterPoint(int a, Point const& p, int b, Point const& q, Point& point)
    {
        return CalcDividingPoint(a, p, b, q, point);
    }

    static void CalcVector(Point const& from, Point const& to, Vector& vector)
    {
        vector.dx = to.x - from.x;
        vector.dy = to.y - from.y;
    }

    // The line through P and Q: a = Q.y - P.y, b = P.x - Q.x,
    // c = Q.x P.y - P.x Q.y, halved together while c does not fit 32 bits.
    // Its direction (-b, a) points from P to Q. False when P equals Q.
    static bool CalcLine(Point const& p, Point const& q, Line& line);

    // Least-squares lines through the points of a run (T has int members x and
    // y), leaving out the point visited at index `skip` (-1: none). CalcLineY
    // fits y as a function of x (direction toward +x), CalcLineX x as a
    // function of y (direction toward +y); CalcLine takes whichever fits the
    // axis along which the points spread more. False for fewer than two points
    // or when the points give no such line.
    template <class T>
    static bool CalcLine(ArrayIterator<T const> const& points, Line& line, int skip)
    {
        LeastSquaresSums sums;
        return Accumulate(points, skip, sums) && FitLine(sums, kFitAny, line);
    }
    template <class T>
    static bool CalcLineX(ArrayIterator<T const> const& points, Line& line, int skip)
    {
        LeastSquaresSums sums;
        return Accumulate(points, skip, sums) && FitLine(sums, kFitX, line);
    }
    template <class T>
    static bool CalcLineY(ArrayIterator<T const> const& points, Line& line, int skip)
    {
        LeastSquaresSums sums;
        return Accumulate(points, skip, sums) && FitLine(sums, kFitY, line);
    }

    // The crossing point rounded to nearest; false for parallel lines or a
    // crossing that does not fit.
    static bool CalcCrossPoint(Line const& l1, Line const& l2, Point& point);

    // The line dividing L1 and L2 in the ratio of the weights, as points are
    // divided: every point of it has a x d(L1) + b x d(L2) = 0 for the signed
    // distances d (L2 turned to face the way L1 faces). Negative weights
    // extrapolate: 2, L0, -1, L1 gives the line one spacing beyond L0. False
    // when a + b is 0 or no line results.
    static bool CalcDividingLine(int a, Line const& l1, int b, Line const& l2, Line& line);
    static bool CalcCenterLine(int a, Line const& l1, int b, Line const& l2, Line& line)
    {
        return CalcDividingLine(a, l1, b, l2, line);
    }

    // The part of the segment inside the border, in the segment's direction;
    // false when no part lies inside (or a coordinate lies beyond +-2^30).
    static bool TrimLineSegment(LineSegment const& segment, RectangleBorder const& border, LineSegment& trimmed);
    // The part of the line inside the border, directed along (-b, a); false
    // when the line misses it.
    static bool CalcLineSegment(Line const& line, RectangleBorder const& border, LineSegment& segment);

    static bool IsIncluding(Rectangle const& r, Point const& p)
    {
        return p.x >= r.left && p.x <= r.right && p.y >= r.top && p.y <= r.bottom;
    }
    static bool IsIncluding(Rectangle const& r, LineSegment const& s)
    {
        return IsIncluding(r, s.begin) && IsIncluding(r, s.end);
    }
    static bool IsIncluding(Rectangle const& r, Region const& region);
    static bool IsIncluding(RectangleBorder const& b, Point const& p) { return IsIncluding(b.GetRectangle(), p); }
    static bool IsIncluding(RectangleBorder const& b, LineSegment const& s) { return IsIncluding(b.GetRectangle(), s); }
    static bool IsIncluding(RectangleBorder const& b, Region const& r) { return IsIncluding(b.GetRectangle(), r); }
    // The point inside the quadrilateral, its sides included.
    static bool IsIncluding(Region const& region, Point const& p);

    static unsigned CalcChebyshevDistance(Point const& p, Point const& q);
    static unsigned CalcChebyshevDistance(Vector const& v) { return CalcChebyshevDistance(Point{}, Point{v.dx, v.dy}); }
    static unsigned CalcChebyshevDistance(LineSegment const& s) { return CalcChebyshevDistance(s.begin, s.end); }
    static unsigned CalcManhattanDistance(Point const& p, Point const& q);
    static unsigned CalcManhattanDistance(Vector const& v) { return CalcManhattanDistance(Point{}, Point{v.dx, v.dy}); }
    static unsigned CalcManhattanDistance(LineSegment const& s) { return CalcManhattanDistance(s.begin, s.end); }
    // Rounded to nearest.
    static unsigned CalcEuclideanDistance(Point const& p, Point const& q);
    static unsigned CalcEuclideanDistance(Vector const& v) { return CalcEuclideanDistance(Point{}, Point{v.dx, v.dy}); }
    // The signed offset from p to q along the axis on which they differ more.
    static int CalcChebyshevOffset(Point const& p, Point const& q);

    // Bounding rectangles.
    static void CalcRectangle(LineSegment const& segment, Rectangle& rectangle);
    static void CalcRectangle(Region const& region, Rectangle& rectangle);
    // The intersection of two rectangles; false when it is empty.
    static bool CalcSharedRectangle(Rectangle const& r1, Rectangle const& r2, Rectangle& shared);

private:
    enum FitKind { kFitAny, kFitX, kFitY };

    template <class T>
    static bool Accumulate(ArrayIterator<T const> points, int skip, LeastSquaresSums& sums)
    {
        unsigned const count = points.GetRemaining();
        unsigned used = 0;
        for (unsigned index = 0; index < count; ++index, points.Next()) {
            if (static_cast<int>(index) == skip) {
                continue;
            }
            sums.Add(points->x, points->y);
            ++used;
        }
        return used >= 2;
    }

    static bool FitLine(LeastSquaresSums sums, FitKind kind, Line& line);
};

}  // namespace DEC2DIvra
