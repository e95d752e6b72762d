#include "decoder/matrix/aztec/calc_finder_region_subroutine.h"

#include "decoder/core/containers/array_iterator.h"
#include "decoder/core/geometry/geometry.h"
#include "decoder/core/sampling/calc_edge_point_subroutine.h"

namespace DEC2DIvra {

bool CalcFinderRegionSubroutine::Start(GrayImage const& image, Region const& expected, Vector const (&steps)[4],
                                       bool inside, Region& found) const
{
    Line lines[4];
    for (unsigned s = 0; s < 4; ++s) {
        if (!CalcRoughEdgeLine(image, expected, steps[s], s, inside, lines[s])) {
            return false;
        }
    }
    Region out{};
    for (unsigned t = 0; t < 4; ++t) {
        if (!Geometry::CalcCrossPoint(lines[t], lines[(t + 3) & 3], out[t])) {
            return false;
        }
    }
    found = out;
    return true;
}

bool CalcFinderRegionSubroutine::CalcRoughEdgeLine(GrayImage const& image, Region const& expected, Vector const& step,
                                                   unsigned s, bool inside, Line& line) const
{
    Point const& a = expected[s];
    Point const& b = expected[s + 1];
    Point points[kPoints];
    unsigned count = 0;
    CalcEdgePointSubroutine const edge;
    for (unsigned k = 1; k <= kPoints; ++k) {
        Point on{};
        if (!Geometry::CalcDividingPoint(static_cast<int>(kPoints + 1 - k), a, static_cast<int>(k), b, on)) {
            continue;
        }
        Point const from{on.x - step.dx / 2, on.y - step.dy / 2};
        Point const to{on.x + step.dx / 2, on.y + step.dy / 2};
        Point found{};
        if (edge.Start(image, from, to, inside, 8, found)) {
            points[count++] = found;
        }
    }
    return count >= 2 && Geometry::CalcLine(ArrayIterator<Point const>(points, count), line, -1);
}

}  // namespace DEC2DIvra
