#include "decoder/matrix/data_matrix/data_matrix_timing_line.h"

#include "decoder/core/arithmetic/dec_math.h"
#include "decoder/core/containers/array_iterator.h"
#include "decoder/core/geometry/geometry.h"

namespace DEC2DIvra {

namespace {

constexpr long long kOne = 256;  // 1/256 pixel

// v scaled to `length` (1/256 pixel); false for a zero vector.
bool Scale(Vector const& v, long long length, Vector& scaled)
{
    long long const norm = DecMath::Sqrt(static_cast<unsigned long long>(static_cast<long long>(v.dx) * v.dx +
                                                                         static_cast<long long>(v.dy) * v.dy));
    long long dx = 0;
    long long dy = 0;
    if (norm == 0 || !Geometry::RoundDivide(v.dx * length, norm, dx) || !Geometry::RoundDivide(v.dy * length, norm, dy)) {
        return false;
    }
    scaled = Vector{static_cast<int>(dx), static_cast<int>(dy)};
    return true;
}

Point Add(Point const& p, Vector const& v, long long times = 1)
{
    return Point{static_cast<int>(p.x + v.dx * times), static_cast<int>(p.y + v.dy * times)};
}

}  // namespace

unsigned CalcTimingEdgeLineSubroutine::Start(GrayImage const& image, LineSegment const& side, Vector const& outward,
                                             unsigned width, Line& edge, bool fifths) const
{
    int const near = fifths ? 2 : 1;
    int const far = fifths ? 3 : 2;
    int const parts = fifths ? 5 : 3;
    Point nearEnd;
    Point farStart;
    if (!Geometry::CalcDividingPoint(parts - near, side.begin, near, side.end, nearEnd) ||
        !Geometry::CalcDividingPoint(parts - far, side.begin, far, side.end, farStart)) {
        return 0;
    }
    PickTimingEdgePointSubroutine const pick(*work_);
    Point points[2];
    if (pick.Start(image, LineSegment{side.begin, nearEnd}, outward, width / 2, width / 2, points[0]) == 0 ||
        pick.Start(image, LineSegment{farStart, side.end}, outward, width / 2, width / 2, points[1]) == 0) {
        return 0;
    }
    Line line;
    if (!Geometry::CalcLine(points[0], points[1], line)) {
        return 0;
    }
    edge = line;
    return 1;
}

unsigned CalcTimingPatternPolygonalLine::Start(GrayImage const& image, Point const& start, Vector const& step,
                                               Vector const& side, bool outwardLeft,
                                               StackInterface<Line>& lines) const
{
    long long const sideLength = Geometry::CalcChebyshevDistance(side);
    long long const stepLength = DecMath::Sqrt(static_cast<unsigned long long>(
        static_cast<long long>(step.dx) * step.dx + static_cast<long long>(step.dy) * step.dy));
    if (sideLength == 0 || stepLength == 0) {
        return 0;
    }
    // The picking widths, in whole pixels.
    long long const w1 = sideLength / 1536 > 24 ? sideLength / 1536 : 24;
    long long const w2 = sideLength / 6144 > 8 ? sideLength / 6144 : 8;
    // The module edges along the side: a window of a third of a step (two
    // pixels at least) on either side of the outer edge, walked along the
    // whole side and some way beyond both ends.
    Vector const across = outwardLeft ? Vector{side.dy, -side.dx} : Vector{-side.dy, side.dx};
    Vector window;
    Vector out;
    long long const reach = stepLength / 3 > 2 * kOne ? stepLength / 3 : 2 * kOne;
    if (!Scale(across, reach, window) || !Scale(across, kOne, out)) {
        return 0;
    }
    Point const middle = Add(start, Vector{side.dx / 2, side.dy / 2});
    LineSegment const crossing{Add(middle, window, -1), Add(middle, window)};
    long long const half = DecMath::Sqrt(static_cast<unsigned long long>(
                               static_cast<long long>(side.dx) * side.dx + static_cast<long long>(side.dy) * side.dy)) /
                           2;
    PickTimingEdgePointSubroutine const pick(*work_);
    constexpr unsigned kMostEdges = 160;
    Point edges[kMostEdges];
    StackInterface<Point> found(edges, kMostEdges);
    unsigned const wide = static_cast<unsigned>(half + w1 * kOne);
    if (pick.Start(image, crossing, side, wide, wide, found) == 0) {
        unsigned const narrow = static_cast<unsigned>(half + w2 * kOne);
        if (!work_->failed || pick.Start(image, crossing, side, narrow, narrow, found) == 0) {
            return 0;
        }
    }
    // From each module edge four more outer edge points, the step doubled
    // each time, towards the side's middle; the five fitted by a line.
    unsigned const width = static_cast<unsigned>(w2 * kOne);
    for (unsigned i = 0; i < found.GetCount() && !lines.IsFull(); ++i) {
        Point chain[5] = {edges[i]};
        long long const along = static_cast<long long>(edges[i].x - start.x) * side.dx +
                                static_cast<long long>(edges[i].y - start.y) * side.dy;
        long long const whole = static_cast<long long>(side.dx) * side.dx + static_cast<long long>(side.dy) * side.dy;
        if (along < 0 || along > whole) {
            continue;  // beyond the side's ends
        }
        Vector const toward = 2 * along < whole ? step : Vector{-step.dx, -step.dy};
        bool complete = true;
        for (unsigned k = 1; k < 5 && complete; ++k) {
            Point const centre = Add(chain[k - 1], toward, 1LL << (k - 1));
            LineSegment const piece{Add(centre, toward, -1), Add(centre, toward)};
            complete = pick.Start(image, piece, out, width, width, chain[k]) != 0;
        }
        // A chain with a point off its line by more than a pixel has
        // picked something else than the side's edge somewhere.
        Line line;
        if (!complete || !Geometry::CalcLine(ArrayIterator<Point const>(chain, 5), line, -1)) {
            continue;
        }
        long long const norm = DecMath::Sqrt(static_cast<unsigned long long>(
            static_cast<long long>(line.a) * line.a + static_cast<long long>(line.b) * line.b));
        bool straight = norm > 0;
        for (unsigned k = 0; k < 5 && straight; ++k) {
            long long const off = line.Evaluate(chain[k]);
            straight = (off < 0 ? -off : off) <= norm * kOne;
        }
        if (straight) {
            lines.Push(line);
        }
    }
    return 1;
}

}  // namespace DEC2DIvra
