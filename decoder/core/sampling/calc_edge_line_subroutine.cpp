#include "decoder/core/sampling/calc_edge_line_subroutine.h"

#include "decoder/core/containers/array.h"
#include "decoder/core/containers/array_iterator.h"
#include "decoder/core/arithmetic/dec_math.h"
#include "decoder/core/geometry/geometry.h"
#include "decoder/core/sampling/pick_edge_point_subroutine.h"

namespace DEC2DIvra {

namespace {

// |a x + b y + c| against a pixel (256 units) times the normal's length, so
// no division is needed.
bool IsFarFromLine(Line const& line, Point const& p, unsigned long long normal)
{
    long long const value = line.Evaluate(p);
    unsigned long long const distance = static_cast<unsigned long long>(value < 0 ? -value : value);
    return distance > normal * 256ULL;
}

}  // namespace

bool CalcEdgeLineSubroutine::Start(GrayImage const& image, LineSegment const& segment, Vector const& search,
                                   bool colour, unsigned range, Line& line) const
{
    unsigned const length = Geometry::CalcChebyshevDistance(segment);
    if (length == 0 || (search.dx == 0 && search.dy == 0)) {
        return false;
    }
    // A probe every 4 pixels or so, at least 4 and at most kMaxProbes; each
    // probe covers its share of the segment.
    unsigned probes = length / (4 * 256);
    probes = probes < 4 ? 4 : (probes > kMaxProbes ? kMaxProbes : probes);
    Array<Point, kMaxProbes> points;
    unsigned count = 0;
    PickEdgePointSubroutine const pick;
    for (unsigned k = 0; k < probes; ++k) {
        LineSegment probe;
        int const a = static_cast<int>(2 * (probes - k));  // weights of the probe's ends
        int const b = static_cast<int>(2 * k);
        if (!Geometry::CalcDividingPoint(a, segment.begin, b, segment.end, probe.begin) ||
            !Geometry::CalcDividingPoint(a - 2, segment.begin, b + 2, segment.end, probe.end)) {
            return false;
        }
        Point edge;
        if (pick.Start(image, probe, search, range, colour, edge)) {
            points[count++] = edge;
        }
    }
    unsigned const needed = (probes + 2) / 3 < 2 ? 2 : (probes + 2) / 3;
    Line fit;
    while (true) {
        if (count < needed ||
            !Geometry::CalcLine(ArrayIterator<Point const>(points.GetData(), count), fit, -1)) {
            return false;
        }
        unsigned long long const normal =
            DecMath::Sqrt(static_cast<unsigned long long>(static_cast<long long>(fit.a) * fit.a) +
                          static_cast<unsigned long long>(static_cast<long long>(fit.b) * fit.b));
        unsigned worst = count;
        long long worstValue = -1;
        for (unsigned i = 0; i < count; ++i) {
            long long const value = fit.Evaluate(points[i]);
            long long const magnitude = value < 0 ? -value : value;
            if (IsFarFromLine(fit, points[i], normal) && magnitude > worstValue) {
                worst = i;
                worstValue = magnitude;
            }
        }
        if (worst == count) {
            break;
        }
        points[worst] = points[count - 1];
        --count;
    }
    // Direct the fit along the segment: its direction (-b, a).
    long long const along = -static_cast<long long>(fit.b) * (static_cast<long long>(segment.end.x) - segment.begin.x) +
                            static_cast<long long>(fit.a) * (static_cast<long long>(segment.end.y) - segment.begin.y);
    if (along < 0 && !fit.Set(-static_cast<long long>(fit.a), -static_cast<long long>(fit.b),
                              -static_cast<long long>(fit.c))) {
        return false;
    }
    line = fit;
    return true;
}

}  // namespace DEC2DIvra
