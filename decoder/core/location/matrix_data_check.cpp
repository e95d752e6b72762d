#include "decoder/core/location/matrix_data_check.h"

namespace DEC2DIvra {

namespace {

constexpr unsigned kLines = 9;
constexpr int kContrastFloor = 96;
// Modules a line along the bars must cross for its colour changes to tell.
constexpr int kLeastModules = 4;
// Of the modules a line crosses, the share (two in seven) that must change
// colour: random modules change at every second one, the bars of a bar code
// read at a slant of a few degrees hardly ever, and the rows of a stacked
// symbol every ten modules or so.
constexpr int kChanges = 2;
constexpr int kModulesPerChanges = 7;
constexpr int kLeastChanges = 2;
// The longest stretch sampled along the axis for the grey range.
constexpr long long kMaxAxisSamples = 4096;

// Colour changes along the line at s from t0 to t1. A sample takes a colour
// only when its grey passes the middle by the margin, and a change counts
// when two samples in a row show the new colour: a line that runs nearly
// along a turned edge meets its pixel steps one at a time.
unsigned CountChanges(GrayImage const& image, BarRegionCandidate const& candidate, long long s, int middle,
                      int margin)
{
    unsigned changes = 0;
    int colour = -1;  // unknown until two samples agree
    int last = -1;
    for (long long t = candidate.t0; t <= candidate.t1; ++t) {
        Point const p = candidate.axis.CalcPoint(s, t);
        if (!image.IsInside(p.x, p.y)) {
            continue;
        }
        int const v = image.At(p.x, p.y);
        int const now = v < middle - margin ? 0 : (v > middle + margin ? 1 : -1);
        if (now >= 0 && now == last && now != colour) {
            changes += colour >= 0 ? 1u : 0u;
            colour = now;
        }
        last = now;
    }
    return changes;
}

}  // namespace

bool LooksLikeMatrixData(GrayImage const& image, BarRegionCandidate const& candidate)
{
    int const module = candidate.spacing < 2 ? 2 : static_cast<int>(candidate.spacing);
    long long const width = static_cast<long long>(candidate.t1) - candidate.t0 + 1;
    long long const length = static_cast<long long>(candidate.s1) - candidate.s0 + 1;
    if (image.GetPixels() == nullptr || width < kLeastModules * module || length < static_cast<long long>(kLines)) {
        return false;
    }
    // The grey range along the axis, from at most kMaxAxisSamples samples.
    long long const step = length / kMaxAxisSamples + 1;
    long long const middleT = (static_cast<long long>(candidate.t0) + candidate.t1) / 2;
    int low = 1 << 20;
    int high = -1;
    for (long long s = candidate.s0; s <= candidate.s1; s += step) {
        Point const p = candidate.axis.CalcPoint(s, middleT);
        if (!image.IsInside(p.x, p.y)) {
            continue;
        }
        int const v = image.At(p.x, p.y);
        low = v < low ? v : low;
        high = v > high ? v : high;
    }
    if (high - low < kContrastFloor) {
        return false;
    }
    int const middle = (low + high) / 2;
    int const margin = (high - low) / 5;
    unsigned counts[kLines];
    for (unsigned k = 0; k < kLines; ++k) {
        long long const s = candidate.s0 + length * (k + 1) / (kLines + 1);
        unsigned const c = CountChanges(image, candidate, s, middle, margin);
        // Kept in order for the median.
        unsigned at = k;
        while (at > 0 && counts[at - 1] > c) {
            counts[at] = counts[at - 1];
            --at;
        }
        counts[at] = c;
    }
    long long const least = kChanges * width / (kModulesPerChanges * module);
    unsigned const median = counts[kLines / 2];
    return median >= kLeastChanges && static_cast<long long>(median) >= least;
}

}  // namespace DEC2DIvra
