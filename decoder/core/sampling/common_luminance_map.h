#pragma once

#include "decoder/core/gray_image.h"
#include "decoder/core/containers/virtual_array.h"

namespace DEC2DIvra {

class CommonCodeMesh;

// One 16-bit luminance per mesh point, row by row over a buffer of the caller.
class CommonLuminanceMap {
public:
    CommonLuminanceMap() = default;
    explicit CommonLuminanceMap(VirtualArray<unsigned short> const& cells) : cells_(cells) {}

    // False (and the map left as it was) when the cells do not fit.
    bool SetSize(unsigned width, unsigned height);

    unsigned GetWidth() const { return width_; }
    unsigned GetHeight() const { return height_; }
    unsigned GetCapacity() const { return cells_.GetCount(); }

    bool IsInside(int x, int y) const
    {
        return x >= 0 && y >= 0 && static_cast<unsigned>(x) < width_ && static_cast<unsigned>(y) < height_;
    }

    // Unchecked: the caller keeps (x, y) inside the map.
    unsigned short& At(unsigned x, unsigned y) const { return cells_[y * width_ + x]; }

    // Shapes the map like the mesh and samples the grey value (or the
    // Laplacian-sharpened one) at every mesh point with the mesh's sampling
    // size. A point off the image reads 0, so that it never passes for a
    // light module. False, map unchanged, when the mesh does not fit or the
    // image is empty.
    bool SetLuminance(GrayImage const& image, CommonCodeMesh const& mesh, bool laplacian);

private:
    VirtualArray<unsigned short> cells_;
    unsigned width_ = 0;
    unsigned height_ = 0;
};

}  // namespace DEC2DIvra
