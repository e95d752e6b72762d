#pragma once

#include "decoder/core/geometry/line.h"
#include "decoder/core/geometry/point.h"
#include "decoder/core/geometry/region.h"
#include "decoder/core/geometry/vector.h"
#include "decoder/core/gray_image.h"

namespace DEC2DIvra {

// Fits one square frame of a bull's-eye near where it is expected: each
// side's edge is met across the side at five points and a line fitted
// through them; the corners are where neighbouring sides cross. Points
// carry 8 fraction bits; corner order as RegionCornerCoord, side s between
// corners s and s + 1.
class CalcFinderRegionSubroutine {
public:
    static constexpr unsigned kPoints = 5;
    // inside: the colour just inside the edge (true dark); steps: the
    // module step outward across each side s, the walk running from half
    // of it inside to half of it outside. False when a side has fewer than
    // two edge points or two sides are parallel.
    bool Start(GrayImage const& image, Region const& expected, Vector const (&steps)[4], bool inside,
               Region& found) const;
    // The edge line of side s of the expected frame.
    bool CalcRoughEdgeLine(GrayImage const& image, Region const& expected, Vector const& step, unsigned s,
                           bool inside, Line& line) const;
};

}  // namespace DEC2DIvra
