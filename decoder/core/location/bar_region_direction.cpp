#include "decoder/core/location/bar_region_direction.h"

#include "decoder/core/arithmetic/dec_math.h"
#include "decoder/core/sampling/line_shift.h"

#include <cmath>

namespace DEC2DIvra {

namespace {

// The shift of the second profile's level changes against the first's within
// `reach` samples, in 1/256 sample, and how alike they are there. Both
// profiles are sampled at one-pixel steps.
bool FindShift(BarRegionProfile const& a, BarRegionProfile const& b, int reach, long long& shift256, double& likeness)
{
    LineShift found;
    if (!FindLineShift(a.GetSamples(), a.GetCount(), b.GetSamples(), b.GetCount(), b.GetBegin() - a.GetBegin(), 0,
                       reach, found)) {
        return false;
    }
    // Whole 1/256 samples: exact.
    shift256 = std::llround(found.shift * 256);
    likeness = found.likeness;
    return true;
}

}  // namespace

bool CalcBarDirectionSubroutine::Start(GrayImage const& image, Rectangle const& area, int begin, int end, int t0,
                                       int t1, BarRegionProfile& first, BarRegionProfile& second,
                                       BarRegionAxis& axis, double* fit) const
{
    if (fit != nullptr) {
        *fit = -1;
    }
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
    if (fit != nullptr) {
        *fit = 0;
    }
    long long shift256 = 0;
    double likeness = 0;
    if (!FindShift(first, second, (distance * kMaxTangent + 255) / 256 + 1, shift256, likeness)) {
        return false;
    }
    if (fit != nullptr) {
        *fit = likeness;
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
            if (fit != nullptr) {
                *fit = alike[better];
            }
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
