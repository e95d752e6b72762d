#include "decoder/core/location/stacked_candidate_check.h"

#include "decoder/core/location/matrix_candidate_finder.h"

namespace DEC2DIvra {

namespace {

constexpr unsigned kMaxSamples = 4096;
constexpr unsigned kMaxRuns = 1024;
constexpr int kContrastFloor = 96;
// The least share of their samples in which two lines across a stacked
// symbol differ (its rows hold different characters); a linear symbol's
// lines differ at their edges only, unless noise or clutter is read.
constexpr unsigned kDifferingPercent = 15;

constexpr int kStart[8] = {8, 1, 1, 1, 1, 1, 1, 3};
constexpr int kStartBackward[8] = {3, 1, 1, 1, 1, 1, 1, 8};
constexpr int kStop[9] = {7, 1, 1, 3, 1, 1, 1, 2, 1};
constexpr int kStopBackward[9] = {1, 2, 1, 1, 1, 3, 1, 1, 7};

// Some window of `count` runs, beginning with a run of the wanted colour,
// follows the modules.
bool HasPattern(int const* runs, bool firstDark, unsigned runCount, bool wantDark, int const* modules,
                unsigned count)
{
    for (unsigned i = firstDark == wantDark ? 0 : 1; i + count <= runCount; i += 2) {
        if (IsRunRatio(runs + i, modules, count)) {
            return true;
        }
    }
    return false;
}

}  // namespace

namespace {

bool HasStartOrStop(GrayImage const& image, BarRegionCandidate const& candidate, long long t)
{
    long long const length = static_cast<long long>(candidate.s1) - candidate.s0 + 1;
    if (length < 17 || length > static_cast<long long>(kMaxSamples)) {
        return false;
    }
    unsigned short samples[kMaxSamples];
    unsigned count = 0;
    int low = 1 << 16;
    int high = -1;
    for (long long s = candidate.s0; s <= candidate.s1; ++s) {
        Point const p = candidate.axis.CalcPoint(s, t);
        if (!image.IsInside(p.x, p.y)) {
            continue;
        }
        unsigned short const v = image.At(p.x, p.y);
        samples[count++] = v;
        low = v < low ? v : low;
        high = v > high ? v : high;
    }
    if (count < 17 || high - low < kContrastFloor) {
        return false;
    }
    int const threshold = (low + high) / 2;
    int runs[kMaxRuns];
    unsigned runCount = 0;
    bool const firstDark = samples[0] < threshold;
    bool dark = firstDark;
    int run = 0;
    for (unsigned i = 0; i < count && runCount < kMaxRuns; ++i) {
        bool const now = samples[i] < threshold;
        if (now != dark) {
            runs[runCount++] = run;
            run = 0;
            dark = now;
        }
        ++run;
    }
    if (runCount < kMaxRuns) {
        runs[runCount++] = run;
    }
    // The start pattern ends with a space, so read backward it begins with one;
    // light-on-dark symbols show the same runs with the colours exchanged.
    for (int pass = 0; pass < 2; ++pass) {
        bool const dark = pass == 0;
        if (HasPattern(runs, firstDark, runCount, dark, kStart, 8) ||
            HasPattern(runs, firstDark, runCount, dark, kStop, 9) ||
            HasPattern(runs, firstDark, runCount, !dark, kStartBackward, 8) ||
            HasPattern(runs, firstDark, runCount, dark, kStopBackward, 9)) {
            return true;
        }
    }
    return false;
}

}  // namespace

bool IsStackedCandidate(GrayImage const& image, BarRegionCandidate const& candidate)
{
    // Three lines across the region's width: under perspective or a slant the
    // middle one alone may run off the start and stop columns.
    long long const t0 = candidate.t0;
    long long const t1 = candidate.t1;
    long long const lines[3] = {(t0 + t1) / 2, (3 * t0 + t1) / 4, (t0 + 3 * t1) / 4};
    for (long long const t : lines) {
        if (HasStartOrStop(image, candidate, t)) {
            return true;
        }
    }
    return false;
}

namespace {

// The line at t along the region, light (1) or dark (0) against the mean of
// its darkest and lightest samples; its length, or 0 when it is flat or off
// the image.
unsigned SampleColours(GrayImage const& image, BarRegionCandidate const& candidate, long long t,
                       unsigned char* colours)
{
    long long const length = static_cast<long long>(candidate.s1) - candidate.s0 + 1;
    if (length < 17 || length > static_cast<long long>(kMaxSamples)) {
        return 0;
    }
    unsigned short samples[kMaxSamples];
    int low = 1 << 16;
    int high = -1;
    unsigned count = 0;
    for (long long s = candidate.s0; s <= candidate.s1; ++s) {
        Point const p = candidate.axis.CalcPoint(s, t);
        if (!image.IsInside(p.x, p.y)) {
            return 0;
        }
        unsigned short const v = image.At(p.x, p.y);
        samples[count++] = v;
        low = v < low ? v : low;
        high = v > high ? v : high;
    }
    if (high - low < kContrastFloor) {
        return 0;
    }
    int const threshold = (low + high) / 2;
    for (unsigned i = 0; i < count; ++i) {
        colours[i] = samples[i] >= threshold ? 1 : 0;
    }
    return count;
}

// The share of [from, to) of `first` that differs from `second` at the
// shift along the axis that fits them best, in percent.
unsigned DifferingPercent(unsigned char const* first, unsigned char const* second, unsigned n, long long from,
                          long long to)
{
    // A turned symbol's bars drift along the axis from line to line.
    constexpr int kMaxShift = 6;
    from = from < 0 ? 0 : from;
    to = to > static_cast<long long>(n) ? static_cast<long long>(n) : to;
    unsigned best = 100;
    for (int shift = -kMaxShift; shift <= kMaxShift; ++shift) {
        unsigned differing = 0;
        unsigned compared = 0;
        for (long long i = from; i < to; ++i) {
            long long const j = i + shift;
            if (j < 0 || j >= static_cast<long long>(n)) {
                continue;
            }
            ++compared;
            differing += first[i] != second[j] ? 1u : 0u;
        }
        if (compared >= 8) {
            unsigned const percent = differing * 100 / compared;
            best = percent < best ? percent : best;
        }
    }
    return best;
}

unsigned DifferingRowsPercent(GrayImage const& image, BarRegionCandidate const& candidate)
{
    long long const t0 = candidate.t0;
    long long const t1 = candidate.t1;
    unsigned char first[kMaxSamples];
    unsigned char second[kMaxSamples];
    unsigned const n = SampleColours(image, candidate, (3 * t0 + t1) / 4, first);
    if (n == 0 || SampleColours(image, candidate, (t0 + 3 * t1) / 4, second) != n) {
        return 0;
    }
    unsigned const percent = DifferingPercent(first, second, n, 0, n);
    return percent == 100 ? 0 : percent;
}

}  // namespace

bool HasDifferingRows(GrayImage const& image, BarRegionCandidate const& candidate)
{
    return DifferingRowsPercent(image, candidate) >= kDifferingPercent;
}

}  // namespace DEC2DIvra
