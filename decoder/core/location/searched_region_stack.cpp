#include "decoder/core/location/searched_region_stack.h"

#include "decoder/core/geometry/geometry.h"

namespace DEC2DIvra {

bool SearchedRegionStack::IsIncluded(Point const& point, unsigned first) const
{
    for (unsigned i = first; i < regions_.GetCount(); ++i) {
        if (Geometry::IsIncluding(regions_[i], point)) {
            return true;
        }
    }
    return false;
}

}  // namespace DEC2DIvra
