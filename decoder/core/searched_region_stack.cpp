#include "decoder/core/searched_region_stack.h"

#include "decoder/core/geometry.h"

namespace DEC2DIvra {

bool SearchedRegionStack::IsIncluded(Point const& point) const
{
    for (Region const& region : regions_) {
        if (Geometry::IsIncluding(region, point)) {
            return true;
        }
    }
    return false;
}

}  // namespace DEC2DIvra
