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
// The same where a column of MicroPDF417 row address patterns was seen: a
// one-column symbol's rows fill little of a region that reaches well into
// its quiet zones, and differ over 11 percent of it and more.
constexpr unsigned kRowAddressDifferingPercent = 8;
// The most share of their samples in which two lines across one linear
// symbol's bars differ.
constexpr unsigned kAlikePercent = 12;

constexpr int kStart[8] = {8, 1, 1, 1, 1, 1, 1, 3};
constexpr int kStartBackward[8] = {3, 1, 1, 1, 1, 1, 1, 8};
constexpr int kStop[9] = {7, 1, 1, 3, 1, 1, 1, 2, 1};
constexpr int kStopBackward[9] = {1, 2, 1, 1, 1, 3, 1, 1, 7};

// Which end of a pattern lies at the symbol's side, toward its quiet zone.
enum class Outer { kFirst, kLast };

// Whether the runs beyond the pattern at runs[at .. at + count) (its outer
// end as `outer` says; `total` pixels over `units` modules) begin with a
// quiet zone of two modules, the least a PDF417 symbol has, or with one
// behind a blip of a module at most (a line leaving a bar at a slant). A
// pattern at the line's end tells nothing and passes. Matrix data passes for
// a start or stop pattern now and then, with data beside it.
bool HasQuietBeyond(int const* runs, unsigned runCount, unsigned at, unsigned count, Outer outer, long long total,
                    long long units)
{
    long long const step = outer == Outer::kLast ? 1 : -1;
    long long k = outer == Outer::kLast ? static_cast<long long>(at) + count : static_cast<long long>(at) - 1;
    for (unsigned blips = 0; blips < 2; ++blips) {
        if (k < 0 || k >= static_cast<long long>(runCount)) {
            return true;
        }
        if (runs[k] * units >= 2 * total) {
            return true;
        }
        // The short light run and the blip of a module after it.
        long long const blip = k + step;
        if (blip < 0 || blip >= static_cast<long long>(runCount)) {
            return true;
        }
        if (runs[blip] * units > total) {
            return false;
        }
        k = blip + step;
    }
    return false;
}

// Some window of `count` runs, beginning with a run of the wanted colour,
// follows the modules; with `outer` given, beside a quiet zone at that end.
bool HasPattern(int const* runs, bool firstDark, unsigned runCount, bool wantDark, int const* modules,
                unsigned count, Outer const* outer)
{
    for (unsigned i = firstDark == wantDark ? 0 : 1; i + count <= runCount; i += 2) {
        if (!IsRunRatio(runs + i, modules, count)) {
            continue;
        }
        if (outer == nullptr) {
            return true;
        }
        long long total = 0;
        long long units = 0;
        for (unsigned k = 0; k < count; ++k) {
            total += runs[i + k];
            units += modules[k];
        }
        if (HasQuietBeyond(runs, runCount, i, count, *outer, total, units)) {
            return true;
        }
    }
    return false;
}

}  // namespace

