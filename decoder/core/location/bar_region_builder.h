#pragma once

#include "decoder/core/location/bar_region_axis.h"
#include "decoder/core/geometry/rectangle.h"
#include "decoder/core/geometry/region.h"

namespace DEC2DIvra {

// The region over the stretch s0 .. s1 of an axis and t0 .. t1 across it:
// corners 0 and 1 at t0, 2 and 3 at t1, so that its reading direction runs
// along the axis. The stretch across is cut so that every corner lies inside
// the area; false when nothing is left.
class CalcBarRegionSubroutine {
public:
    bool Start(BarRegionAxis const& axis, int s0, int s1, int t0, int t1, Rectangle const& area,
               Region& region) const;
};

}  // namespace DEC2DIvra
