#include "decoder/core/location/bar_region_direction.h"

#include "decoder/core/arithmetic/dec_math.h"

namespace DEC2DIvra {

namespace {

// The match of the level changes of two profiles with the second shifted by
// `shift` samples (a feature at s in the first at s + shift in the second).
long long Match(BarRegionProfile const& a, BarRegionProfile const& b, int shift)
{
    int const begin = a.GetBegin() > b.GetBegin() - shift ? a.GetBegin() : b.GetBegin() - shift;
    int const end = a.GetEnd() < b.GetEnd() - shift ? a.GetEnd() : b.GetEnd() - shift;
    long long sum = 0;
    for (int s = begin; s < end; ++s) {
        unsigned const i = static_cast<unsigned>(s - a.GetBegin());
        unsigned const j = static_cast<unsigned>(s + shift - b.GetBegin());
        long long const da = a.GetSample(i + 1) - a.GetSample(i);
        long long const db = b.GetSample(j + 1) - b.GetSample(j);
        sum += da * db;
    }
    return sum;
}

}  // namespace

bool CalcBarDirectionSubroutine::Start(GrayImage const& image, Rectangle const& area, int begin, int end, int t0,
                                       int t1, BarRegionProfile& first, BarRegionProfile& second,
                                       BarRegionAxis& axis) const
{
    int const distance = t1 - t0;
    if (distance < kMinimumDistance) {
        return false;
    }
    int const offsets[2] = {t0, t1};
    if (!first.Sample(image, area, axis, begin, end, &offsets[0], 1) ||
        !second.Sample(image, area, axis, begin, end, &offsets[1], 1) || first.GetStep() != 1 ||
        second.GetStep() != 1) {
        return false;
    }
    int const reach = (distance * kMaxTangent + 255) / 256 + 1;
    // Three matches in a row are kept for the parabola.
    long long best = 0;
    int bestShift = 0;
    bool any = false;
    for (int shift = -reach; shift <= reach; ++shift) {
        long long const m = Match(first, second, shift);
        if (!any || m > best) {
            best = m;
            bestShift = shift;
            any = true;
        }
    }
    if (!any || best <= 0) {
        return false;
    }
    long long const before = Match(first, second, bestShift - 1);
    long long const after = Match(first, second, bestShift + 1);
    // The peak's offset from bestShift in 1/256 sample, within half a sample.
    long long fraction = 0;
    long long const curvature = before - 2 * best + after;
    if (curvature < 0) {
        fraction = (before - after) * 128 / curvature;
        fraction = fraction > 128 ? 128 : (fraction < -128 ? -128 : fraction);
    }
    long long const shift256 = static_cast<long long>(bestShift) * 256 + fraction;
    // The bars run along distance * n + shift * u; the axis turns to
    // distance * u - shift * n.
    long long const d256 = static_cast<long long>(distance) * 256;
    long long const vx = d256 * axis.ux - shift256 * axis.GetNormalX();
    long long const vy = d256 * axis.uy - shift256 * axis.GetNormalY();
    // Both below 2^16 * 2^8 * 2^15: scaled down to keep the square in range.
    long long const sx = vx >> 16;
    long long const sy = vy >> 16;
    long long const length = DecMath::Sqrt(static_cast<unsigned long long>(sx * sx + sy * sy));
    if (length == 0) {
        return false;
    }
    axis.ux = static_cast<int>(sx * BarRegionAxis::kOne / length);
    axis.uy = static_cast<int>(sy * BarRegionAxis::kOne / length);
    return true;
}

}  // namespace DEC2DIvra