namespace {

// The runs of the line at t along the region, light and dark against the
// mean of its darkest and lightest samples; how many, or 0 when the line is
// flat or too short. `firstDark` tells the colour of the first run.
unsigned LineRuns(GrayImage const& image, BarRegionCandidate const& candidate, long long t, int* runs,
                  bool& firstDark)
{
    long long const length = static_cast<long long>(candidate.s1) - candidate.s0 + 1;
    if (length < 17 || length > static_cast<long long>(kMaxSamples)) {
        return 0;
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
        return 0;
    }
    int const threshold = (low + high) / 2;
    unsigned runCount = 0;
    firstDark = samples[0] < threshold;
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
    return runCount;
}

// With `quiet`, only a pattern beside a quiet zone counts.
bool HasStartOrStop(GrayImage const& image, BarRegionCandidate const& candidate, long long t, bool quiet)
{
    int runs[kMaxRuns];
    bool firstDark = false;
    unsigned const runCount = LineRuns(image, candidate, t, runs, firstDark);
    if (runCount == 0) {
        return false;
    }
    // The start pattern ends with a space, so read backward it begins with one;
    // light-on-dark symbols show the same runs with the colours exchanged.
    // The start pattern's wide bar and the stop pattern's last bar lie at the
    // symbol's sides.
    Outer const first = Outer::kFirst;
    Outer const last = Outer::kLast;
    for (int pass = 0; pass < 2; ++pass) {
        bool const dark = pass == 0;
        if (HasPattern(runs, firstDark, runCount, dark, kStart, 8, quiet ? &first : nullptr) ||
            HasPattern(runs, firstDark, runCount, dark, kStop, 9, quiet ? &last : nullptr) ||
            HasPattern(runs, firstDark, runCount, !dark, kStartBackward, 8, quiet ? &last : nullptr) ||
            HasPattern(runs, firstDark, runCount, dark, kStopBackward, 9, quiet ? &first : nullptr)) {
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
        if (HasStartOrStop(image, candidate, t, true)) {
            return true;
        }
    }
    return false;
}

namespace {

// The row address patterns of the left and right columns of a MicroPDF417
// symbol, 1 to 52: three bars and three spaces over 10 modules, given by
// their first 9 modules (first module in bit 8, a bar 0, a space 1; the
// 10th module is a space).
constexpr unsigned short kSideRowAddresses[52] = {
    0x06E, 0x02E, 0x026, 0x066, 0x046, 0x042, 0x062, 0x022, 0x032, 0x012, 0x01A, 0x03A, 0x07A,
    0x072, 0x076, 0x036, 0x016, 0x014, 0x015, 0x035, 0x025, 0x02D, 0x02C, 0x028, 0x029, 0x02B,
    0x06B, 0x069, 0x068, 0x06C, 0x064, 0x024, 0x034, 0x074, 0x075, 0x065, 0x045, 0x04D, 0x04C,
    0x048, 0x049, 0x04B, 0x05B, 0x053, 0x051, 0x050, 0x058, 0x059, 0x05D, 0x05C, 0x05E, 0x04E,
};
constexpr int kRowAddressModules = 10;
constexpr int kRowAddressRuns = 6;

struct RowAddressRuns {
    int widths[52][kRowAddressRuns];
};

// The six run widths in modules of every side pattern.
constexpr RowAddressRuns MakeRowAddressRuns()
{
    RowAddressRuns table{};
    for (unsigned n = 0; n < 52; ++n) {
        unsigned const pattern = (static_cast<unsigned>(kSideRowAddresses[n]) << 1) | 1u;
        int run = 0;
        unsigned previous = 0;
        for (int bit = kRowAddressModules - 1; bit >= 0; --bit) {
            unsigned const module = (pattern >> bit) & 1u;
            if (bit < kRowAddressModules - 1 && module != previous) {
                ++run;
            }
            if (run < kRowAddressRuns) {
                ++table.widths[n][run];
            }
            previous = module;
        }
    }
    return table;
}

constexpr RowAddressRuns kSideRuns = MakeRowAddressRuns();

// Six runs, bar first (taken backward from `runs` when reversed), fit a side
// row address pattern: each bar and the space after it, and each space and
// the bar after it, within three quarters of a module of the pattern's (blur
// widens or narrows the bars alone, which those sums do not see; a pixel of
// sampling is most of a module at the smallest sizes), and each run within a
// module. `total10` gets their width, ten modules.
bool IsSideRowAddress(int const* runs, bool reversed, int& total10)
{
    int widths[kRowAddressRuns];
    int total = 0;
    for (int i = 0; i < kRowAddressRuns; ++i) {
        widths[i] = reversed ? runs[kRowAddressRuns - 1 - i] : runs[i];
        total += widths[i];
    }
    if (total < kRowAddressModules) {
        return false;
    }
    total10 = total;
    for (int const(&pattern)[kRowAddressRuns] : kSideRuns.widths) {
        bool fits = true;
        for (int i = 0; i < kRowAddressRuns && fits; ++i) {
            int const off = widths[i] * kRowAddressModules - pattern[i] * total;
            fits = (off < 0 ? -off : off) <= total;
            if (fits && i + 1 < kRowAddressRuns) {
                int const pairOff =
                    (widths[i] + widths[i + 1]) * kRowAddressModules - (pattern[i] + pattern[i + 1]) * total;
                fits = (pairOff < 0 ? -pairOff : pairOff) * 4 <= 3 * total;
            }
        }
        if (fits) {
            return true;
        }
    }
    return false;
}

constexpr int kCodewordModules = 17;
constexpr unsigned kCodewordRuns = 8;

// `count` runs span `modules` modules within a tenth, at ten modules to
// total10 pixels; none is wider than the widest run of a codeword (6
// modules).
bool IsBlock(int const* runs, unsigned count, int modules, int total10)
{
    int width = 0;
    for (unsigned i = 0; i < count; ++i) {
        if (runs[i] * 10 > 13 * total10 / 2) {
            return false;
        }
        width += runs[i];
    }
    int const off = width * 10 - modules * total10;
    return (off < 0 ? -off : off) * 10 <= modules * total10;
}

// The codeword next to a side pattern, and the block beyond it, a codeword
// or a row address pattern: from run `at` on (forward) or back from it (the
// runs before it), within runs [first, last].
bool HasBlocksBeside(int const* runs, long long at, bool forward, long long first, long long last, int total10)
{
    long long const codeword = forward ? at : at - kCodewordRuns;
    long long const next = forward ? at + kCodewordRuns : at - kCodewordRuns;
    if (codeword < first || codeword + kCodewordRuns - 1 > last ||
        !IsBlock(runs + codeword, kCodewordRuns, kCodewordModules, total10)) {
        return false;
    }
    unsigned const counts[2] = {kCodewordRuns, static_cast<unsigned>(kRowAddressRuns)};
    for (unsigned const count : counts) {
        long long const from = forward ? next : next - count;
        int const modules = count == kCodewordRuns ? kCodewordModules : kRowAddressModules;
        if (from >= first && from + count - 1 <= last && IsBlock(runs + from, count, modules, total10)) {
            return true;
        }
    }
    return false;
}

// An end of a row seen on a line: which of the four (the left or the right
// end, read forward or backward, and the bars' colour), where along the line
// its outermost bar begins, and the width of its row address pattern.
struct RowEnd {
    unsigned kind;
    int position;
    int total10;
};
constexpr unsigned kMaxRowEnds = 16;

// The ends of MicroPDF417 rows along a line read either way: a left row
// address pattern after a quiet zone, or a right one and the one-module stop
// bar before one, each with the codeword beside it and the block beyond (a
// codeword or a row address pattern). A quiet zone here is a light run of two
// modules or more. A locator's region may hold only a part of a row whose
// short bars gave it, and a line along a turned symbol's rows crosses from
// row to row: an end anywhere along the line counts. How many are found, at
// most `capacity`.
unsigned FindRowEnds(int const* runs, unsigned runCount, bool firstDark, bool wantDark, RowEnd* ends,
                     unsigned capacity)
{
    // The runs of the bars' colour; the first and the last run of the line
    // are cut by its ends and never taken for a bar.
    unsigned const first = firstDark == wantDark ? 2 : 1;
    if (runCount < 4) {
        return 0;
    }
    unsigned const last = ((runCount - 2) & 1u) == (first & 1u) ? runCount - 2 : runCount - 3;
    // Room for a side pattern, a codeword and another side pattern.
    if (last < first + 2 * kRowAddressRuns + kCodewordRuns) {
        return 0;
    }
    unsigned count = 0;
    int position = 0;
    for (unsigned i = 0; i < first; ++i) {
        position += runs[i];
    }
    unsigned const colour = wantDark ? 4u : 0u;
    for (unsigned i = first; i <= last && count < capacity; position += runs[i] + runs[i + 1], i += 2) {
        int const before = runs[i - 1] * 5;  // against total10: two modules
        int const after = runs[i + 1] * 5;
        int total10 = 0;
        unsigned kind = 4;
        // Forward: the left pattern's first bar at i after a quiet zone, or the
        // stop bar at i (a module wide, two at most) before one.
        if (i + kRowAddressRuns <= last && IsSideRowAddress(runs + i, false, total10) && before >= total10 &&
            HasBlocksBeside(runs, i + kRowAddressRuns, true, first, last, total10)) {
            kind = 0;
        } else if (i >= first + kRowAddressRuns && IsSideRowAddress(runs + i - kRowAddressRuns, false, total10) &&
                   runs[i] * 5 <= total10 && after >= total10 &&
                   HasBlocksBeside(runs, i - kRowAddressRuns, false, first, last, total10)) {
            kind = 1;
        // Backward: the stop bar at i after a quiet zone, or the left
        // pattern's first bar at i before one.
        } else if (i + kRowAddressRuns + 1 <= last && IsSideRowAddress(runs + i + 1, true, total10) &&
                   runs[i] * 5 <= total10 && before >= total10 &&
                   HasBlocksBeside(runs, i + 1 + kRowAddressRuns, true, first, last, total10)) {
            kind = 2;
        } else if (i >= first + kRowAddressRuns - 1 &&
                   IsSideRowAddress(runs + i - (kRowAddressRuns - 1), true, total10) && after >= total10 &&
                   HasBlocksBeside(runs, i - (kRowAddressRuns - 1), false, first, last, total10)) {
            kind = 3;
        }
        if (kind < 4) {
            ends[count++] = RowEnd{kind | colour, kind == 1 || kind == 3 ? position + runs[i] : position, total10};
        }
    }
    return count;
}

}  // namespace

bool ShowsRowAddressPatterns(GrayImage const& image, BarRegionCandidate const& candidate)
{
    long long const t0 = candidate.t0;
    long long const t1 = candidate.t1;
    long long const lines[3] = {(t0 + t1) / 2, (3 * t0 + t1) / 4, (t0 + 3 * t1) / 4};
    // The region may hold a part of the rows only: the lines run on beyond
    // both its ends by half its length.
    BarRegionCandidate longer = candidate;
    int const half = (candidate.s1 - candidate.s0) / 2;
    longer.s0 = candidate.s0 - half;
    longer.s1 = candidate.s1 + half;
    int runs[kMaxRuns];
    RowEnd ends[3][kMaxRowEnds];
    unsigned counts[3] = {};
    for (unsigned line = 0; line < 3; ++line) {
        bool firstDark = false;
        unsigned const runCount = LineRuns(image, longer, lines[line], runs, firstDark);
        counts[line] = FindRowEnds(runs, runCount, firstDark, true, ends[line], kMaxRowEnds);
        counts[line] += FindRowEnds(runs, runCount, firstDark, false, ends[line] + counts[line],
                                    kMaxRowEnds - counts[line]);
    }
    // The row address patterns of a side stand in a column: two lines across
    // the rows show an end of one kind at one place, within two modules. Data
    // that passes for one on a line (a matrix symbol's) does not on another.
    for (unsigned a = 0; a < 3; ++a) {
        for (unsigned b = a + 1; b < 3; ++b) {
            for (unsigned i = 0; i < counts[a]; ++i) {
                for (unsigned k = 0; k < counts[b]; ++k) {
                    RowEnd const& x = ends[a][i];
                    RowEnd const& y = ends[b][k];
                    int const apart = x.position - y.position;
                    if (x.kind == y.kind && (apart < 0 ? -apart : apart) * 5 <= x.total10) {
                        return true;
                    }
                }
            }
        }
    }
    return false;
}

namespace {

// `count` samples of the line at t along the region from s = `from` on
// (count at most kMaxSamples), light (1) or dark (0) against the mean of
// their darkest and lightest; false when they are flat or leave the image.
bool SampleStretch(GrayImage const& image, BarRegionCandidate const& candidate, long long t, long long from,
                   unsigned count, unsigned char* colours)
{
    unsigned short samples[kMaxSamples];
    int low = 1 << 16;
    int high = -1;
    for (unsigned i = 0; i < count && i < kMaxSamples; ++i) {
        Point const p = candidate.axis.CalcPoint(from + i, t);
        if (!image.IsInside(p.x, p.y)) {
            return false;
        }
        unsigned short const v = image.At(p.x, p.y);
        samples[i] = v;
        low = v < low ? v : low;
        high = v > high ? v : high;
    }
    if (count == 0 || count > kMaxSamples || high - low < kContrastFloor) {
        return false;
    }
    int const threshold = (low + high) / 2;
    for (unsigned i = 0; i < count; ++i) {
        colours[i] = samples[i] >= threshold ? 1 : 0;
    }
    return true;
}

// The line at t along the whole region, as SampleStretch gives it; its
// length, or 0 when it is flat or off the image.
unsigned SampleColours(GrayImage const& image, BarRegionCandidate const& candidate, long long t,
                       unsigned char* colours)
{
    long long const length = static_cast<long long>(candidate.s1) - candidate.s0 + 1;
    if (length < 17 || length > static_cast<long long>(kMaxSamples)) {
        return 0;
    }
    unsigned const count = static_cast<unsigned>(length);
    return SampleStretch(image, candidate, t, candidate.s0, count, colours) ? count : 0;
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

bool HasDifferingRowAddressRows(GrayImage const& image, BarRegionCandidate const& candidate)
{
    return DifferingRowsPercent(image, candidate) >= kRowAddressDifferingPercent;
}

bool HoldsBarsBesideStartOrStop(GrayImage const& image, BarRegionCandidate const& candidate)
{
    constexpr unsigned kLines = 5;
    long long const t0 = candidate.t0;
    long long const t1 = candidate.t1;
    unsigned char lines[2][kMaxSamples];
    unsigned counts[2] = {0, 0};
    for (unsigned k = 0; k < kLines; ++k) {
        long long const t = t0 + (t1 - t0) * static_cast<long long>(2 * k + 1) / (2 * kLines);
        unsigned char* const current = lines[k & 1u];
        unsigned& count = counts[k & 1u];
        count = HasStartOrStop(image, candidate, t, false) ? 0 : SampleColours(image, candidate, t, current);
        unsigned const previous = counts[(k + 1) & 1u];
        if (k > 0 && count != 0 && count == previous &&
            DifferingPercent(lines[(k + 1) & 1u], current, count, 0, count) < kAlikePercent) {
            return true;
        }
    }
    return false;
}

}  // namespace DEC2DIvra
