#include "decoder/core/location/matrix_data_check.h"

#include "decoder/core/location/bar_region_profile.h"

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

// Lines of the module-row check: at most this many pairs, one module apart
// about the middle of the region's width, and at least four: a two-row
// stacked symbol's narrow region under perspective differs at one pair of two.
constexpr unsigned kModuleRowPairs = 8;
constexpr unsigned kLeastModuleRowPairs = 4;
// Samples compared per line, from the middle of the stretch between the
// quiet zones: a linear symbol's bars read alike over any part of it.
constexpr unsigned kModuleRowSamples = 128;
constexpr unsigned kLeastModuleRowSamples = 16;
// Two lines one module apart differ when this share of their samples does
// at every shift up to kModuleRowMaxShift: the nearest pixels to the lines of
// a turned symbol place its edges a pixel apart from line to line, and a line
// drifts by a pixel or so over one module at a slant. A row of modules
// differs from its neighbour in half its modules, and so in a tenth of its
// samples and more.
constexpr int kModuleRowMaxShift = 2;
constexpr unsigned kModuleRowDifferingPercent = 6;
// The share of pairs that must differ: a stacked symbol's rows of three
// modules and more differ at one pair in three at most.
constexpr unsigned kModuleRowPairsPercent = 40;
// The widest region across its bars, in spacings of its edges, that the
// check looks at: a bar-like stretch of matrix data runs a few modules along
// its bars before the modules part, and a stacked symbol's region, which
// spans all its rows, is many times that wide.
constexpr long long kMostModuleRowSpacings = 32;

enum : unsigned char { kDark = 0, kUnsure = 1, kLight = 2 };

// `count` samples (at most kModuleRowSamples) of the line at t from s =
// `from` on, each dark, light or unsure against the middle of their range
// with a fifth of it as margin; false when they are flat or leave the image.
bool SampleTones(GrayImage const& image, BarRegionCandidate const& candidate, long long t, long long from,
                 unsigned count, unsigned char* tones)
{
    if (count == 0 || count > kModuleRowSamples) {
        return false;
    }
    int values[kModuleRowSamples];
    int low = 1 << 20;
    int high = -1;
    for (unsigned i = 0; i < count; ++i) {
        Point const p = candidate.axis.CalcPoint(from + i, t);
        if (!image.IsInside(p.x, p.y)) {
            return false;
        }
        int const v = image.At(p.x, p.y);
        values[i] = v;
        low = v < low ? v : low;
        high = v > high ? v : high;
    }
    if (high - low < kContrastFloor) {
        return false;
    }
    int const middle = (low + high) / 2;
    int const margin = (high - low) / 5;
    for (unsigned i = 0; i < count; ++i) {
        tones[i] = values[i] < middle - margin ? kDark : (values[i] > middle + margin ? kLight : kUnsure);
    }
    return true;
}

// Whether a tone plainly differs from every one of the other line's tones
// from `low` to `high`.
bool PlainlyApart(unsigned char tone, unsigned char const* other, unsigned low, unsigned high)
{
    if (tone == kUnsure) {
        return false;
    }
    for (unsigned j = low; j <= high; ++j) {
        if (other[j] == tone || other[j] == kUnsure) {
            return false;
        }
    }
    return true;
}

// Whether two lines differ over kModuleRowDifferingPercent of the samples
// they share at every shift up to kModuleRowMaxShift.
bool TonesDiffer(unsigned char const* first, unsigned char const* second, unsigned count)
{
    for (int shift = -kModuleRowMaxShift; shift <= kModuleRowMaxShift; ++shift) {
        unsigned const begin = shift < 0 ? static_cast<unsigned>(-shift) : 0u;
        unsigned const end = shift > 0 ? count - static_cast<unsigned>(shift) : count;
        unsigned differing = 0;
        for (unsigned i = begin; i < end; ++i) {
            unsigned const j = static_cast<unsigned>(static_cast<int>(i) + shift);
            differing += PlainlyApart(first[i], second, j == 0 ? 0 : j - 1, j + 1 == count ? j : j + 1) ? 1u : 0u;
        }
        if (differing * 100 < kModuleRowDifferingPercent * (end - begin)) {
            return false;
        }
    }
    return true;
}

}  // namespace

bool ShowsModuleRows(GrayImage const& image, BarRegionCandidate const& candidate)
{
    long long const module = candidate.spacing;
    long long const t0 = candidate.t0;
    long long const t1 = candidate.t1;
    long long const quiet = candidate.quiet;
    long long const inner = static_cast<long long>(candidate.s1) - candidate.s0 + 1 - 2 * quiet;
    if (image.GetPixels() == nullptr || module < 2 || t1 - t0 < static_cast<long long>(kLeastModuleRowPairs) * module ||
        t1 - t0 > kMostModuleRowSpacings * module || inner < static_cast<long long>(kLeastModuleRowSamples)) {
        return false;
    }
    unsigned const count = inner < static_cast<long long>(kModuleRowSamples) ? static_cast<unsigned>(inner)
                                                                              : kModuleRowSamples;
    long long const from = candidate.s0 + quiet + (inner - count) / 2;
    // The lines about the middle, as many pairs as the width holds up to
    // kModuleRowPairs.
    long long const span = (t1 - t0) / module;
    long long const pairs = span < static_cast<long long>(kModuleRowPairs) ? span : kModuleRowPairs;
    long long const first = (t0 + t1) / 2 - pairs * module / 2;
    unsigned char lines[2][kModuleRowSamples];
    bool sampled[2] = {false, false};
    unsigned compared = 0;
    unsigned differing = 0;
    for (long long k = 0; k <= pairs; ++k) {
        unsigned const at = static_cast<unsigned>(k & 1);
        sampled[at] = SampleTones(image, candidate, first + k * module, from, count, lines[at]);
        if (k == 0 || !sampled[at] || !sampled[at ^ 1u]) {
            continue;
        }
        ++compared;
        differing += TonesDiffer(lines[at ^ 1u], lines[at], count) ? 1u : 0u;
        // Too many pairs alike already: a linear symbol's bars end the check
        // after its first few lines.
        if ((compared - differing) * 100 > (100 - kModuleRowPairsPercent) * static_cast<unsigned>(pairs)) {
            return false;
        }
    }
    return compared >= kLeastModuleRowPairs && differing * 100 >= kModuleRowPairsPercent * compared;
}

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
