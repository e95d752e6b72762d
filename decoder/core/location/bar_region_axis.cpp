#include "decoder/core/location/bar_region_axis.h"

namespace DEC2DIvra {

namespace {

long long FloorDivide(long long a, long long b)
{
    long long q = a / b;
    if ((a % b != 0) && ((a < 0) != (b < 0))) {
        --q;
    }
    return q;
}

long long CeilDivide(long long a, long long b) { return -FloorDivide(-a, b); }

}  // namespace

void BarRegionAxis::NarrowInside(long long o, long long d, int minimum, int maximum, long long& low, long long& high)
{
    long long const lo = static_cast<long long>(minimum) * kOne - o;
    long long const hi = static_cast<long long>(maximum) * kOne - o;
    if (d == 0) {
        if (lo > 0 || hi < 0) {
            high = low - 1;
        }
        return;
    }
    long long const a = d > 0 ? CeilDivide(lo, d) : CeilDivide(hi, d);
    long long const b = d > 0 ? FloorDivide(hi, d) : FloorDivide(lo, d);
    low = a > low ? a : low;
    high = b < high ? b : high;
}

void BarRegionAxis::NarrowAlong(long long t, Rectangle const& r, long long& low, long long& high) const
{
    NarrowInside(CalcX(0, t), ux, r.left, r.right, low, high);
    NarrowInside(CalcY(0, t), uy, r.top, r.bottom, low, high);
}

void BarRegionAxis::NarrowAcross(long long s, Rectangle const& r, long long& low, long long& high) const
{
    NarrowInside(CalcX(s, 0), GetNormalX(), r.left, r.right, low, high);
    NarrowInside(CalcY(s, 0), GetNormalY(), r.top, r.bottom, low, high);
}

}  // namespace DEC2DIvra
