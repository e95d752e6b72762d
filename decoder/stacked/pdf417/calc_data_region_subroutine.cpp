#include "decoder/stacked/pdf417/calc_data_region_subroutine.h"

#include <initializer_list>

#include "decoder/core/geometry/geometry.h"
#include "decoder/core/geometry/geometry_ex.h"
#include "decoder/core/gray_image.h"
#include "decoder/core/sampling/calc_edge_point_subroutine.h"
#include "decoder/stacked/pdf417/calc_pdf_column_subroutine.h"
#include "decoder/stacked/pdf417/data_stack_array.h"

namespace DEC2DIvra {

namespace {

constexpr int kOne = 256;  // one pixel in point units
constexpr unsigned kMaxProbeRows = 90;
constexpr unsigned kEdgeStrength = 32;

// Inside the image less a one-pixel border.
bool IsInner(GrayImage const& image, Point const& p)
{
    return p.x >= kOne && p.y >= kOne && p.x <= (image.GetWidth() - 2) * kOne && p.y <= (image.GetHeight() - 2) * kOne;
}

Point Add(Point const& p, Vector const& v, int times = 1)
{
    return Point{static_cast<int>(p.x + static_cast<long long>(v.dx) * times),
                 static_cast<int>(p.y + static_cast<long long>(v.dy) * times)};
}

// v * num / den, rounded; false for a zero denominator.
bool Scale(Vector const& v, int num, int den, Vector& out)
{
    long long x = 0;
    long long y = 0;
    if (!Geometry::RoundDivide(static_cast<long long>(v.dx) * num, den, x) ||
        !Geometry::RoundDivide(static_cast<long long>(v.dy) * num, den, y)) {
        return false;
    }
    out = Vector{static_cast<int>(x), static_cast<int>(y)};
    return true;
}

int Grey(GrayImage const& image, Point const& p)
{
    return static_cast<int>(GeometryEx::GetLuminance(image, p, 8));
}

int Abs(int v)
{
    return v < 0 ? -v : v;
}

}  // namespace

bool CalcDataRegionSubroutine::Start(GrayImage const& image, Region const& from, unsigned rows, bool inverted,
                                     bool fine, bool side, unsigned ratio, Region& out) const
{
    if (rows == 0) {
        return false;
    }
    Vector width;  // across the previous column, left to right
    Geometry::CalcVector(from[0], from[1], width);
    Vector widthLow;
    Geometry::CalcVector(from[3], from[2], widthLow);
    // The new column: one column width beyond the previous one's far side.
    Region next;
    if (!side) {
        next[0] = from[1];
        next[3] = from[2];
        next[1] = Add(from[1], width);
        next[2] = Add(from[2], widthLow);
    } else {
        next[1] = from[0];
        next[2] = from[3];
        next[0] = Add(from[0], width, -1);
        next[3] = Add(from[3], widthLow, -1);
    }
    Line top;
    Line bottom;
    if (!Geometry::CalcLine(next[0], next[1], top) || !Geometry::CalcLine(next[3], next[2], bottom)) {
        return false;
    }
    unsigned const farTop = side ? 0 : 1;
    unsigned const farBottom = side ? 3 : 2;
    if (fine && rows > kFineRows) {
        // A column's left side is where its first bar begins: light to dark
        // going right, whichever way the columns are stepped.
        unsigned const range = Geometry::CalcChebyshevDistance(width) >> 9 > 5
                                   ? Geometry::CalcChebyshevDistance(width) >> 9
                                   : 5;
        Line far;
        CalcFineEdgeLineSubroutine fineEdge;
        if (fineEdge.Start(image, LineSegment{next[farTop], next[farBottom]}, width, !inverted, range, far)) {
            Point crossTop;
            Point crossBottom;
            if (Geometry::CalcCrossPoint(far, top, crossTop) && Geometry::CalcCrossPoint(far, bottom, crossBottom)) {
                next[farTop] = crossTop;
                next[farBottom] = crossBottom;
            }
        }
        if (!side) {
            // The near side is this column's left side: fitted to its first bar.
            Vector half;
            Line near;
            Point crossTop;
            Point crossBottom;
            if (Scale(width, 1, 34, half) && (half.dx != 0 || half.dy != 0) &&
                CalcLowSymbolEdgeLine(image, LineSegment{next[0], next[3]}, half, rows, inverted, near) &&
                Geometry::CalcCrossPoint(near, top, crossTop) && Geometry::CalcCrossPoint(near, bottom, crossBottom)) {
                next[0] = crossTop;
                next[3] = crossBottom;
            }
        }
    }
    // The far side's ends where the symbol's rows end: a corner moves to
    // the edge met within one row of it.
    Line farLine;
    if (!Geometry::CalcLine(next[farTop], next[farBottom], farLine)) {
        return false;
    }
    Vector across;
    Geometry::CalcVector(next[farTop], next[side ? 1 : 0], across);
    auto const settle = [&](unsigned corner, unsigned other, Line const& level) {
        Vector toOther;
        Vector rowStep;
        Geometry::CalcVector(next[corner], next[other], toOther);
        if (!Scale(toOther, 1, static_cast<int>(2 * rows), rowStep)) {
            return;
        }
        Point const inside = Add(next[corner], rowStep);
        Point edge;
        Line moved = level;
        Point crossing;
        if (CalcColumnEdgePoint(image, inside, Vector{-toOther.dx, -toOther.dy}, across, rows, ratio, inverted,
                                edge) &&
            moved.MoveTo(edge) && Geometry::CalcCrossPoint(moved, farLine, crossing) &&
            Geometry::CalcChebyshevDistance(crossing, next[corner]) <= 2 * Geometry::CalcChebyshevDistance(rowStep)) {
            next[corner] = crossing;
        }
    };
    settle(farTop, farBottom, top);
    settle(farBottom, farTop, bottom);
    for (unsigned i = 0; i < 4; ++i) {
        if (!IsInner(image, next[i])) {
            return false;
        }
    }
    out = next;
    return true;
}

bool CalcDataRegionSubroutine::Start(GrayImage const& image, CommonCharacterStack const& from, bool inverted,
                                     bool fine, bool side, unsigned ratio, DataCharacterStack& out) const
{
    unsigned const rows = from.GetCount();
    if (rows == 0) {
        return false;
    }
    Region previous;
    previous[0] = from.Boundary(0).begin;
    previous[1] = from.Boundary(0).end;
    previous[2] = from.Boundary(rows).end;
    previous[3] = from.Boundary(rows).begin;
    Region next;
    if (!Start(image, previous, rows, inverted, fine, side, ratio, next)) {
        return false;
    }
    out.Clear(rows);
    out.Boundary(0) = LineSegment{next[0], next[1]};
    out.Boundary(rows) = LineSegment{next[3], next[2]};
    return true;
}

bool CalcDataRegionSubroutine::CalcColumnEdgePoint(GrayImage const& image, Point const& corner, Vector const& along,
                                                   Vector const& across, unsigned rows, unsigned ratio, bool inverted,
                                                   Point& edge) const
{
    if (rows == 0) {
        return false;
    }
    int const divisor = static_cast<int>(rows * (ratio >= 3 ? 3 : ratio == 2 ? 2 : 1));
    Vector step;
    Vector third;
    if (!Scale(along, 1, divisor, step) || (step.dx == 0 && step.dy == 0) || !Scale(across, 1, 3, third)) {
        return false;
    }
    Point const first = Add(corner, third);
    Point const second = Add(corner, third, 2);
    if (!IsInner(image, first) || !IsInner(image, second)) {
        return false;
    }
    int previousFirst = Grey(image, first);
    int previousSecond = Grey(image, second);
    int best = 0;
    int bestStep = 0;
    for (int k = 1; k <= 3; ++k) {
        Point const a = Add(first, step, k);
        Point const b = Add(second, step, k);
        if (!IsInner(image, a) || !IsInner(image, b)) {
            return false;
        }
        int const ga = Grey(image, a);
        int const gb = Grey(image, b);
        int const d1 = ga - previousFirst;
        int const d2 = gb - previousSecond;
        int const strength = Abs(d2) > Abs(d1) + Abs(d2) / 2 ? Abs(d2) : Abs(d1) + Abs(d2) / 2;
        if (strength > best) {
            best = strength;
            bestStep = k;
        }
        previousFirst = ga;
        previousSecond = gb;
    }
    if (best <= static_cast<int>(kEdgeStrength)) {
        return false;
    }
    // The symbol's dark modules give way to the light quiet zone outward.
    Point const from = Add(second, step, bestStep - 1);
    Point const to = Add(second, step, bestStep + 1);
    if (!IsInner(image, to)) {
        return false;
    }
    bool const dark = Grey(image, from) < Grey(image, to);
    (void)inverted;
    CalcEdgePointSubroutine calc;
    return calc.Start(image, from, to, dark, 8, edge);
}

bool CalcDataRegionSubroutine::CalcLowSymbolEdgeLine(GrayImage const& image, LineSegment const& border,
                                                     Vector const& step, unsigned rows, bool inverted,
                                                     Line& line) const
{
    if (rows == 0 || rows > kMaxProbeRows) {
        return false;
    }
    // Darker means deeper into a bar (lighter in reversed polarity).
    auto const darker = [&](int a, int b) { return inverted ? a > b : a < b; };
    Point edges[kMaxProbeRows];
    unsigned count = 0;
    Vector back{-step.dx, -step.dy};
    CalcEdgePointSubroutine calc;
    for (unsigned i = 0; i < rows; ++i) {
        Point p;
        int const w = static_cast<int>(2 * i + 1);
        if (!Geometry::CalcDividingPoint(static_cast<int>(2 * rows) - w, border.begin, w, border.end, p) ||
            !IsInner(image, p)) {
            return false;
        }
        int grey = Grey(image, p);
        for (Vector const& v : {step, back}) {
            for (int k = 0; k < 3; ++k) {
                Point const q = Add(p, v);
                if (!IsInner(image, q)) {
                    return false;
                }
                int const g = Grey(image, q);
                if (!darker(g, grey)) {
                    break;
                }
                p = q;
                grey = g;
            }
        }
        // From inside the bar back across its edge into the space before it.
        Point const to = Add(p, back, 4);
        if (!IsInner(image, to)) {
            return false;
        }
        Point edge;
        if (calc.Start(image, p, to, !inverted, 8, edge)) {
            edges[count++] = edge;
        }
    }
    return count >= 2 && Geometry::CalcLine<Point>(ArrayIterator<Point const>(edges, count), line, -1);
}

}  // namespace DEC2DIvra
