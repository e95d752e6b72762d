#include "decoder/stacked/pdf417/pdf_partial_scan_data.h"

namespace DEC2DIvra {

namespace {

constexpr unsigned kRuns = 8;

// The eight start and stop values: the 17 modules as met along the line,
// dark modules 0.
constexpr unsigned kStartForward = 343;
constexpr unsigned kStartForwardLight = 130728;
constexpr unsigned kStartBackward = 11007;
constexpr unsigned kStartBackwardLight = 120064;
constexpr unsigned kStopForward = 747;
constexpr unsigned kStopForwardLight = 130324;
constexpr unsigned kStopBackward = 20863;
constexpr unsigned kStopBackwardLight = 110208;

// Pair widths t_i (run i and run i + 1, the last with the first) and the
// edge magnitudes, both in walk order.
struct Walk {
    long long pairs[kRuns];
    long long magnitudes[kRuns];
    long long modules17;  // t0 + t2 + t4 + t6
};

bool MakeWalk(CommonPartialScanData const& window, bool reversed, Walk& walk)
{
    if (window.GetLength() != kRuns) {
        return false;
    }
    long long widths[kRuns];
    for (unsigned i = 0; i < kRuns; ++i) {
        PartialScanElement const& run = window[reversed ? kRuns - 1 - i : i];
        widths[i] = static_cast<long long>(run.end) - run.begin;
        walk.magnitudes[i] = run.magnitude;
    }
    for (unsigned i = 0; i < kRuns; ++i) {
        walk.pairs[i] = widths[i] + widths[(i + 1) % kRuns];
    }
    walk.modules17 = walk.pairs[0] + walk.pairs[2] + walk.pairs[4] + walk.pairs[6];
    return walk.modules17 > 0;
}

// Every run's magnitude must stand out from the average of the runs
// between first and last: their sum div divisor at most 8 x the weakest.
bool IsEvenContrast(Walk const& walk, unsigned first, unsigned last, long long divisor)
{
    long long sum = 0;
    long long weakest = walk.magnitudes[first];
    for (unsigned i = first; i <= last; ++i) {
        sum += walk.magnitudes[i];
        weakest = walk.magnitudes[i] < weakest ? walk.magnitudes[i] : weakest;
    }
    return sum / divisor <= 8 * weakest;
}

// Pair i lies within [low S / 17, high S / 17].
bool IsWithin(Walk const& walk, unsigned i, long long low, long long high)
{
    long long const s = walk.modules17;
    return walk.pairs[i] >= low * s / 17 && walk.pairs[i] <= high * s / 17;
}

}  // namespace

bool PDFFinderPartialScanData::IsStartCode(bool reversed) const
{
    Walk walk;
    if (!MakeWalk(*this, reversed, walk) || !IsEvenContrast(walk, 0, 6, 11) || !IsEvenContrast(walk, 1, 7, 6)) {
        return false;
    }
    // 8 1 1 1 1 1 1 3
    if (!IsWithin(walk, 0, 8, 10) || !IsWithin(walk, 6, 3, 5) || !IsWithin(walk, 7, 10, 12)) {
        return false;
    }
    for (unsigned i = 1; i <= 5; ++i) {
        if (!IsWithin(walk, i, 1, 3)) {
            return false;
        }
    }
    return true;
}

bool PDFFinderPartialScanData::IsStopCode(bool reversed) const
{
    Walk walk;
    if (!MakeWalk(*this, reversed, walk) || !IsEvenContrast(walk, 0, 6, 10) || !IsEvenContrast(walk, 1, 7, 7)) {
        return false;
    }
    // 7 1 1 3 1 1 1 2 (and the last bar beyond the window)
    return IsWithin(walk, 0, 7, 9) && IsWithin(walk, 1, 1, 3) && IsWithin(walk, 2, 3, 5) && IsWithin(walk, 3, 3, 5) &&
           IsWithin(walk, 4, 1, 3) && IsWithin(walk, 5, 1, 3) && IsWithin(walk, 6, 2, 4) && IsWithin(walk, 7, 8, 10);
}

bool PDFFinderPartialScanData::CalcStartStopBarSymbol(bool reversed, BarSymbolForPDF& symbol) const
{
    bool const light = GetLength() == kRuns && (*this)[0].colour == kLightRun;
    unsigned pattern = 0;
    unsigned kind = 0;
    if (IsStartCode(reversed)) {
        pattern = reversed ? (light ? kStartBackwardLight : kStartBackward) : (light ? kStartForwardLight : kStartForward);
        kind = reversed ? 2 : 7;
    } else if (IsStopCode(reversed)) {
        pattern = reversed ? (light ? kStopBackwardLight : kStopBackward) : (light ? kStopForwardLight : kStopForward);
        kind = reversed ? 3 : 6;
    } else {
        return false;
    }
    symbol.pattern = pattern;
    symbol.cluster = kind;
    symbol.begin = (*this)[0].begin;
    symbol.end = (*this)[kRuns - 1].end;
    long long const span = static_cast<long long>(symbol.end) - symbol.begin;
    symbol.module = span > 0 ? static_cast<unsigned>(span / 17) : 0u;
    symbol.contrast = GetContrast() > 0 ? static_cast<unsigned>(GetContrast()) : 0u;
    return true;
}

}  // namespace DEC2DIvra
