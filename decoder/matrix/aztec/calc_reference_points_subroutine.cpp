#include "decoder/matrix/aztec/calc_reference_points_subroutine.h"

#include "decoder/core/geometry/geometry.h"
#include "decoder/core/geometry/line.h"
#include "decoder/matrix/aztec/aztec_grid_measures.h"

#include <initializer_list>

namespace DEC2DIvra {

namespace {

constexpr unsigned kEdgeMode = CommonVectorGrid::kFractionBits;

Point Moved(Point const& p, Vector const& v) { return Point{p.x + v.dx, p.y + v.dy}; }
Vector Scaled(Vector const& v, int by) { return Vector{v.dx * by, v.dy * by}; }
Vector Divided(Vector const& v, int by) { return Vector{v.dx / by, v.dy / by}; }
Vector Sum(Vector const& a, Vector const& b) { return Vector{a.dx + b.dx, a.dy + b.dy}; }

bool InsideRectangle(GrayImage const& image, Point const& p)
{
    return p.x >= 256 && p.y >= 256 && p.x <= (image.GetWidth() - 2) * 256 && p.y <= (image.GetHeight() - 2) * 256;
}

// The module centre k steps along d from the grid's centre.
Point Along(CommonVectorGrid const& grid, unsigned d, int k)
{
    Vector const v = StepToDirection::Get(d, k);
    return grid.GetTempModuleCenter(v.dx, v.dy);
}

// Modules at even distances from a reference point show the symbol's dark
// colour; b: the symbol is light on dark. True: dark in the image.
bool ImageDark(bool b, int module) { return ((module & 1) == 0) != b; }

}  // namespace

void CalcReferencePointsSubroutine::CalcToNextPointVectorArray(Vector const (&steps)[4], bool wide,
                                                               Vector (&offsets)[kOffsets])
{
    Vector q[4];
    for (unsigned d = 0; d < 4; ++d) {
        q[d] = Divided(steps[d], 4);
    }
    for (unsigned d = 0; d < 4; ++d) {
        Vector const& here = q[d];
        Vector const& next = q[(d + 1) & 3];
        offsets[d] = Scaled(here, 2);
        offsets[4 + d] = Sum(here, next);
        offsets[8 + d] = wide ? Scaled(here, 4) : Vector{};
        offsets[12 + d] = wide ? Scaled(Sum(here, next), 2) : Vector{};
        offsets[16 + d] = wide ? Sum(Scaled(here, 3), next) : Vector{};
        offsets[20 + d] = wide ? Sum(here, Scaled(next, 3)) : Vector{};
    }
}

bool CalcReferencePointsSubroutine::CalcMaxCorrelationSegment(GrayImage const& image, bool b, bool laplacian,
                                                              bool wide, bool refineAcross, int pivot,
                                                              Vector const (&offsets)[kOffsets],
                                                              CommonVectorGrid const& grid, Vector const (&steps)[4],
                                                              unsigned d, int c, int o, LineSegment& segment) const
{
    bool const f = b == ((o & 1) != 0);
    unsigned const passes = c < 7 ? 1u : 2u;
    Point start = Along(grid, d, o);
    Point end = Along(grid, d, o + c + 1);
    CalcGridCorrelationSubroutine const correlation;
    int best = 0;
    for (unsigned pass = 0; pass < passes; ++pass) {
        bool const doubled = passes == 2 && pass == 0;
        unsigned const count = pass == 0 && wide ? kOffsets : 8u;
        // A later pass starts from the last pass's winner, whose score (or
        // none above 0) is already known: it is not sampled again.
        best = pass == 0 ? 0 : best;
        Point bestStart = start;
        Point bestEnd = end;
        for (unsigned candidate = pass == 0 ? 0u : 1u; candidate <= count; ++candidate) {
            Point s = start;
            Point e = end;
            if (candidate > 0) {
                Vector const offset = doubled ? Scaled(offsets[candidate - 1], 2) : offsets[candidate - 1];
                e = Moved(end, offset);
                if (pass == 0 && o > pivot) {
                    s = Moved(start, Divided(Scaled(offset, o - pivot), 16));
                }
            }
            if (!InsideRectangle(image, s) || !InsideRectangle(image, e)) {
                return false;
            }
            int score = 0;
            if (correlation.Start(image, laplacian, static_cast<unsigned>(c + 2), LineSegment{s, e}, f, score) &&
                score > best) {
                best = score;
                bestStart = s;
                bestEnd = e;
            }
        }
        start = bestStart;
        end = bestEnd;
    }
    // Module o + c re-centred between its edges, along and then across.
    bool const dark = ImageDark(b, o + c);
    Point middle{};
    Geometry::CalcDividingPoint(2, start, c - 1, end, middle);
    CalcModuleCenterSubroutine const centre;
    Point found{};
    if (!centre.Start(image, LineSegment{middle, end}, dark, kEdgeMode, found)) {
        Geometry::CalcCenterPoint(middle, end, found);
        segment = LineSegment{start, found};
        return true;
    }
    if (refineAcross) {
        Point const a = Moved(found, steps[(d + 1) & 3]);
        Point const z = Moved(found, steps[(d + 3) & 3]);
        Point across{};
        if (!centre.Start(image, LineSegment{a, z}, dark, kEdgeMode, across)) {
            Geometry::CalcCenterPoint(a, z, across);
        }
        found = across;
    }
    segment = LineSegment{start, found};
    return true;
}

void CalcReferencePointsSubroutine::CalcGridEndPoint(GrayImage const& image, bool b, bool laplacian, bool wide,
                                                     bool refineAcross, bool fromCentre, CommonVectorGrid const& grid,
                                                     unsigned d, int n, Point& point) const
{
    int const pivot = fromCentre ? 5 : 0;
    int const c = n < 8 ? n : 8;
    int const o = n >= 9 && n <= 11 ? n - 8 + pivot : pivot;
    Vector steps[4];
    for (unsigned k = 0; k < 4; ++k) {
        steps[k] = grid.GetStep(k);
    }
    if (fromCentre) {
        steps[(d + 2) & 3] = Vector{-steps[d & 3].dx, -steps[d & 3].dy};
    }
    Vector offsets[kOffsets];
    CalcToNextPointVectorArray(steps, wide, offsets);
    LineSegment first{};
    if (!CalcMaxCorrelationSegment(image, b, laplacian, wide, n <= 11 && refineAcross, pivot, offsets, grid, steps, d,
                                   c, o, first)) {
        point = Along(grid, d, pivot + n);
        return;
    }
    if (n < 12) {
        point = first.end;
        return;
    }
    GridForSearchNextGrid next;
    next.SetGrid(grid, d, first.begin, first.end);
    Vector nextSteps[4];
    for (unsigned k = 0; k < 4; ++k) {
        nextSteps[k] = next.GetStep(k);
    }
    CalcToNextPointVectorArray(nextSteps, wide, offsets);
    LineSegment second{};
    if (!CalcMaxCorrelationSegment(image, b, laplacian, wide, refineAcross, pivot, offsets, next, nextSteps, d, n - 8,
                                   0, second)) {
        point = Along(next, d, n - 8);
        return;
    }
    point = second.end;
}

void CalcReferencePointsSubroutine::CalcGridForSearch(GrayImage const& image, bool b, bool laplacian,
                                                      CommonVectorGrid const& grid, unsigned d,
                                                      GridForSearchNextGrid& searchGrid) const
{
    Point end{};
    CalcGridEndPoint(image, b, laplacian, false, false, false, grid, d, 8, end);
    searchGrid.SetGrid(grid, d, grid.GetCenter(), end);
}

void CalcReferencePointsSubroutine::CalcMaxCorrelationCrossPoint(GrayImage const& image, bool b, bool laplacian,
                                                                 GridForSearchNextGrid const (&grids)[2], unsigned k,
                                                                 Point& point) const
{
    Point const starts[2] = {grids[0].GetCenter(), grids[1].GetCenter()};
    Vector v[4] = {};
    for (unsigned m = 0; m < 2; ++m) {
        for (unsigned d : {(k + 1 + m) & 3, (k + 3 + m) & 3}) {
            v[d] = Divided(grids[m].GetStep(d), 3);
        }
    }
    Point const a = Along(grids[0], k + 3, 8);
    Point const bEnd = Along(grids[1], k, 8);
    Point z{};
    Geometry::CalcCenterPoint(a, bEnd, z);
    // The midpoint of the two predictions stands when nothing scores.
    point = z;
    CalcGridCorrelationSubroutine const correlation;
    int best = 0;
    for (unsigned candidate = 0; candidate < 9; ++candidate) {
        Vector const shift = candidate == 0 ? Vector{}
                             : candidate <= 4 ? v[candidate - 1]
                                              : Sum(v[candidate - 5], v[(candidate - 4) & 3]);
        Point const x = Moved(z, shift);
        if (!InsideRectangle(image, x) || !InsideRectangle(image, starts[0]) || !InsideRectangle(image, starts[1])) {
            point = z;
            return;
        }
        int first = 0;
        int second = 0;
        correlation.Start(image, laplacian, 9, LineSegment{starts[0], x}, !b, first);
        correlation.Start(image, laplacian, 9, LineSegment{starts[1], x}, !b, second);
        if (first + second > best) {
            best = first + second;
            point = x;
        }
    }
    // One module either side of the point along each line, re-centred.
    Point const q = point;
    Point centres[2];
    CalcModuleCenterSubroutine const centre;
    for (unsigned m = 0; m < 2; ++m) {
        Point const from{(7 * q.x + starts[m].x) / 8, (7 * q.y + starts[m].y) / 8};
        Point const to{(9 * q.x - starts[m].x) / 8, (9 * q.y - starts[m].y) / 8};
        if (!centre.Start(image, LineSegment{from, to}, !b, kEdgeMode, centres[m])) {
            return;
        }
    }
    Geometry::CalcCenterPoint(centres[0], centres[1], point);
}

void CalcReferencePointsSubroutine::CalcOuterPointsOnCornerGrid(GrayImage const& image, bool b, bool laplacian, int r,
                                                                int a, int c, ReferenceGridPointTable& table) const
{
    for (unsigned k = 0; k < 4; ++k) {
        int const pi = RegionCornerCoord::X(k) * a;
        int const pj = RegionCornerCoord::Y(k) * c;
        GridForSearchNextGrid grids[2];
        for (unsigned m = 0; m < 2; ++m) {
            Vector const in = StepToDirection::Get(k + 1 + m, 1);
            ReferenceGrid neighbour;
            if (!neighbour.SetGrid(table, r, pi + in.dx, pj + in.dy)) {
                return;
            }
            CalcGridForSearch(image, b, laplacian, neighbour, (k + 3 + m) & 3, grids[m]);
        }
        CalcMaxCorrelationCrossPoint(image, b, laplacian, grids, k, table.At(pi, pj));
    }
}

void CalcReferencePointsSubroutine::CalcOuterPointsOnCornerGrid(GrayImage const& image, bool b, bool laplacian, int r,
                                                                ReferenceGridPointTable& table) const
{
    for (int a = 1; a <= r; ++a) {
        CalcOuterPointsOnCornerGrid(image, b, laplacian, r, a, r, table);
        if (a < r) {
            CalcOuterPointsOnCornerGrid(image, b, laplacian, r, r, a, table);
        }
    }
}

void CalcReferencePointsSubroutine::CalcOuterPointsOnCenterGrid(GrayImage const& image, bool b, bool laplacian, int n,
                                                                int r, ReferenceGridPointTable& table) const
{
    for (unsigned k = 0; k < 4; ++k) {
        Vector const inner = StepToDirection::Get(k, r - 1);
        Vector const outer = StepToDirection::Get(k, r);
        ReferenceGrid grid;
        if (!grid.SetCenterGrid(image, b, laplacian, table, inner.dx, inner.dy)) {
            continue;
        }
        CalcGridEndPoint(image, b, laplacian, true, n == 16, false, grid, k, n, table.At(outer.dx, outer.dy));
    }
}

void CalcReferencePointsSubroutine::CalcCrossPoints(GrayImage const& image, bool b, bool laplacian,
                                                    CommonVectorGrid const& finderGrid, unsigned layers,
                                                    ReferenceGridPointTable& table) const
{
    (void)layers;  // the table's ring count says how far to search
    // The points one ring beyond the last are read while searching it: that
    // ring must lie inside the table.
    if (table.rings >= static_cast<unsigned>(ReferenceGridPointTable::kRadius)) {
        return;
    }
    for (unsigned k = 0; k < 4; ++k) {
        Vector const one = StepToDirection::Get(k, 1);
        CalcGridEndPoint(image, b, laplacian, true, true, true, finderGrid, k, 11, table.At(one.dx, one.dy));
    }
    int const rings = static_cast<int>(table.rings);
    for (int r = 1; r <= rings; ++r) {
        CalcOuterPointsOnCornerGrid(image, b, laplacian, r, table);
        if (r + 1 <= rings) {
            CalcOuterPointsOnCenterGrid(image, b, laplacian, 16, r + 1, table);
        }
    }
}

void CalcReferencePointsSubroutine::CalcSidePoints(GrayImage const& image, bool b, bool laplacian, bool rows, int a,
                                                   int c, int d, ReferenceGridPointTable& table) const
{
    int const bound = static_cast<int>(table.rings) + 1;
    for (unsigned k = 0; k < 4; ++k) {
        int const pi = RegionCornerCoord::X(k) * a;
        int const pj = RegionCornerCoord::Y(k) * c;
        ReferenceGrid grid;
        if (!grid.SetGrid(table, bound, pi, pj)) {
            continue;
        }
        unsigned const out = rows ? (k < 2 ? 0u : 2u) : (k == 1 || k == 2 ? 1u : 3u);
        Vector const step = StepToDirection::Get(out, 1);
        CalcGridEndPoint(image, b, laplacian, false, false, false, grid, out, d, table.At(pi + step.dx, pj + step.dy));
    }
}

bool CalcReferencePointsSubroutine::CalcSidePoints(GrayImage const& image, bool b, bool laplacian,
                                                   ReferenceGridPointTable& table) const
{
    int const rings = static_cast<int>(table.rings);
    int const d = table.GetEdgeDistance();
    if (rings < 1 || rings + 1 > ReferenceGridPointTable::kRadius || d <= 0) {
        return false;
    }
    CalcOuterPointsOnCenterGrid(image, b, laplacian, d, rings + 1, table);
    for (int a = 1; a <= rings; ++a) {
        CalcSidePoints(image, b, laplacian, true, a, rings, d, table);
        CalcSidePoints(image, b, laplacian, false, rings, a, d, table);
    }
    return CalcSymbolCorners(table);
}

bool CalcReferencePointsSubroutine::CalcSymbolCorners(ReferenceGridPointTable& table) const
{
    int const rings = static_cast<int>(table.rings);
    for (unsigned k = 0; k < 4; ++k) {
        int const ti = RegionCornerCoord::X(k) * (rings + 1);
        int const tj = RegionCornerCoord::Y(k) * (rings + 1);
        Point const& a = table.At(RegionCornerCoord::X(k) * rings, RegionCornerCoord::Y(k) * rings);
        Vector const s1 = StepToDirection::Get(k + 1, 1);
        Vector const s2 = StepToDirection::Get(k + 2, 1);
        Point const& b1 = table.At(ti + s1.dx, tj + s1.dy);
        Point const& b2 = table.At(ti + s2.dx, tj + s2.dy);
        Line first;
        Line second;
        if (!Geometry::CalcLine(a, b1, first) || !Geometry::CalcLine(a, b2, second) || !first.MoveTo(b2) ||
            !second.MoveTo(b1) || !Geometry::CalcCrossPoint(first, second, table.At(ti, tj))) {
            return false;
        }
    }
    return true;
}

}  // namespace DEC2DIvra
