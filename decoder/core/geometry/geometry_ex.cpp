#include "decoder/core/geometry/geometry_ex.h"

namespace DEC2DIvra {

namespace {

template <class Sample>
unsigned Bilinear(GrayImage const& image, Point const& point, int fractionBits, Sample sample)
{
    if (image.GetWidth() <= 0 || image.GetHeight() <= 0 || image.GetPixels() == nullptr || fractionBits < 0 ||
        fractionBits > GeometryEx::kMaxFractionBits) {
        return 0;
    }
    long long const one = 1LL << fractionBits;
    // Arithmetic shifts floor, also for points left of or above the image.
    int x0 = point.x >> fractionBits;
    int y0 = point.y >> fractionBits;
    long long const fx = point.x - static_cast<long long>(x0) * one;
    long long const fy = point.y - static_cast<long long>(y0) * one;
    // Far outside, both neighbours read the same border pixel anyway; keeping
    // the index near the image leaves x0 + 1 safe from overflow.
    x0 = x0 < -1 ? -1 : (x0 > image.GetWidth() ? image.GetWidth() : x0);
    y0 = y0 < -1 ? -1 : (y0 > image.GetHeight() ? image.GetHeight() : y0);
    long long const sum = sample(x0, y0) * (one - fx) * (one - fy) + sample(x0 + 1, y0) * fx * (one - fy) +
                          sample(x0, y0 + 1) * (one - fx) * fy + sample(x0 + 1, y0 + 1) * fx * fy;
    int const shift = 2 * fractionBits;
    long long const rounded = shift == 0 ? sum : (sum + (1LL << (shift - 1))) >> shift;
    return static_cast<unsigned>(rounded);
}

// True when the pixels that the value at the point reads, `margin` pixels
// around its four, all lie inside the image: no read needs clamping then.
bool ReadsInside(GrayImage const& image, Point const& point, int fractionBits, int margin)
{
    if (image.GetPixels() == nullptr || fractionBits < 0 || fractionBits > GeometryEx::kMaxFractionBits) {
        return false;
    }
    int const x0 = point.x >> fractionBits;
    int const y0 = point.y >> fractionBits;
    return x0 >= margin && y0 >= margin && x0 + 1 + margin < image.GetWidth() && y0 + 1 + margin < image.GetHeight();
}

// The sharpened value of a pixel from a reader of pixels.
template <class Read>
unsigned LapPixel(int x, int y, Read read)
{
    long long const v = read(x, y);
    long long const neighbours =
        static_cast<long long>(read(x - 1, y)) + read(x + 1, y) + read(x, y - 1) + read(x, y + 1);
    long long const sharpened = v + (4 * v - neighbours) / 4;
    if (sharpened < 0) {
        return 0;
    }
    return sharpened > GeometryEx::kMaxLuminance ? GeometryEx::kMaxLuminance : static_cast<unsigned>(sharpened);
}

}  // namespace

unsigned GeometryEx::GetLuminance(GrayImage const& image, Point const& point, int fractionBits)
{
    if (ReadsInside(image, point, fractionBits, 0)) {
        return fractionBits == 8 ? GetLuminanceInside(image, point)
                                 : Bilinear(image, point, fractionBits, [&image](int x, int y) {
                                       return static_cast<long long>(image.At(x, y));
                                   });
    }
    return Bilinear(image, point, fractionBits,
                    [&image](int x, int y) { return static_cast<long long>(image.AtClamped(x, y)); });
}

unsigned GeometryEx::GetLapPixel(GrayImage const& image, int x, int y)
{
    return LapPixel(x, y, [&image](int u, int v) { return image.AtClamped(u, v); });
}

unsigned GeometryEx::GetLapLuminance(GrayImage const& image, Point const& point, int fractionBits)
{
    if (ReadsInside(image, point, fractionBits, 1)) {
        return Bilinear(image, point, fractionBits, [&image](int x, int y) {
            return static_cast<long long>(LapPixel(x, y, [&image](int u, int v) { return image.At(u, v); }));
        });
    }
    return Bilinear(image, point, fractionBits,
                    [&image](int x, int y) { return static_cast<long long>(GetLapPixel(image, x, y)); });
}

}  // namespace DEC2DIvra
