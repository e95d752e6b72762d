#include "decoder/core/sampling/common_code_mesh.h"

namespace DEC2DIvra {

bool CommonCodeMesh::SetSize(unsigned width, unsigned height, unsigned fractionBits)
{
    if (width == 0 || height == 0 || fractionBits > kMaxFractionBits ||
        static_cast<unsigned long long>(width) * height > points_.GetCount()) {
        return false;
    }
    width_ = width;
    height_ = height;
    fractionBits_ = fractionBits;
    samplingSize_ = fractionBits;
    return true;
}

bool CommonCodeMesh::SetSamplingSize(unsigned samplingSize)
{
    if (samplingSize > kMaxFractionBits) {
        return false;
    }
    samplingSize_ = samplingSize;
    return true;
}

int CommonCodeMesh::CalcIndex(int x, int y) const
{
    long long const column = static_cast<long long>(x) + width_ / 2;
    long long const row = static_cast<long long>(y) + height_ / 2;
    if (column < 0 || row < 0 || column >= width_ || row >= height_) {
        return -1;
    }
    return static_cast<int>(column + row * width_);
}

bool CommonCodeMesh::CalcModulePoint(int x, int y, Point& point) const
{
    int const index = CalcIndex(x, y);
    if (index < 0) {
        return false;
    }
    point = points_[static_cast<unsigned>(index)];
    return true;
}

}  // namespace DEC2DIvra
