#pragma once

#include "decoder/core/sampling/common_luminance_map.h"
#include "decoder/core/containers/variable_size_virtual_table.h"

namespace DEC2DIvra {

// Dark-or-light of every cell of a small grey grid sub-sampled from a window
// of the image. The grid is cut into at most 8 x 8 tiles; a cell is light
// when above the middle of the grey range of its tile and the eight tiles
// around it. Where that range is under a quarter of the widest such range the
// tile is flat and takes the mean threshold of its non-flat neighbours (or
// the grid's middle). Uneven lighting across the window thus moves the
// threshold with it, while flat patches are not split by noise.
class CommonBinarizationSubroutine {
public:
    static constexpr unsigned kMaxTiles = 8;

    // out is sized to the grid; its entry is (light XOR polarity). False, out
    // as it was, for an empty grid or an out buffer too small.
    bool Start(CommonLuminanceMap const& grid, bool polarity, VariableSizeVirtualTable<bool>& out) const;
};

}  // namespace DEC2DIvra
