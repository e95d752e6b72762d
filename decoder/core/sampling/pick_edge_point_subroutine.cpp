#include "decoder/core/sampling/pick_edge_point_subroutine.h"

#include "decoder/core/arithmetic/dec_math.h"
#include "decoder/core/geometry/geometry.h"
#include "decoder/core/geometry/geometry_ex.h"

namespace DEC2DIvra {

namespace {

constexpr unsigned kMaxSamples = 4 * PickEdgePointSubroutine::kMaxRange + 1;

bool IsOnImage(GrayImage const& image, Point const& p)
{
    return image.IsInside(p.x >> PickEdgePointSubroutine::kFractionBits,
                          p.y >> PickEdgePointSubroutine::kFractionBits);
}

Point Shift(Point const& p, long long dx, long long dy)
{
    return Point{static_cast<int>(p.x + dx), static_cast<int>(p.y + dy)};
}

}  // namespace

bool PickEdgePointSubroutine::Start(GrayImage const& image, LineSegment const& probe, Vector const& search,
                                    unsigned range, bool colour, Point& edge) const
{
    if (image.GetPixels() == nullptr || range == 0 || range > kMaxRange || (search.dx == 0 && search.dy == 0)) {
        return false;
    }
    Point middle;
    Geometry::CalcCenterPoint(probe.begin, probe.end, middle);
    Point const taps[3] = {probe.begin, middle, probe.end};
    for (Point const& tap : taps) {
        if (!IsOnImage(image, tap)) {
            return false;
        }
    }
    // Half a pixel along the search direction, in 1/256 pixel. A short
    // search vector is scaled up first so that its integer length is fine.
    long long sx = search.dx;
    long long sy = search.dy;
    while ((sx < 0 ? -sx : sx) < (1 << 16) && (sy < 0 ? -sy : sy) < (1 << 16)) {
        sx *= 2;
        sy *= 2;
    }
    long long const length =
        DecMath::Sqrt(static_cast<unsigned long long>(sx * sx) + static_cast<unsigned long long>(sy * sy));
    if (length == 0) {
        return false;
    }
    auto offset = [&](long long halfPixels, long long& ox, long long& oy) {
        Geometry::RoundDivide(sx * 128 * halfPixels, length, ox);
        Geometry::RoundDivide(sy * 128 * halfPixels, length, oy);
    };

    // Samples from -2 range to +2 range half pixels; the run is cut where a
    // tap leaves the image, keeping the part around the probe.
    int const reach = static_cast<int>(2 * range);
    int profile[kMaxSamples];
    int first = -reach;
    int last = reach;
    for (int j = -reach; j <= reach; ++j) {
        long long ox = 0;
        long long oy = 0;
        offset(j, ox, oy);
        int sum = 0;
        bool inside = true;
        for (Point const& tap : taps) {
            Point const p = Shift(tap, ox, oy);
            if (!IsOnImage(image, p)) {
                inside = false;
                break;
            }
            sum += static_cast<int>(GeometryEx::GetLuminance(image, p, kFractionBits));
        }
        if (!inside) {
            if (j < 0) {
                first = j + 1;
                continue;
            }
            last = j - 1;
            break;
        }
        // Rising toward the wanted colour: dark wanted reads the complement.
        profile[j + reach] = colour ? 3 * static_cast<int>(GeometryEx::kMaxLuminance) - sum : sum;
    }
    if (last - first < 4) {
        return false;
    }
    int low = profile[first + reach];
    int high = low;
    for (int j = first; j <= last; ++j) {
        int const v = profile[j + reach];
        low = v < low ? v : low;
        high = v > high ? v : high;
    }
    if (high - low < 3 * static_cast<int>(kMinContrast)) {
        return false;
    }
    // Gradient over one pixel; peaks of at least half the strongest (and of a
    // quarter of the whole contrast) count, the nearest to the probe wins.
    auto gradient = [&](int j) { return profile[j + 1 + reach] - profile[j - 1 + reach]; };
    int strongest = 0;
    for (int j = first + 1; j < last; ++j) {
        strongest = gradient(j) > strongest ? gradient(j) : strongest;
    }
    int const least = (high - low) / 4;
    int chosen = 0;
    bool found = false;
    for (int j = first + 2; j < last - 1; ++j) {
        int const g = gradient(j);
        if (2 * g < strongest || g < least || g < gradient(j - 1) || g <= gradient(j + 1)) {
            continue;
        }
        if (!found || (j < 0 ? -j : j) < (chosen < 0 ? -chosen : chosen)) {
            chosen = j;
            found = true;
        }
    }
    if (!found) {
        return false;
    }
    // The rise that holds the peak: back while the profile falls, on while it
    // climbs; its halfway level is crossed between samples k and k + 1.
    auto value = [&](int j) { return profile[j + reach]; };
    int bottom = chosen - 1;
    while (bottom > first && value(bottom - 1) < value(bottom)) {
        --bottom;
    }
    int top = chosen + 1;
    while (top < last && value(top + 1) > value(top)) {
        ++top;
    }
    int const level = value(bottom) + value(top);
    int k = bottom;
    while (k + 1 < top && 2 * value(k + 1) <= level) {
        ++k;
    }
    long long const num = level - 2LL * value(k);
    long long const den = 2LL * (value(k + 1) - value(k));
    long long fraction = 0;  // in 1/256 half pixel
    if (den > 0) {
        Geometry::RoundDivide(num * 256, den, fraction);
        fraction = fraction < 0 ? 0 : (fraction > 256 ? 256 : fraction);
    }
    long long const position = static_cast<long long>(k) * 256 + fraction;
    long long ox = 0;
    long long oy = 0;
    Geometry::RoundDivide(sx * 128 * position, length * 256, ox);
    Geometry::RoundDivide(sy * 128 * position, length * 256, oy);
    edge = Shift(middle, ox, oy);
    return true;
}

}  // namespace DEC2DIvra
