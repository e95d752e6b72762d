#include "decoder/core/sampling/calc_edge_point_subroutine.h"

#include "decoder/core/geometry/geometry.h"
#include "decoder/core/geometry/geometry_ex.h"

namespace DEC2DIvra {

namespace {

long long Abs(long long v) { return v < 0 ? -v : v; }

}  // namespace

bool CalcEdgePointSubroutine::Start(GrayImage const& image, Point const& from, Point const& to, bool colour,
                                    unsigned edgeMode, Point& edge) const
{
    if (image.GetPixels() == nullptr || edgeMode > static_cast<unsigned>(GeometryEx::kMaxFractionBits)) {
        return false;
    }
    int const bits = static_cast<int>(edgeMode);
    if (!image.IsInside(from.x >> bits, from.y >> bits)) {
        return false;
    }
    long long const dx = static_cast<long long>(to.x) - from.x;
    long long const dy = static_cast<long long>(to.y) - from.y;
    long long const one = 1LL << bits;
    long long const longer = Abs(dx) > Abs(dy) ? Abs(dx) : Abs(dy);
    // Two samples per pixel of the walk's longer axis.
    long long const halfPixels = (2 * longer + one - 1) / one;
    unsigned const steps =
        halfPixels < 2 ? 2u : (halfPixels > kMaxSamples - 1 ? kMaxSamples - 1 : static_cast<unsigned>(halfPixels));

    // The profile is kept rising: dark starts read grey, light starts read
    // its complement, so the edge sought always goes from low to high.
    int profile[kMaxSamples];
    unsigned count = 0;
    int low = 0;
    int high = 0;
    for (unsigned i = 0; i <= steps; ++i) {
        long long ox = 0;
        long long oy = 0;
        Geometry::RoundDivide(dx * i, steps, ox);
        Geometry::RoundDivide(dy * i, steps, oy);
        Point const p{static_cast<int>(from.x + ox), static_cast<int>(from.y + oy)};
        if (!image.IsInside(p.x >> bits, p.y >> bits)) {
            break;
        }
        int const grey = static_cast<int>(GeometryEx::GetLuminance(image, p, bits));
        int const v = colour ? grey : static_cast<int>(GeometryEx::kMaxLuminance) - grey;
        profile[count] = v;
        low = (count == 0 || v < low) ? v : low;
        high = (count == 0 || v > high) ? v : high;
        ++count;
    }
    if (count < 3 || static_cast<unsigned>(high - low) < kMinContrast) {
        return false;
    }
    // Compare doubled values with low + high: the halfway level exactly.
    int const level = low + high;
    if (2 * profile[0] > level) {
        return false;
    }
    for (unsigned k = 0; k + 1 < count; ++k) {
        if (2 * profile[k + 1] <= level) {
            continue;
        }
        // Crossing at k + t, t = (level - 2 v[k]) / (2 (v[k+1] - v[k])).
        long long const num = level - 2LL * profile[k];
        long long const den = 2LL * (profile[k + 1] - profile[k]);
        long long const position = static_cast<long long>(k) * den + num;  // in units of 1 / den samples
        long long ox = 0;
        long long oy = 0;
        if (!Geometry::RoundDivide(dx * position, den * steps, ox) ||
            !Geometry::RoundDivide(dy * position, den * steps, oy)) {
            return false;
        }
        edge = Point{static_cast<int>(from.x + ox), static_cast<int>(from.y + oy)};
        return true;
    }
    return false;
}

}  // namespace DEC2DIvra
