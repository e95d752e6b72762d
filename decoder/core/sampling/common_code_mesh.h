#pragma once

#include "decoder/core/geometry/point.h"
#include "decoder/core/containers/virtual_array.h"

namespace DEC2DIvra {

// The image positions of a symbol's module centres, row by row over a buffer
// of the caller. Points carry `fractionBits` fraction bits (8: 1/256 pixel);
// the sampling size is the precision handed to the luminance sampler for
// them, normally the same.
class CommonCodeMesh {
public:
    static constexpr unsigned kMaxFractionBits = 15;

    CommonCodeMesh() = default;
    explicit CommonCodeMesh(VirtualArray<Point> const& points) : points_(points) {}

    // Shapes the mesh; false (and the mesh left as it was) when the points do
    // not fit the buffer, a side is 0 or the precision is out of range.
    bool SetSize(unsigned width, unsigned height, unsigned fractionBits);
    bool SetSamplingSize(unsigned samplingSize);

    unsigned GetWidth() const { return width_; }
    unsigned GetHeight() const { return height_; }
    unsigned GetCount() const { return width_ * height_; }
    unsigned GetCapacity() const { return points_.GetCount(); }
    unsigned GetFractionBits() const { return fractionBits_; }
    unsigned GetSamplingSize() const { return samplingSize_; }

    bool IsInside(int column, int row) const
    {
        return column >= 0 && row >= 0 && static_cast<unsigned>(column) < width_ &&
               static_cast<unsigned>(row) < height_;
    }

    // Unchecked: the caller keeps (column, row) inside the mesh.
    Point& At(unsigned column, unsigned row) const { return points_[row * width_ + column]; }

    // Module (x, y) counted from the centre module, which lies at column
    // width div 2 and row height div 2; -1 when it is off the mesh.
    int CalcIndex(int x, int y) const;
    bool CalcModulePoint(int x, int y, Point& point) const;

    Point* GetData() const { return points_.GetData(); }

private:
    VirtualArray<Point> points_;
    unsigned width_ = 0;
    unsigned height_ = 0;
    unsigned fractionBits_ = 0;
    unsigned samplingSize_ = 0;
};

}  // namespace DEC2DIvra
