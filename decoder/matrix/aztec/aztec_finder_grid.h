#pragma once

#include "decoder/core/geometry/region.h"
#include "decoder/matrix/aztec/common_vector_grid.h"

namespace DEC2DIvra {

// The module grid fitted to a bull's-eye, with the outermost frame found
// and the one inside it. Frame corners lie on the frames' edges, half a
// module outside the corner modules of their ring.
class AztecFinderGrid : public CommonVectorGrid {
public:
    bool IsCompact() const { return compact_; }
    void SetCompact(bool compact) { compact_ = compact; }
    Region const& GetOuterFrame() const { return outer_; }
    Region const& GetInnerFrame() const { return inner_; }
    void SetFrames(Region const& outer, Region const& inner)
    {
        outer_ = outer;
        inner_ = inner;
    }
    // The centres of the outer frame's corner modules: 6/7 (compact) or
    // 10/11 (full range) of the way from the centre to its corners.
    Region GetInnerFrameCenterRegion() const;
    // The centre at the crossing of the region's diagonals and each
    // direction's step from the midpoint of its side, ring modules out
    // (region corners in the order of RegionCornerCoord, 8 fraction bits).
    // False when the diagonals do not cross.
    bool SetGrid(Region const& region, unsigned ring);
    // Re-fits the grid to a region of module centres counts[s] modules out
    // on side s (facing direction s), the centre kept: each direction's
    // vector reaches where its side crosses the axis from the centre along
    // the present step. False when an axis misses its side.
    bool SetGrid(Region const& region, unsigned const (&counts)[4]);
    // Another grid turned by rotation quarter turns (and mirrored first):
    // module (i, j) of this grid is the module of the other that the turn
    // maps (i, j) to.
    void SetRotatedGrid(AztecFinderGrid const& other, unsigned rotation, bool mirrored);

private:
    bool compact_ = true;
    Region outer_{};
    Region inner_{};
};

// The crossing of a quadrilateral's diagonals.
class CalcDiagonalCenterSubroutine {
public:
    bool Start(Region const& region, Point& centre) const;
};

}  // namespace DEC2DIvra
