#include "decoder/core/location/bar_region_builder.h"

namespace DEC2DIvra {

bool CalcBarRegionSubroutine::Start(BarRegionAxis const& axis, int s0, int s1, int t0, int t1,
                                    Rectangle const& area, Region& region) const
{
    if (s1 <= s0 || t1 < t0) {
        return false;
    }
    long long low = t0;
    long long high = t1;
    axis.NarrowAcross(s0, area, low, high);
    axis.NarrowAcross(s1, area, low, high);
    if (high < low) {
        return false;
    }
    region.corner[0] = axis.CalcPoint(s0, low);
    region.corner[1] = axis.CalcPoint(s1, low);
    region.corner[2] = axis.CalcPoint(s1, high);
    region.corner[3] = axis.CalcPoint(s0, high);
    return true;
}

}  // namespace DEC2DIvra
