#include "decoder/core/location/bar_region_direction.h"

#include "decoder/core/arithmetic/dec_math.h"

#include <cmath>

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

// The shift that best matches two profiles within `reach` samples, with its
// fraction from a parabola through the best three (in 1/256 sample), and how
// alike the profiles are there: the match over the geometric mean of each
// profile's match with itself (1 for the same edges, near 0 for unrelated
// ones). False when nothing matches.
bool FindShift(BarRegionProfile const& a, BarRegionProfile const& b, int reach, long long& shift256, double& likeness)
{
    long long best = 0;
    int bestShift = 0;
    bool any = false;
    for (int shift = -reach; shift <= reach; ++shift) {
        long long const m = Match(a, b, shift);
        if (!any || m > best) {
            best = m;
            bestShift = shift;
            any = true;
        }
    }
    if (!any || best <= 0) {
        return false;
    }
    long long const before = Match(a, b, bestShift - 1);
    long long const after = Match(a, b, bestShift + 1);
    // The peak's offset from bestShift in 1/256 sample, within half a sample.
    long long fraction = 0;
    long long const curvature = before - 2 * best + after;
    if (curvature < 0) {
        fraction = (before - after) * 128 / curvature;
        fraction = fraction > 128 ? 128 : (fraction < -128 ? -128 : fraction);
    }
    shift256 = static_cast<long long>(bestShift) * 256 + fraction;
    double const own = static_cast<double>(Match(a, a, 0)) * static_cast<double>(Match(b, b, 0));
    likeness = own > 0 ? static_cast<double>(best) / std::sqrt(own) : 0;
    return true;
}

}  // namespace

bool CalcBarDirectionSubroutine::Start(GrayImage const& image, Rectangle const& area, int begin, int end, int t0,
                                       int t1, BarRegionProfile& first, BarRegionProfile& second,
                                       BarRegionAxis& axis) const
{
    int distance = t1 - t0;
    if (distance < kMinimumDistance) {
        return false;
    }
    auto sample = [&](BarRegionProfile& profile, int t) {
        return profile.Sample(image, area, axis, begin, end, &t, 1) && profile.GetStep() == 1;
    };
    if (!sample(first, t0) || !sample(second, t1)) {
        return false;
    }
    long long shift256 = 0;
    double likeness = 0;
    if (!FindShift(first, second, (distance * kMaxTangent + 255) / 256 + 1, shift256, likeness)) {
        return false;
    }
    // Lines far apart may cross two different symbols one above the other (a
    // composite's 2D part over its linear bars): their best shift is chance.
    // Each half of the band is matched then: one whose lines see the same
    // edges gives the direction; one clearly more alike than the far lines
    // or than the other half, though not enough to trust, leaves the axis as
    // it is. (Under perspective no two lines see quite the same widths: the
    // far lines' shift stands when both halves match as poorly.)
    if (likeness < kMinLikeness) {
        int const middle = t0 + distance / 2;
        int const half = distance / 2;
        int const reach = ((distance - half) * kMaxTangent + 255) / 256 + 1;
        long long halves[2] = {0, 0};
        double alike[2] = {0, 0};
        bool found[2] = {false, false};
        if (half >= kMinimumDistance && sample(second, middle)) {
            found[0] = FindShift(first, second, reach, halves[0], alike[0]);
            found[1] = sample(first, t1) && FindShift(second, first, reach, halves[1], alike[1]);
        }
        unsigned const better = found[1] && (!found[0] || alike[1] > alike[0]) ? 1 : 0;
        if (found[better] && alike[better] >= kHalfLikeness) {
            shift256 = halves[better];
            distance = better == 0 ? half : distance - half;
        } else if (found[better] && (alike[better] >= kHalfOverFar * likeness ||
                                     alike[1 - better] * kHalfOverFar <= alike[better])) {
            return false;
        }
    }
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
