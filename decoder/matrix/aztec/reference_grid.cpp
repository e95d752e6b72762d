#include "decoder/matrix/aztec/reference_grid.h"

#include "decoder/core/geometry/geometry.h"
#include "decoder/core/geometry/line_segment.h"
#include "decoder/matrix/aztec/aztec_grid_measures.h"

#include <initializer_list>

namespace DEC2DIvra {

namespace {

Vector Difference(Point const& to, Point const& from) { return Vector{to.x - from.x, to.y - from.y}; }
Vector Divided(Vector const& v, int by) { return Vector{v.dx / by, v.dy / by}; }
Vector Negated(Vector const& v) { return Vector{-v.dx, -v.dy}; }

bool InsideRectangle(GrayImage const& image, Point const& p)
{
    return p.x >= 256 && p.y >= 256 && p.x <= (image.GetWidth() - 2) * 256 && p.y <= (image.GetHeight() - 2) * 256;
}

}  // namespace

bool ReferenceGrid::CalcInsideIndex(int i, int j, unsigned& d)
{
    int const ai = i < 0 ? -i : i;
    int const aj = j < 0 ? -j : j;
    if (ai <= aj) {
        if (j == 0) {
            return false;
        }
        d = j > 0 ? 2u : 0u;
    } else {
        d = i < 0 ? 1u : 3u;
    }
    return true;
}

bool ReferenceGrid::CalcSideStep(ReferenceGridPointTable const& table, int i, int j, unsigned dIn, unsigned d,
                                 Vector& v) const
{
    Vector const in = StepToDirection::Get(dIn, 1);
    Vector const side = StepToDirection::Get(d, 1);
    Point const& p = table.At(i, j);
    int const ii = i + in.dx;
    int const ij = j + in.dy;
    Point const& inner = table.At(ii, ij);
    if (table.IsAvailable(i + side.dx, j + side.dy)) {
        v = Difference(table.At(i + side.dx, j + side.dy), p);
    } else if (table.IsAvailable(ii + side.dx, ij + side.dy)) {
        v = Difference(table.At(ii + side.dx, ij + side.dy), inner);
    } else if (table.IsAvailable(i - side.dx, j - side.dy)) {
        v = Difference(p, table.At(i - side.dx, j - side.dy));
    } else if (table.IsIndex(ii - side.dx, ij - side.dy)) {
        v = Difference(inner, table.At(ii - side.dx, ij - side.dy));
    } else {
        return false;
    }
    return true;
}

bool ReferenceGrid::CalcOutermostStepOfCenter(ReferenceGridPointTable const& table, int i, int j)
{
    unsigned dIn = 0;
    if (!CalcInsideIndex(i, j, dIn)) {
        return false;
    }
    Vector const in = StepToDirection::Get(dIn, 1);
    Vector const toInner = Difference(table.At(i + in.dx, j + in.dy), table.At(i, j));
    step_[dIn] = Divided(toInner, 16);
    step_[(dIn + 2) & 3] = Divided(Negated(toInner), 16);
    for (unsigned d : {(dIn + 1) & 3, (dIn + 3) & 3}) {
        Vector v{};
        if (!CalcSideStep(table, i, j, dIn, d, v)) {
            return false;
        }
        step_[d] = Divided(v, 16);
    }
    return true;
}

bool ReferenceGrid::CalcOutermostStepOfCenter(GrayImage const& image, bool b, bool laplacian,
                                              ReferenceGridPointTable const& table, int i, int j)
{
    unsigned dIn = 0;
    if (!CalcInsideIndex(i, j, dIn)) {
        return false;
    }
    Vector const in = StepToDirection::Get(dIn, 1);
    Point const& p = table.At(i, j);
    Point middle{};
    CalcGridCenterPointSubroutine().Start(image, laplacian, p, table.At(i + in.dx, j + in.dy), !b, 16, middle);
    Vector const toMiddle = Difference(middle, p);
    step_[dIn] = Divided(toMiddle, 8);
    step_[(dIn + 2) & 3] = Divided(Negated(toMiddle), 8);
    for (unsigned d : {(dIn + 1) & 3, (dIn + 3) & 3}) {
        Vector v{};
        if (!CalcSideStep(table, i, j, dIn, d, v)) {
            return false;
        }
        step_[d] = Divided(Divided(v, 2), 8);
    }
    return true;
}

bool ReferenceGrid::CalcOutermostStepOfCorner(ReferenceGridPointTable const& table, int ringBound, int i, int j)
{
    int const g = static_cast<int>(table.rings) < ringBound ? table.GetEdgeDistance() : 16;
    if (g <= 0) {
        return false;
    }
    Point const& p = table.At(i, j);
    int const iIn = i <= 0 ? i + 1 : i - 1;
    int const iOut = i <= 0 ? i - 1 : i + 1;
    int const jIn = j <= 0 ? j + 1 : j - 1;
    int const jOut = j <= 0 ? j - 1 : j + 1;
    int const ai = i < 0 ? -i : i;
    int const aj = j < 0 ? -j : j;
    // Columns: toward the centre column is +x left of it, -x right of it.
    unsigned const xIn = i < 0 ? 1u : 3u;
    if (ai < ringBound) {
        step_[xIn] = Divided(Difference(table.At(iIn, j), p), 16);
        step_[(xIn + 2) & 3] = Divided(Difference(table.At(iOut, jIn), table.At(i, jIn)), g);
    } else {
        Vector const v = i <= 0 ? Difference(table.At(i + 1, j), p) : Difference(p, table.At(i - 1, j));
        step_[1] = Divided(v, 16);
        step_[3] = Divided(Negated(v), 16);
    }
    unsigned const yIn = j < 0 ? 0u : 2u;
    if (aj < ringBound) {
        step_[yIn] = Divided(Difference(table.At(i, jIn), p), 16);
        step_[(yIn + 2) & 3] = Divided(Difference(table.At(iIn, jOut), table.At(iIn, j)), g);
    } else {
        Vector const v = j <= 0 ? Difference(table.At(i, j + 1), p) : Difference(p, table.At(i, j - 1));
        step_[0] = Divided(v, 16);
        step_[2] = Divided(Negated(v), 16);
    }
    return true;
}

bool ReferenceGrid::SetGrid(ReferenceGridPointTable const& table, int ringBound, int i, int j)
{
    if (!table.IsIndex(i, j)) {
        return false;
    }
    Reset(table.At(i, j));
    return i == 0 || j == 0 ? CalcOutermostStepOfCenter(table, i, j)
                            : CalcOutermostStepOfCorner(table, ringBound, i, j);
}

bool ReferenceGrid::SetCenterGrid(GrayImage const& image, bool b, bool laplacian, ReferenceGridPointTable const& table,
                                  int i, int j)
{
    if (!table.IsIndex(i, j) || (i != 0 && j != 0)) {
        return false;
    }
    Reset(table.At(i, j));
    return CalcOutermostStepOfCenter(image, b, laplacian, table, i, j);
}

void GridForSearchNextGrid::SetGrid(CommonVectorGrid const& grid, unsigned d, Point const& from, Point const& to)
{
    Reset(to);
    Vector const along = Divided(Difference(to, from), 8);
    step_[d & 3] = along;
    step_[(d + 2) & 3] = Negated(along);
    step_[(d + 1) & 3] = grid.GetStep(d + 1);
    step_[(d + 3) & 3] = grid.GetStep(d + 3);
}

void CalcGridCenterPointSubroutine::Start(GrayImage const& image, bool laplacian, Point const& p, Point const& q,
                                          bool colour, unsigned c, Point& point) const
{
    Geometry::CalcCenterPoint(p, q, point);
    if (!InsideRectangle(image, p) || !InsideRectangle(image, q)) {
        return;
    }
    int const u = static_cast<int>(c % 2);
    Point f{};
    Point g{};
    // For an even count a third and two thirds of the way from P, for an
    // odd one two and four fifths.
    if (!Geometry::CalcDividingPoint(2 + u, p, 1 + u, q, f) || !Geometry::CalcDividingPoint(1, p, 2 + 2 * u, q, g)) {
        return;
    }
    unsigned const t1 = static_cast<unsigned>(u) + c / 2 + 1;
    unsigned const t2 = c / 2 + 1;
    CalcGridCorrelationSubroutine const correlation;
    int best = 0;
    for (int k = 0; k <= 8; ++k) {
        Point x{};
        if (!Geometry::CalcDividingPoint(8 - k, f, k, g, x)) {
            continue;
        }
        int first = 0;
        int second = 0;
        correlation.Start(image, laplacian, t1, LineSegment{p, x}, colour, first);
        correlation.Start(image, laplacian, t2, LineSegment{q, x}, u != 0 ? !colour : colour, second);
        if (first + second > best) {
            best = first + second;
            point = x;
        }
    }
}

}  // namespace DEC2DIvra
