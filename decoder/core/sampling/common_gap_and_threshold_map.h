#pragma once

#include "decoder/core/containers/virtual_array.h"

namespace DEC2DIvra {

// Per block of modules: the grey difference between neighbours that counts as
// a change of colour (gap), and the level that splits dark from light where
// no neighbour differs that much (threshold).
struct GapAndThreshold {
    unsigned short gap = 0;
    unsigned short threshold = 0;
};

// The blocks of a binarisation area, row by row over a buffer of the caller.
class CommonGapAndThresholdMap {
public:
    CommonGapAndThresholdMap() = default;
    explicit CommonGapAndThresholdMap(VirtualArray<GapAndThreshold> const& blocks) : blocks_(blocks) {}

    // False (and the map left as it was) when the blocks do not fit.
    bool SetSize(unsigned width, unsigned height)
    {
        if (static_cast<unsigned long long>(width) * height > blocks_.GetCount()) {
            return false;
        }
        width_ = width;
        height_ = height;
        return true;
    }

    unsigned GetWidth() const { return width_; }
    unsigned GetHeight() const { return height_; }
    unsigned GetCapacity() const { return blocks_.GetCount(); }

    // Unchecked: the caller keeps (x, y) inside the map.
    GapAndThreshold& At(unsigned x, unsigned y) const { return blocks_[y * width_ + x]; }

private:
    VirtualArray<GapAndThreshold> blocks_;
    unsigned width_ = 0;
    unsigned height_ = 0;
};

}  // namespace DEC2DIvra
