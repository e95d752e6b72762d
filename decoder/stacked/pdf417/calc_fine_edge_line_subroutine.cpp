#include "decoder/core/geometry/geometry.h"
#include "decoder/core/sampling/pick_edge_point_subroutine.h"
#include "decoder/stacked/pdf417/calc_pdf_column_subroutine.h"

namespace DEC2DIvra {

bool CalcFineEdgeLineSubroutine::Start(GrayImage const& image, LineSegment const& segment, Vector const& search,
                                       bool colour, unsigned range, Line& line) const
{
    constexpr unsigned kProbes = 4;
    Vector const along{segment.end.x - segment.begin.x, segment.end.y - segment.begin.y};
    // A short probe (an eighth of the segment) evens out noise along the edge.
    Vector const half{along.dx / 16, along.dy / 16};
    Point edges[kProbes];
    long long offsets[kProbes] = {};
    unsigned found = 0;
    for (unsigned k = 1; k <= kProbes; ++k) {
        Point probe;
        if (!Geometry::CalcDividingPoint(static_cast<int>(kProbes - k), segment.begin, static_cast<int>(k), segment.end,
                                         probe)) {
            continue;
        }
        LineSegment const shortProbe{{probe.x - half.dx, probe.y - half.dy}, {probe.x + half.dx, probe.y + half.dy}};
        Point edge;
        if (!PickEdgePointSubroutine().Start(image, shortProbe, search, range, colour, edge)) {
            continue;
        }
        edges[found] = edge;
        offsets[found] = Geometry::CalcChebyshevOffset(probe, edge);
        ++found;
    }
    if (found < 2) {
        return false;
    }
    Line fitted;
    if (found == 2) {
        if (!Geometry::CalcLine(edges[0], edges[1], fitted)) {
            return false;
        }
    } else {
        long long sum = 0;
        for (unsigned i = 0; i < found; ++i) {
            sum += offsets[i];
        }
        // Compare n x offset with the sum so that the mean needs no division.
        unsigned worst = 0;
        long long worstDifference = -1;
        for (unsigned i = 0; i < found; ++i) {
            long long d = offsets[i] * found - sum;
            d = d < 0 ? -d : d;
            if (d > worstDifference) {
                worstDifference = d;
                worst = i;
            }
        }
        long long const limit = (search.dx < 0 ? -static_cast<long long>(search.dx) : search.dx) >
                                        (search.dy < 0 ? -static_cast<long long>(search.dy) : search.dy)
                                    ? (search.dx < 0 ? -static_cast<long long>(search.dx) : search.dx)
                                    : (search.dy < 0 ? -static_cast<long long>(search.dy) : search.dy);
        int const skip = worstDifference * 16 > limit * found ? static_cast<int>(worst) : -1;
        if (!Geometry::CalcLine(ArrayIterator<Point const>(edges, found), fitted, skip)) {
            return false;
        }
    }
    // Directed as the segment runs.
    Point const direction{-fitted.b, fitted.a};
    if (static_cast<long long>(direction.x) * along.dx + static_cast<long long>(direction.y) * along.dy < 0) {
        fitted = Line(-fitted.a, -fitted.b, -fitted.c);
    }
    line = fitted;
    return true;
}

}  // namespace DEC2DIvra
