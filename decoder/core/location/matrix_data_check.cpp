#include "decoder/core/location/matrix_data_check.h"

#include "decoder/core/location/bar_region_profile.h"

namespace DEC2DIvra {

namespace {

constexpr unsigned kLines = kMatrixDataLines;
constexpr int kContrastFloor = 96;
// Modules a line along the bars must cross for its colour changes to tell.
constexpr int kLeastModules = 4;
// Of the modules a line crosses, the share (two in seven) that must change
// colour: random modules change at every second one, the bars of a bar code
// read at a slant of a few degrees hardly ever, and the rows of a stacked
// symbol every ten modules or so.
constexpr int kChanges = 2;
constexpr int kModulesPerChanges = 7;
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

// A clock track region is narrower than this many modules across.
constexpr long long kTrackBandModules = 6;
// Runs of one width in a row along a track: a Data Matrix symbol of 16
// modules a side has 14 between its corners.
constexpr unsigned kTrackRuns = 12;
// The longest line sampled along a track, at one-pixel steps.
constexpr long long kMaxTrackSamples = BarRegionProfile::kMaxSamples;
// Edges in 1/256 pixel.
constexpr long long kFraction = 256;

// Whether the line at t along the region crosses kTrackRuns runs in a row
// of one width: their mean at least 1.5 pixels, each within 35 percent of it
// and two in three within a fifth, edges placed where the interpolated grey
// crosses the middle of the line's range. A module's edge rendered across a
// pixel still shifts now and then by a good part of a pixel, widening one run
// and narrowing its neighbour; runs of one and two modules side by side (a
// third off their mean at best, as MSI bits show) never pass.
bool HasEvenRuns(BarRegionProfile& profile, GrayImage const& image, BarRegionCandidate const& candidate, int t)
{
    Rectangle const whole{0, 0, image.GetWidth() - 1, image.GetHeight() - 1};
    if (!profile.Sample(image, whole, candidate.axis, candidate.s0, candidate.s1, &t, 1) ||
        profile.GetStep() != 1) {
        return false;
    }
    int const* samples = profile.GetSamples();
    long long const count = profile.GetCount();
    int low = samples[0];
    int high = samples[0];
    for (long long i = 1; i < count; ++i) {
        low = samples[i] < low ? samples[i] : low;
        high = samples[i] > high ? samples[i] : high;
    }
    if (high - low < kContrastFloor) {
        return false;
    }
    int const middle = (low + high) / 2;
    // The widths of the runs between edges, the last kTrackRuns kept in a ring.
    long long widths[kTrackRuns];
    unsigned runs = 0;
    long long previous = -1;
    for (long long i = 0; i + 1 < count; ++i) {
        int const a = samples[i];
        int const b = samples[i + 1];
        if ((a < middle) == (b < middle)) {
            continue;
        }
        long long const edge = i * kFraction + (static_cast<long long>(middle) - a) * kFraction / (b - a);
        if (previous >= 0) {
            widths[runs % kTrackRuns] = edge - previous;
            ++runs;
        }
        previous = edge;
        if (runs < kTrackRuns) {
            continue;
        }
        long long sum = 0;
        for (long long const w : widths) {
            sum += w;
        }
        bool even = 2 * sum >= 3 * kFraction * static_cast<long long>(kTrackRuns);
        unsigned close = 0;
        for (unsigned k = 0; k < kTrackRuns && even; ++k) {
            long long const off = widths[k] * static_cast<long long>(kTrackRuns) - sum;
            long long const size = off < 0 ? -off : off;
            even = 20 * size <= 7 * sum;
            close += 5 * size <= sum ? 1u : 0u;
        }
        if (even && 3 * close >= 2 * kTrackRuns) {
            return true;
        }
    }
    return false;
}

}  // namespace

bool LiesAlongClockTrack(GrayImage const& image, BarRegionCandidate const& candidate)
{
    long long const module = candidate.spacing < 2 ? 2 : candidate.spacing;
    long long const width = static_cast<long long>(candidate.t1) - candidate.t0 + 1;
    long long const length = static_cast<long long>(candidate.s1) - candidate.s0 + 1;
    if (image.GetPixels() == nullptr || width < 1 || width >= kTrackBandModules * module ||
        length < static_cast<long long>(kTrackRuns) * 3 || length > kMaxTrackSamples) {
        return false;
    }
    BarRegionProfile profile;
    for (long long t = candidate.t0; t <= candidate.t1; ++t) {
        if (HasEvenRuns(profile, image, candidate, static_cast<int>(t))) {
            return true;
        }
    }
    return false;
}

bool LooksLikeMatrixData(GrayImage const& image, BarRegionCandidate const& candidate, unsigned lines,
                         unsigned leastChanges)
{
    int const module = candidate.spacing < 2 ? 2 : static_cast<int>(candidate.spacing);
    long long const width = static_cast<long long>(candidate.t1) - candidate.t0 + 1;
    long long const length = static_cast<long long>(candidate.s1) - candidate.s0 + 1;
    if (image.GetPixels() == nullptr || width < kLeastModules * module || length < static_cast<long long>(kLines) ||
        lines < 1 || lines > kLines) {
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
    // The fewest changes among the `lines` lines that changed most.
    unsigned const fewest = counts[kLines - lines];
    return fewest >= leastChanges && static_cast<long long>(fewest) >= least;
}

}  // namespace DEC2DIvra
