#pragma once

#include "decoder/core/geometry/line_segment.h"

namespace DEC2DIvra {

// A pattern's segment (1/256 pixel) lengthened by a fifth at each end, in
// whole pixels: the test line laid through it while a column is followed.
inline LineSegment LengthenFinderSegment(LineSegment const& s)
{
    long long const vx = static_cast<long long>(s.end.x) - s.begin.x;
    long long const vy = static_cast<long long>(s.end.y) - s.begin.y;
    auto pixel = [](long long v) { return static_cast<int>(v / 256); };
    return LineSegment{Point{pixel(s.begin.x - vx / 5), pixel(s.begin.y - vy / 5)},
                       Point{pixel(s.end.x + vx / 5), pixel(s.end.y + vy / 5)}};
}

// The segment moved by (dx, dy), each coordinate held within +-2^30 so that
// later sums cannot overflow.
inline LineSegment ShiftFinderSegment(LineSegment const& s, long long dx, long long dy)
{
    auto clamp = [](long long v) {
        return static_cast<int>(v > 0x3FFFFFFF ? 0x3FFFFFFF : (v < -0x3FFFFFFF ? -0x3FFFFFFF : v));
    };
    return LineSegment{Point{clamp(s.begin.x + dx), clamp(s.begin.y + dy)},
                       Point{clamp(s.end.x + dx), clamp(s.end.y + dy)}};
}

}  // namespace DEC2DIvra
