#pragma once

#include "decoder/core/geometry/geometry_ex.h"
#include "decoder/core/geometry/point.h"
#include "decoder/core/gray_image.h"

namespace DEC2DIvra {

// A point of the dot readers (1/256 pixel) at least a pixel inside the
// image's border, where its four pixels and their neighbours all lie on it.
inline bool IsInnerSamplePoint(GrayImage const& image, Point const& p)
{
    return p.x >= 256 && p.y >= 256 && p.x < (image.GetWidth() - 1) * 256 && p.y < (image.GetHeight() - 1) * 256;
}

// The interpolated grey value at a point in 1/256 pixel.
inline int SampleGrey(GrayImage const& image, Point const& p)
{
    return static_cast<int>(GeometryEx::GetLuminance(image, p, 8));
}

}  // namespace DEC2DIvra
