#pragma once

#include "decoder/core/geometry/point.h"
#include "decoder/core/geometry/region.h"
#include "decoder/core/containers/stack_interface.h"

namespace DEC2DIvra {

// The regions already searched in the current image, from first to top, so
// that a candidate lying in one of them is not searched again.
class SearchedRegionStack {
public:
    SearchedRegionStack() = default;
    explicit SearchedRegionStack(VirtualArray<Region> const& window) : regions_(window) {}

    void Clear() { regions_.Clear(); }
    // False when the stack is full; the region is then not kept.
    bool Push(Region const& region) { return regions_.Push(region); }

    // The point lies inside one of the regions (sides included), of those
    // from the index `first` on.
    bool IsIncluded(Point const& point, unsigned first = 0) const;
    // The region's centre point lies inside one of them.
    bool IsIncluded(Region const& region) const { return IsIncluded(region.CalcCenterPoint()); }

    unsigned GetCount() const { return regions_.GetCount(); }
    bool IsFull() const { return regions_.IsFull(); }
    Region const& operator[](unsigned i) const { return regions_[i]; }

private:
    StackInterface<Region> regions_;
};

}  // namespace DEC2DIvra
