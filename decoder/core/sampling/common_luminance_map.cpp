#include "decoder/core/sampling/common_luminance_map.h"

#include "decoder/core/sampling/common_code_mesh.h"
#include "decoder/core/geometry/geometry_ex.h"

namespace DEC2DIvra {

bool CommonLuminanceMap::SetSize(unsigned width, unsigned height)
{
    if (static_cast<unsigned long long>(width) * height > cells_.GetCount()) {
        return false;
    }
    width_ = width;
    height_ = height;
    return true;
}

bool CommonLuminanceMap::SetLuminance(GrayImage const& image, CommonCodeMesh const& mesh, bool laplacian)
{
    if (image.GetPixels() == nullptr || image.GetWidth() <= 0 || image.GetHeight() <= 0 ||
        mesh.GetSamplingSize() > static_cast<unsigned>(GeometryEx::kMaxFractionBits) ||
        !SetSize(mesh.GetWidth(), mesh.GetHeight())) {
        return false;
    }
    int const bits = static_cast<int>(mesh.GetSamplingSize());
    for (unsigned row = 0; row < height_; ++row) {
        for (unsigned column = 0; column < width_; ++column) {
            Point const& p = mesh.At(column, row);
            unsigned value = 0;
            if (image.IsInside(p.x >> bits, p.y >> bits)) {
                value = laplacian ? GeometryEx::GetLapLuminance(image, p, bits)
                                  : GeometryEx::GetLuminance(image, p, bits);
            }
            At(column, row) = static_cast<unsigned short>(value);
        }
    }
    return true;
}

}  // namespace DEC2DIvra
