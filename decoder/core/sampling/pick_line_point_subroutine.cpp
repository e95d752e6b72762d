#include "decoder/core/sampling/pick_line_point_subroutine.h"

#include <climits>

#include "decoder/core/sampling/calc_edge_point_subroutine.h"
#include "decoder/core/geometry/geometry.h"

namespace DEC2DIvra {

namespace {

bool FitsInt(long long v) { return v >= INT_MIN && v <= INT_MAX; }

}  // namespace

bool PickLinePointSubroutine::Start(GrayImage const& image, LineSegment const& window, Vector const& search,
                                    unsigned steps, bool colour, Point& edge) const
{
    if (steps == 0 || steps > kMaxSteps || (search.dx == 0 && search.dy == 0)) {
        return false;
    }
    long long const sx = search.dx;
    long long const sy = search.dy;
    long long const squared = sx * sx + sy * sy;  // below 2^63
    CalcEdgePointSubroutine const calc;
    // Offsets along the search vector, in 1/65536 of it.
    long long offsets[kMaxSteps];
    unsigned found = 0;
    for (unsigned k = 0; k < steps; ++k) {
        // Places at (2k + 1) / (2 steps) of the window: evenly spread, ends
        // kept half a spacing in.
        Point place;
        if (!Geometry::CalcDividingPoint(static_cast<int>(2 * (steps - k) - 1), window.begin,
                                         static_cast<int>(2 * k + 1), window.end, place)) {
            return false;
        }
        long long const fromX = place.x - sx;
        long long const fromY = place.y - sy;
        long long const toX = place.x + sx;
        long long const toY = place.y + sy;
        if (!FitsInt(fromX) || !FitsInt(fromY) || !FitsInt(toX) || !FitsInt(toY)) {
            return false;
        }
        Point point;
        if (!calc.Start(image, Point{static_cast<int>(fromX), static_cast<int>(fromY)},
                        Point{static_cast<int>(toX), static_cast<int>(toY)}, colour, kFractionBits, point)) {
            continue;
        }
        // The edge lies on the search line, within the search vector of the
        // place.
        long long const dot = (point.x - static_cast<long long>(place.x)) * sx +
                              (point.y - static_cast<long long>(place.y)) * sy;
        // |dot| <= squared, so dot x 2^16 fits while squared stays below 2^46.
        long long offset = 0;
        if (squared < (1LL << 46)) {
            Geometry::RoundDivide(dot * 65536, squared, offset);
        } else {
            Geometry::RoundDivide(dot, squared >> 16, offset);
        }
        // Insertion keeps the offsets sorted for the median.
        unsigned i = found++;
        while (i > 0 && offsets[i - 1] > offset) {
            offsets[i] = offsets[i - 1];
            --i;
        }
        offsets[i] = offset;
    }
    if (found == 0 || 2 * found < steps) {
        return false;
    }
    long long const median = found % 2 == 1 ? offsets[found / 2] : (offsets[found / 2 - 1] + offsets[found / 2]) / 2;
    Point middle;
    Geometry::CalcCenterPoint(window.begin, window.end, middle);
    long long ox = 0;
    long long oy = 0;
    Geometry::RoundDivide(sx * median, 65536, ox);
    Geometry::RoundDivide(sy * median, 65536, oy);
    long long const x = middle.x + ox;
    long long const y = middle.y + oy;
    if (!FitsInt(x) || !FitsInt(y)) {
        return false;
    }
    edge = Point{static_cast<int>(x), static_cast<int>(y)};
    return true;
}

}  // namespace DEC2DIvra
