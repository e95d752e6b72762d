#pragma once

#include "decoder/core/sampling/common_luminance_map.h"
#include "decoder/core/geometry/vector.h"

namespace DEC2DIvra {

// Reshapes the grey range of a luminance map before binarisation.
class RangeChanger {
public:
    // Tiles the map with blocks of block.dx x block.dy cells, left to right
    // and then top to bottom; a block that would pass the map's end starts at
    // size - block size instead, so the last blocks overlap their neighbours
    // and reach the last cell. Every value of a block is capped at
    // (smallest + 3 x largest) div 4 of that block, which takes glare and
    // bright specks out of the light range. A map smaller than a block is one
    // block. False, map untouched, for an empty map or a block side below 1.
    static bool AutoHighLowCut(CommonLuminanceMap& map, Vector const& block);
};

}  // namespace DEC2DIvra
