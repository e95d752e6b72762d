#pragma once

#include "decoder/core/geometry/point.h"
#include "decoder/core/geometry/rectangle.h"

namespace DEC2DIvra {

// A straight line through the image with its own coordinates: s along the
// unit direction u, t along the normal n = (-uy, ux). Origin and direction
// carry 16 fraction bits.
struct BarRegionAxis {
    static constexpr int kOne = 65536;

    long long originX = 0;
    long long originY = 0;
    int ux = kOne;
    int uy = 0;

    int GetNormalX() const { return -uy; }
    int GetNormalY() const { return ux; }

    // The point at (s, t), in 16 fraction bits.
    long long CalcX(long long s, long long t) const { return originX + s * ux - t * uy; }
    long long CalcY(long long s, long long t) const { return originY + s * uy + t * ux; }
    // The pixel nearest to (s, t).
    Point CalcPoint(long long s, long long t) const
    {
        return Point{static_cast<int>((CalcX(s, t) + kOne / 2) >> 16),
                     static_cast<int>((CalcY(s, t) + kOne / 2) >> 16)};
    }
    // The coordinates of a pixel position, rounded to whole pixels.
    long long CalcS(long long x, long long y) const;
    long long CalcT(long long x, long long y) const;

    // Narrows [low, high] to the k for which the point o + k * d (16 fraction
    // bits, one coordinate) lies within [minimum, maximum] (whole pixels);
    // high < low when none does.
    static void NarrowInside(long long o, long long d, int minimum, int maximum, long long& low, long long& high);
    // Narrows [low, high] to the s at which the line at normal offset t lies
    // inside the rectangle.
    void NarrowAlong(long long t, Rectangle const& r, long long& low, long long& high) const;
    // Narrows [low, high] to the t at which the normal through s lies inside
    // the rectangle.
    void NarrowAcross(long long s, Rectangle const& r, long long& low, long long& high) const;
};

inline long long BarRegionAxis::CalcS(long long x, long long y) const
{
    long long const v = (x * kOne - originX) * ux + (y * kOne - originY) * uy;
    return v >= 0 ? (v + (1LL << 31)) >> 32 : -((-v + (1LL << 31)) >> 32);
}

inline long long BarRegionAxis::CalcT(long long x, long long y) const
{
    long long const v = (y * kOne - originY) * ux - (x * kOne - originX) * uy;
    return v >= 0 ? (v + (1LL << 31)) >> 32 : -((-v + (1LL << 31)) >> 32);
}

}  // namespace DEC2DIvra
