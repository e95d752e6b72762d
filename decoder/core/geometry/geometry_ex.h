#pragma once

#include "decoder/core/gray_image.h"
#include "decoder/core/geometry/point.h"

namespace DEC2DIvra {

// Luminance sampling at sub-pixel points. A point carries `fractionBits`
// fraction bits (8 for 1/256 pixel); the value is bilinear over the four
// pixels around it, rounded to nearest. Pixels beyond the border repeat the
// border pixel, so sampling never reads outside the frame.
class GeometryEx {
public:
    static constexpr int kMaxFractionBits = 15;
    static constexpr unsigned kMaxLuminance = 1023;

    // 0 for an empty image or fraction bits outside 0 .. 15.
    static unsigned GetLuminance(GrayImage const& image, Point const& point, int fractionBits);

    // The same at 8 fraction bits for a point whose four pixels the caller
    // has made sure lie inside the image: no clamping, 32-bit arithmetic
    // (16-bit pixels at most 65535 * 65536 + 32768, within 32 bits).
    static unsigned GetLuminanceInside(GrayImage const& image, Point const& point)
    {
        int const x0 = point.x >> 8;
        int const y0 = point.y >> 8;
        unsigned const fx = static_cast<unsigned>(point.x) & 255u;
        unsigned const fy = static_cast<unsigned>(point.y) & 255u;
        unsigned const top = image.At(x0, y0) * (256u - fx) + image.At(x0 + 1, y0) * fx;
        unsigned const bottom = image.At(x0, y0 + 1) * (256u - fx) + image.At(x0 + 1, y0 + 1) * fx;
        return (top * (256u - fy) + bottom * fy + 32768u) >> 16;
    }

    // The same over the Laplacian-sharpened image: each pixel becomes
    // v + (4 v - sum of its four neighbours) / 4, kept within 0 .. 1023, so
    // that module edges blurred by the optics stand out while dark stays dark.
    static unsigned GetLapLuminance(GrayImage const& image, Point const& point, int fractionBits);

    // The sharpened value of one pixel (coordinates clamped to the image).
    static unsigned GetLapPixel(GrayImage const& image, int x, int y);
};

}  // namespace DEC2DIvra
