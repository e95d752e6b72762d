#include "decoder/core/sampling/common_pick_edge_point_subroutine.h"

#include <climits>
#include <initializer_list>

#include "decoder/core/arithmetic/dec_math.h"
#include "decoder/core/geometry/geometry.h"

namespace DEC2DIvra {

namespace {

constexpr long long kLimit = 1LL << 40;
constexpr unsigned kMaxWidth = 1u << 30;  // keeps width x component (below 2^32) within 64 bits

// 1/256 pixel to whole pixels, rounded to nearest.
long long ToPixel(long long v) { return (v + 128) >> 8; }

bool FitsInt(long long v) { return v >= INT_MIN && v <= INT_MAX; }

}  // namespace

unsigned CommonPickEdgePointSubroutine::Initialize(GrayImage const& image, LineSegment const& segment,
                                                   Vector const& direction, unsigned width1, unsigned width2,
                                                   unsigned& before, unsigned& after)
{
    if (image.GetPixels() == nullptr || (direction.dx == 0 && direction.dy == 0) || segment.begin == segment.end ||
        width1 > kMaxWidth || width2 > kMaxWidth) {
        return 0;
    }
    // A short direction vector would make the integer length coarse: scale it
    // up first (the ratio of the components is all that matters).
    long long dx = direction.dx;
    long long dy = direction.dy;
    while ((dx < 0 ? -dx : dx) < (1 << 16) && (dy < 0 ? -dy : dy) < (1 << 16)) {
        dx *= 2;
        dy *= 2;
    }
    long long const length =
        DecMath::Sqrt(static_cast<unsigned long long>(dx * dx) + static_cast<unsigned long long>(dy * dy));
    if (length == 0) {
        return 0;
    }
    long long const mx = (static_cast<long long>(segment.begin.x) + segment.end.x) / 2;
    long long const my = (static_cast<long long>(segment.begin.y) + segment.end.y) / 2;
    auto along = [&](long long width, long long component) {
        long long v = 0;
        Geometry::RoundDivide(component * width, length, v);
        return v;
    };
    long long const bx = ToPixel(mx - along(width1, dx));
    long long const by = ToPixel(my - along(width1, dy));
    long long const ex = ToPixel(mx + along(width2, dx));
    long long const ey = ToPixel(my + along(width2, dy));
    long long const cx = ToPixel(mx);
    long long const cy = ToPixel(my);
    long long const sbx = ToPixel(static_cast<long long>(segment.begin.x) - mx);
    long long const sby = ToPixel(static_cast<long long>(segment.begin.y) - my);
    long long const sex = ToPixel(static_cast<long long>(segment.end.x) - mx);
    long long const sey = ToPixel(static_cast<long long>(segment.end.y) - my);
    for (long long v : {bx, by, ex, ey, sbx, sby, sex, sey}) {
        if (v <= -kLimit || v >= kLimit) {
            return 0;
        }
    }
    // The sampling lines sweep a parallelogram: its four corners inside the
    // image keep every sampling pixel inside.
    long long const corners[4][2] = {{bx + sbx, by + sby}, {bx + sex, by + sey}, {ex + sbx, ey + sby},
                                     {ex + sex, ey + sey}};
    for (auto const& c : corners) {
        if (!FitsInt(c[0]) || !FitsInt(c[1]) || !image.IsInside(static_cast<int>(c[0]), static_cast<int>(c[1]))) {
            return 0;
        }
    }
    LineSegment const picking{Point{static_cast<int>(bx), static_cast<int>(by)},
                              Point{static_cast<int>(ex), static_cast<int>(ey)}};
    if (picking.begin == picking.end) {
        return 0;
    }
    PtrLineSegment walk;
    if (!walk.Set(image, picking)) {
        return 0;
    }
    // Steps along the walk's major axis from its begin to the midpoint's pixel.
    long long const toMiddle = walk.IsXMajor() ? (cx - bx) : (cy - by);
    long long const total = static_cast<long long>(walk.GetLength()) - 1;
    long long first = toMiddle < 0 ? -toMiddle : toMiddle;
    first = first > total ? total : first;
    picking_ = picking;
    pickingLine_ = walk;
    samplingBegin_ = Vector{static_cast<int>(sbx), static_cast<int>(sby)};
    samplingEnd_ = Vector{static_cast<int>(sex), static_cast<int>(sey)};
    ready_ = true;
    before = static_cast<unsigned>(first);
    after = static_cast<unsigned>(total - first);
    return 1;
}

bool CommonPickEdgePointSubroutine::CalcSamplingLine(GrayImage const& image, int coordinate, LineSegment& line) const
{
    if (!ready_ || coordinate < 0 || static_cast<unsigned>(coordinate) >= pickingLine_.GetLength()) {
        return false;
    }
    Point p;
    if (!pickingLine_.CalcLineCoordPoint(image, coordinate, p)) {
        return false;
    }
    LineSegment const result{Point{p.x + samplingBegin_.dx, p.y + samplingBegin_.dy},
                             Point{p.x + samplingEnd_.dx, p.y + samplingEnd_.dy}};
    if (!image.IsInside(result.begin.x, result.begin.y) || !image.IsInside(result.end.x, result.end.y)) {
        return false;
    }
    line = result;
    return true;
}

}  // namespace DEC2DIvra
