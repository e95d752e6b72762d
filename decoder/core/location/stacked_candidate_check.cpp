#include "decoder/core/location/stacked_candidate_check.h"

#include "decoder/core/location/matrix_candidate_finder.h"

namespace DEC2DIvra {

namespace {

constexpr unsigned kMaxSamples = 4096;
constexpr unsigned kMaxRuns = 1024;
constexpr int kContrastFloor = 96;

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

}  // namespace DEC2DIvra
