#include "decoder/linear/data_bar/rss_finder_direction.h"

#include "decoder/core/sampling/bilinear.h"

#include <cmath>

namespace DEC2DIvra {

namespace {

// Samples of a profile at most: the finder and a module either side.
constexpr int kMaxSamples = 64;
// Lines beside the crossing, a module apart, on either side.
constexpr int kOffsets = 3;
// Skew measured at most: 25 degrees.
constexpr double kMaxTangent = 0.47;
// A line beside that shows the finder matches its profile this well.
constexpr double kMinCorrelation = 0.6;
// A finder narrower than this (pixels) is too small to measure.
constexpr double kMinLength = 8.0;

// Bilinear of the pixels clamped to the image (RSSFinderDirection::SampleBilinear).
inline double SampleClamped(GrayImage const& image, double x, double y)
{
    double const fx = std::floor(x);
    double const fy = std::floor(y);
    int const x0 = static_cast<int>(fx);
    int const y0 = static_cast<int>(fy);
    unsigned short const* pixels = image.GetPixels();
    if (pixels == nullptr || x0 < 0 || y0 < 0 || x0 >= image.GetWidth() - 1 || y0 >= image.GetHeight() - 1) {
        auto pixel = [&image](int px, int py) { return static_cast<double>(image.AtClamped(px, py)); };
        return Bilinear(pixel, x, y);
    }
    // All four pixels lie on the image: read from the rows, in Bilinear's sums.
    long long const pitch = image.GetPitch();
    unsigned short const* p = pixels + static_cast<long long>(y0) * pitch + x0;
    double const ax = x - fx;
    double const ay = y - fy;
    double const top = static_cast<double>(p[0]) * (1 - ax) + static_cast<double>(p[1]) * ax;
    double const bottom = static_cast<double>(p[pitch]) * (1 - ax) + static_cast<double>(p[pitch + 1]) * ax;
    return top * (1 - ay) + bottom * ay;
}

struct Axis {
    double bx;
    double by;
    double ux;
    double uy;
    // Across the line: (-uy, ux).
    double At(GrayImage const& image, double s, double t) const
    {
        return SampleClamped(image, bx + ux * s - uy * t, by + uy * s + ux * t);
    }
};

// Samples from `from` on in steps of `step`, at `t` across the line.
void Profile(GrayImage const& image, Axis const& axis, double from, double step, double t, int count, double* out)
{
    for (int k = 0; k < count; ++k) {
        out[k] = axis.At(image, from + k * step, t);
    }
}

// The reference profile less its mean, and the sum of its squared
// deviations: the same for every line and shift of a pass compared with it.
struct CentredReference {
    double deviations[kMaxSamples];
    double spread = 0;
};

void Centre(double const* reference, int count, CentredReference& centred)
{
    double mean = 0;
    for (int k = 0; k < count; ++k) {
        mean += reference[k];
    }
    mean /= count;
    centred.spread = 0;
    for (int k = 0; k < count; ++k) {
        centred.deviations[k] = reference[k] - mean;
        centred.spread += centred.deviations[k] * centred.deviations[k];
    }
}

// As RSSFinderDirection::Correlation with the reference centred beforehand,
// summed in the same order.
double Correlation(CentredReference const& a, double const* b, int count)
{
    double mb = 0;
    for (int k = 0; k < count; ++k) {
        mb += b[k];
    }
    mb /= count;
    double ab = 0;
    double bb = 0;
    for (int k = 0; k < count; ++k) {
        ab += a.deviations[k] * (b[k] - mb);
        bb += (b[k] - mb) * (b[k] - mb);
    }
    return a.spread <= 0 || bb <= 0 ? 0.0 : ab / std::sqrt(a.spread * bb);
}

// The shift along the line at which the line `t` across shows the
// reference profile best; false when no shift within the skew shows it.
bool CalcShift(GrayImage const& image, Axis const& axis, double from, double step, int count,
               CentredReference const& reference, double t, double& shift)
{
    double const half = step / 2;
    int const reach = static_cast<int>(std::ceil((std::fabs(t) * kMaxTangent + step) / half));
    double best = -2.0;
    int at = 0;
    double before = 0;
    double after = 0;
    double previous = -2.0;
    double line[kMaxSamples];
    for (int k = -reach; k <= reach; ++k) {
        Profile(image, axis, from + k * half, step, t, count, line);
        double const c = Correlation(reference, line, count);
        if (c > best) {
            best = c;
            at = k;
            before = previous;
            after = -2.0;
        } else if (k == at + 1) {
            after = c;
        }
        previous = c;
    }
    // A best shift at the edge of the search is no match of the finder.
    if (best < kMinCorrelation || at == -reach || at == reach) {
        return false;
    }
    double const curve = before - 2 * best + after;
    double const fraction = curve < 0 ? (before - after) / (2 * curve) : 0.0;
    shift = (at + fraction) * half;
    return true;
}

}  // namespace

double RSSFinderDirection::SampleBilinear(GrayImage const& image, double x, double y)
{
    return SampleClamped(image, x, y);
}

double RSSFinderDirection::Correlation(double const* a, double const* b, int count)
{
    double ma = 0;
    double mb = 0;
    for (int k = 0; k < count; ++k) {
        ma += a[k];
        mb += b[k];
    }
    ma /= count;
    mb /= count;
    double ab = 0;
    double aa = 0;
    double bb = 0;
    for (int k = 0; k < count; ++k) {
        ab += (a[k] - ma) * (b[k] - mb);
        aa += (a[k] - ma) * (a[k] - ma);
        bb += (b[k] - mb) * (b[k] - mb);
    }
    return aa <= 0 || bb <= 0 ? 0.0 : ab / std::sqrt(aa * bb);
}

bool RSSFinderDirection::Calc(GrayImage const& image, LineSegment const& finder, double& ux, double& uy, int modules)
{
    double const dx = static_cast<double>(finder.end.x) - finder.begin.x;
    double const dy = static_cast<double>(finder.end.y) - finder.begin.y;
    double const length = std::sqrt(dx * dx + dy * dy);
    if (image.GetPixels() == nullptr || length < kMinLength) {
        return false;
    }
    double const module = length / modules;
    double const across = module < 1.0 ? 1.0 : module;
    Axis axis{static_cast<double>(finder.begin.x), static_cast<double>(finder.begin.y), dx / length, dy / length};
    double const from = -module;
    double const span = length + 2 * module;
    int const count = kMaxSamples;
    double const step = span / (count - 1);
    // The second pass measures what the first left from the turned line.
    for (int pass = 0; pass < 2; ++pass) {
        double reference[kMaxSamples];
        Profile(image, axis, from, step, 0.0, count, reference);
        CentredReference centred;
        Centre(reference, count, centred);
        // A flat reference correlates with no line: no shift would be found.
        if (centred.spread <= 0) {
            return false;
        }
        double tt = 0;
        double td = 0;
        int matched = 0;
        for (int k = -kOffsets; k <= kOffsets; ++k) {
            double const t = k * across;
            double shift = 0;
            if (k == 0 || !CalcShift(image, axis, from, step, count, centred, t, shift)) {
                continue;
            }
            tt += t * t;
            td += t * shift;
            ++matched;
        }
        if (matched < 2) {
            return false;
        }
        // The bars run along (shift, t): the reading direction is t u - shift n.
        double const slope = td / tt;
        double const rx = axis.ux + slope * axis.uy;
        double const ry = axis.uy - slope * axis.ux;
        double const norm = std::sqrt(rx * rx + ry * ry);
        axis.ux = rx / norm;
        axis.uy = ry / norm;
    }
    ux = axis.ux;
    uy = axis.uy;
    return true;
}

bool RSSFinderDirection::CalcRegion(GrayImage const& image, LineSegment const& finder, double acrossModules,
                                    Region& region, int modules, int reach)
{
    double ux = 0;
    double uy = 0;
    if (!Calc(image, finder, ux, uy, modules)) {
        return false;
    }
    double const dx = static_cast<double>(finder.end.x) - finder.begin.x;
    double const dy = static_cast<double>(finder.end.y) - finder.begin.y;
    double const length = std::sqrt(dx * dx + dy * dy);
    double const module = length / modules;
    double const cx = finder.begin.x + dx / 2 - uy * acrossModules * module;
    double const cy = finder.begin.y + dy / 2 + ux * acrossModules * module;
    double const along = length / 2 + reach * module;
    double const half = kHalfHeightModules * module < 2.5 ? 2.5 : kHalfHeightModules * module;
    auto at = [&](double s, double t) {
        return Point{static_cast<int>(std::lround(cx + ux * s - uy * t)),
                     static_cast<int>(std::lround(cy + uy * s + ux * t))};
    };
    region = Region{{at(-along, -half), at(along, -half), at(along, half), at(-along, half)}};
    return true;
}

}  // namespace DEC2DIvra
