#include "decoder/core/location/bar_region_gradient_tensor.h"

#include "decoder/core/geometry/common_angle.h"
#include "decoder/core/arithmetic/dec_math.h"

namespace DEC2DIvra {

namespace {

long long Abs(long long v) { return v < 0 ? -v : v; }

// The doubled-angle vector (xx - yy, 2 xy), both halved together until each
// is below 2^30, so that squares and sums of squares stay in 64 bits.
void ScaledDoubledVector(GradientTensor const& t, long long& a, long long& b, unsigned& shift)
{
    a = t.xx - t.yy;
    b = 2 * t.xy;
    shift = 0;
    while (Abs(a) >= (1LL << 30) || Abs(b) >= (1LL << 30)) {
        a /= 2;
        b /= 2;
        ++shift;
    }
}

}  // namespace

bool GradientTensor::CalcDirection(int& ux, int& uy) const
{
    long long a = 0;
    long long b = 0;
    unsigned shift = 0;
    ScaledDoubledVector(*this, a, b, shift);
    long long const d = DecMath::Sqrt(static_cast<unsigned long long>(a * a + b * b));
    if (d == 0) {
        return false;
    }
    // Eigenvector of the larger principal energy: (a + d, b) or, equally,
    // (b, d - a); the one whose first or second part is at least d is taken so
    // that no cancellation loses it.
    long long vx = a >= 0 ? a + d : b;
    long long vy = a >= 0 ? b : d - a;
    long long const length = DecMath::Sqrt(static_cast<unsigned long long>(vx * vx + vy * vy));
    if (length == 0) {
        return false;
    }
    ux = static_cast<int>(vx * 65536 / length);
    uy = static_cast<int>(vy * 65536 / length);
    return true;
}

bool GradientTensor::CalcDoubledAngle(unsigned& angle) const
{
    long long a = 0;
    long long b = 0;
    unsigned shift = 0;
    ScaledDoubledVector(*this, a, b, shift);
    return CommonAngle::CalcAngleValue(static_cast<int>(a), static_cast<int>(b), 9, angle);
}

}  // namespace DEC2DIvra
