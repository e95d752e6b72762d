#include "decoder/linear/code128/code128_partial_scan_data.h"

#include "decoder/linear/code128/code128_table.h"
#include "decoder/linear/line/magnitude_and_index.h"

namespace DEC2DIvra {

namespace {

constexpr unsigned kModules = Code128Table::kModules;

long long Abs(long long v) { return v < 0 ? -v : v; }

// Insertion sort by rising magnitude; three entries.
void SortByMagnitude(MagnitudeAndIndex* runs, unsigned count)
{
    for (unsigned i = 1; i < count; ++i) {
        MagnitudeAndIndex const item = runs[i];
        unsigned j = i;
        for (; j > 0 && runs[j - 1].magnitude > item.magnitude; --j) {
            runs[j] = runs[j - 1];
        }
        runs[j] = item;
    }
}

long long Sum(MagnitudeAndIndex const* runs, unsigned count)
{
    long long sum = 0;
    for (unsigned i = 0; i < count; ++i) {
        sum += runs[i].magnitude;
    }
    return sum;
}

int ToInt(long long v)
{
    return v > 0x7FFFFFFFLL ? 0x7FFFFFFF : (v < -0x7FFFFFFFLL ? -0x7FFFFFFF : static_cast<int>(v));
}

// One bar-total hypothesis: the modules of the sorted bars and spaces.
struct Hypothesis {
    unsigned barModules = 0;
    bool valid = false;
    MagnitudeAndIndex bars[3];
    MagnitudeAndIndex spaces[3];
};

void Share(Hypothesis& h, MagnitudeAndIndex const* bars, MagnitudeAndIndex const* spaces, long long total,
           long long barSum)
{
    for (unsigned i = 0; i < 3; ++i) {
        h.bars[i] = bars[i];
        h.spaces[i] = spaces[i];
    }
    // Shift the magnitudes so that the bars' share of the total is that of
    // their modules.
    int const offset = ToInt((total * h.barModules / kModules - barSum) / 3);
    VirtualArray<MagnitudeAndIndex> barList(h.bars, 3);
    VirtualArray<MagnitudeAndIndex> spaceList(h.spaces, 3);
    h.valid = MagnitudeAndIndex::CalcUnitWidthOnlyMagnitude(barList, h.barModules, 1, 4, offset) &&
              MagnitudeAndIndex::CalcUnitWidthOnlyMagnitude(spaceList, kModules - h.barModules, 1, 4, -offset);
}

// Sums over the runs that got the same modules in both hypotheses
// (agreeing) and over those that did not (differing).
struct Agreement {
    long long agreeingCount = 0;
    long long agreeingModules = 0;
    long long agreeingMagnitude = 0;
    long long differingCount = 0;
    long long differingModules[2] = {0, 0};
    long long differingMagnitude = 0;
};

Agreement Compare(MagnitudeAndIndex const* first, MagnitudeAndIndex const* second)
{
    Agreement a;
    for (unsigned i = 0; i < 3; ++i) {
        if (first[i].modules == second[i].modules) {
            ++a.agreeingCount;
            a.agreeingModules += first[i].modules;
            a.agreeingMagnitude += first[i].magnitude;
        } else {
            ++a.differingCount;
            a.differingModules[0] += first[i].modules;
            a.differingModules[1] += second[i].modules;
            a.differingMagnitude += first[i].magnitude;
        }
    }
    return a;
}

// Bars too thin or too wide against the mean module of their colour: no
// Code 128 element is below one module or above four.
bool IsPlausible(MagnitudeAndIndex const* sortedBars, MagnitudeAndIndex const* sortedSpaces, long long barSum,
                 long long spaceSum, unsigned barModules)
{
    long long const spaceModules = kModules - barModules;
    if (barModules == 0 || spaceModules <= 0) {
        return false;
    }
    if (barSum / barModules > 8LL * sortedBars[0].magnitude ||
        spaceSum / spaceModules > 8LL * sortedSpaces[0].magnitude) {
        return false;
    }
    return 5 * barSum / barModules > sortedBars[2].magnitude && 5 * spaceSum / spaceModules > sortedSpaces[2].magnitude;
}

}  // namespace

bool Code128PartialScanData::Finish(unsigned const modules[kRuns], BarSymbol& symbol) const
{
    // The key lays the runs out in reading order: a bar's modules as zeros,
    // a space's as ones.
    unsigned long long bits = 0;
    for (unsigned p = 0; p < kRuns; ++p) {
        unsigned const count = modules[p] < 32 ? modules[p] : 32;
        bits = (bits << count) | ((p & 1u) != 0 ? (1ULL << count) - 1 : 0ULL);
    }
    unsigned const key = static_cast<unsigned>(bits);
    if (Code128Table::instance.GetValue(static_cast<int>(key)) < 0) {
        return false;
    }
    symbol = BarSymbol{};
    symbol.value = static_cast<int>(key);
    symbol.begin = (*this)[0].begin;
    symbol.end = (*this)[kRuns - 1].end;
    symbol.width = (symbol.end - symbol.begin) / static_cast<int>(kModules);
    symbol.contrast = GetContrast();
    symbol.flag = 0;
    return true;
}

namespace {

// Whether run x of a colour comes last (first) when its three runs are sorted
// by rising magnitude, equal magnitudes keeping their order: it is the run
// that the module sharing gives the most (fewest) modules when these differ.
bool IsSortedLast(int const* m, unsigned x, unsigned y, unsigned z)
{
    auto above = [&](unsigned other) { return other < x ? m[x] >= m[other] : m[x] > m[other]; };
    return above(y) && above(z);
}

bool IsSortedFirst(int const* m, unsigned x, unsigned y, unsigned z)
{
    auto below = [&](unsigned other) { return other < x ? m[x] < m[other] : m[x] <= m[other]; };
    return below(y) && below(z);
}

}  // namespace

bool Code128PartialScanData::MayOpenByMagnitudes(bool reverced) const
{
    if (GetLength() != kRuns) {
        return false;
    }
    int m[kRuns];
    long long bars = 0;
    long long spaces = 0;
    for (unsigned p = 0; p < kRuns; ++p) {
        m[p] = ToInt(AtReading(p, reverced).magnitude);
        ((p & 1u) == 0 ? bars : spaces) += m[p];
    }
    // The sharing gives three runs of one colour over R modules, in sorted
    // order, (1 1 2) for R = 4; (1 1 3) or (1 2 2) for 5; (1 1 4), (1 2 3),
    // (2 1 3) or (2 2 2) for 6; (1 2 4), (1 3 3), (2 1 4) or (2 2 3) for 7.
    // So the run of a start or stop character with the most modules, and the
    // lone one-module space of start C, have their places in the sorted
    // order. Bar runs are at reading positions 0, 2, 4, spaces at 1, 3, 5.
    if (reverced) {
        // The stop read backwards: bars 2 3 1, spaces 3 1 1.
        return IsSortedLast(m, 2, 0, 4) && IsSortedLast(m, 1, 3, 5);
    }
    // Start A and B: bars 2 1 1 (four bar modules, which only the thin-bar
    // hypothesis offers), spaces 1 4 2 or 1 2 4.
    bool const thinBars = 5 * bars < 6 * spaces;
    if (thinBars && IsSortedLast(m, 0, 2, 4) && !IsSortedLast(m, 1, 3, 5)) {
        return true;
    }
    // Start C: bars 2 1 3, spaces 1 2 2.
    return IsSortedLast(m, 4, 0, 2) && IsSortedFirst(m, 1, 3, 5);
}

bool Code128PartialScanData::MayOpenByPairs(bool reverced) const
{
    if (GetLength() != kRuns) {
        return false;
    }
    long long width[kRuns];
    long long span = 0;
    for (unsigned p = 0; p < kRuns; ++p) {
        width[p] = AtReading(p, reverced).magnitude;
        span += width[p];
    }
    if (span <= 0) {
        return false;
    }
    // The space-and-bar pairs at reading positions 1-2 and 3-4 are given
    // their measured share of 11 modules rounded down, or one more. Start
    // characters hold 2 modules in the first and 3 or 5 in the second; the
    // stop read backwards 6 and 2.
    long long const first = (width[1] + width[2]) * static_cast<long long>(kModules) / span;
    long long const second = (width[3] + width[4]) * static_cast<long long>(kModules) / span;
    auto admits = [](long long share, long long modules) { return share == modules || share + 1 == modules; };
    if (reverced) {
        return admits(first, 6) && admits(second, 2);
    }
    return admits(first, 2) && (admits(second, 3) || admits(second, 5));
}

namespace {

// The edges of each symbol character in modules from its first edge (the
// stop: of its first six elements), with the sums the fit needs.
struct CharacterEdges {
    long long sum = 0;      // of the seven edges
    long long scatter = 0;  // 7 x the sum of their squares less the square of their sum
    long long edges[Code128PartialScanData::kRuns + 1] = {};
};

struct EdgeTable {
    CharacterEdges characters[Code128Table::kCharacterCount];

    EdgeTable()
    {
        for (unsigned value = 0; value < Code128Table::kCharacterCount; ++value) {
            CharacterEdges& c = characters[value];
            unsigned char const* widths = Code128Table::GetWidths(value);
            long long squares = 0;
            for (unsigned t = 0; t <= Code128PartialScanData::kRuns; ++t) {
                c.edges[t] = t == 0 ? 0 : c.edges[t - 1] + widths[t - 1];
                c.sum += c.edges[t];
                squares += c.edges[t] * c.edges[t];
            }
            c.scatter = static_cast<long long>(Code128PartialScanData::kRuns + 1) * squares - c.sum * c.sum;
        }
    }
};

}  // namespace

bool Code128PartialScanData::IsNearestByEdges(bool reverced, int key, Edges edges, unsigned slack) const
{
    int const value = Code128Table::instance.GetValue(key);
    if (GetLength() != kRuns || value < 0) {
        return false;
    }
    // The edges in reading order, from the first one.
    constexpr unsigned kEdges = kRuns + 1;
    long long x[kEdges] = {};
    for (unsigned p = 0; p < kRuns; ++p) {
        PartialScanElement const& run = AtReading(p, reverced);
        long long const width = edges == Edges::kByMagnitude ? static_cast<long long>(run.magnitude)
                                                             : static_cast<long long>(run.end) - run.begin;
        if (width <= 0) {
            return false;
        }
        x[p + 1] = x[p] + width;
    }
    // Spans beyond 2^14 units are scaled down: every product below stays an
    // integer under 2^53, exact as a double too, and nothing that counts is
    // lost.
    while (x[kRuns] > (1LL << 14)) {
        for (long long& edge : x) {
            edge >>= 1;
        }
    }
    long long sumX = 0;
    long long squaresX = 0;
    for (long long const edge : x) {
        sumX += edge;
        squaresX += edge * edge;
    }
    long long const scatterX = static_cast<long long>(kEdges) * squaresX - sumX * sumX;
    // Fitting x_t = m c_t + o to a character's edges c_t (least squares)
    // leaves, with a = 7 sum(c_t x_t) - sum(c_t) sum(x_t) and b the
    // character's `scatter`, squared deviations of (scatterX - a^2 / b) / 7
    // square units; with m = a / b units a module that is
    // b (scatterX b - a^2) / (7 a^2) square modules. A fit with m <= 0 is
    // none.
    static EdgeTable const table;
    auto deviations = [&](CharacterEdges const& c, double& squareModules) {
        long long products = 0;
        for (unsigned t = 0; t < kEdges; ++t) {
            products += c.edges[t] * x[t];
        }
        long long const a = static_cast<long long>(kEdges) * products - c.sum * sumX;
        if (a <= 0) {
            return false;
        }
        long long const left = scatterX * c.scatter - a * a;
        squareModules = static_cast<double>(c.scatter) * static_cast<double>(left < 0 ? 0 : left) /
                        (static_cast<double>(kEdges) * static_cast<double>(a) * static_cast<double>(a));
        return true;
    };
    double own = 0.0;
    if (!deviations(table.characters[value], own)) {
        return false;
    }
    double const limit = own - static_cast<double>(slack) / 100.0;
    for (unsigned other = 0; other < Code128Table::kCharacterCount; ++other) {
        double fit = 0.0;
        // A tie leaves the character in doubt.
        if (other != static_cast<unsigned>(value) && deviations(table.characters[other], fit) && fit <= limit) {
            return false;
        }
    }
    return true;
}

bool Code128PartialScanData::CalcBarSymbolPart(bool reverced, BarSymbol& symbol) const
{
    if (GetLength() != kRuns) {
        return false;
    }
    MagnitudeAndIndex bars[3];
    MagnitudeAndIndex spaces[3];
    for (unsigned p = 0; p < kRuns; ++p) {
        PartialScanElement const& run = AtReading(p, reverced);
        MagnitudeAndIndex& record = (p & 1u) == 0 ? bars[p / 2] : spaces[p / 2];
        record.index = static_cast<int>(p);
        record.modules = 0;
        record.magnitude = ToInt(run.magnitude);
        record.rawWidth = run.end - run.begin;
        record.samples = run.samples;
    }
    SortByMagnitude(bars, 3);
    SortByMagnitude(spaces, 3);
    long long const barSum = Sum(bars, 3);
    long long const spaceSum = Sum(spaces, 3);
    long long const total = barSum + spaceSum;
    if (total <= 0) {
        return false;
    }

    // The bars of a character cover an even number of modules.
    Hypothesis h[2];
    bool const thinBars = 5 * barSum < 6 * spaceSum;
    h[0].barModules = thinBars ? 4 : 6;
    h[1].barModules = thinBars ? 6 : 8;
    Share(h[0], bars, spaces, total, barSum);
    Share(h[1], bars, spaces, total, barSum);

    Hypothesis const* chosen = nullptr;
    if (h[0].valid && h[1].valid) {
        Agreement const b = Compare(h[0].bars, h[1].bars);
        Agreement const s = Compare(h[0].spaces, h[1].spaces);
        long long c = 0;
        if (b.agreeingCount != s.differingCount) {
            long long const divisor = b.agreeingCount + s.agreeingCount;
            if (divisor != 0) {
                c = ((b.agreeingMagnitude - total * b.agreeingModules / kModules) +
                     (total * s.agreeingModules / kModules - s.agreeingMagnitude)) /
                    divisor;
            }
            long long const limit = total / 44;
            c = c > limit ? limit : (c < -limit ? -limit : c);
        }
        long long const agreeingBars = b.agreeingMagnitude - c * b.agreeingCount;
        long long const differingBars = b.differingMagnitude - c * b.differingCount;
        long long const agreeingSpaces = s.agreeingMagnitude + c * s.agreeingCount;
        long long const differingSpaces = s.differingMagnitude + c * s.differingCount;
        long long const d = (agreeingBars - differingBars) - (agreeingSpaces - differingSpaces);
        long long residual[2];
        for (unsigned k = 0; k < 2; ++k) {
            long long const modules = (b.agreeingModules - b.differingModules[k]) -
                                      (s.agreeingModules - s.differingModules[k]);
            residual[k] = d - total * modules / kModules;
        }
        chosen = Abs(residual[1]) <= Abs(residual[0]) ? &h[1] : &h[0];
    } else if (h[0].valid || h[1].valid) {
        chosen = h[0].valid ? &h[0] : &h[1];
    } else {
        return false;
    }

    if (!IsPlausible(bars, spaces, barSum, spaceSum, chosen->barModules)) {
        return false;
    }
    unsigned modules[kRuns] = {};
    for (unsigned i = 0; i < 3; ++i) {
        modules[chosen->bars[i].index] = chosen->bars[i].modules;
        modules[chosen->spaces[i].index] = chosen->spaces[i].modules;
    }
    return Finish(modules, symbol);
}

bool Code128PartialScanData::CalcBarSymbolForBigger(bool reverced, BarSymbol& symbol) const
{
    if (GetLength() != kRuns || GetSpan() < kMinBiggerSpan) {
        return false;
    }
    // Widths weighted by contrast, as measured: a faint narrow element
    // counts for less than its edges say.
    long long width[kRuns];
    long long span = 0;
    MagnitudeAndIndex bars[3];
    MagnitudeAndIndex spaces[3];
    for (unsigned p = 0; p < kRuns; ++p) {
        PartialScanElement const& run = AtReading(p, reverced);
        width[p] = run.magnitude;
        span += width[p];
        MagnitudeAndIndex& record = (p & 1u) == 0 ? bars[p / 2] : spaces[p / 2];
        record.index = static_cast<int>(p);
        record.magnitude = ToInt(run.magnitude);
    }
    if (span <= 0) {
        return false;
    }

    // A bar and the space after it keep their joint width when ink spreads:
    // share the 11 modules over the three such pairs (2 to 7 modules each).
    MagnitudeAndIndex pairs[3];
    for (unsigned k = 0; k < 3; ++k) {
        pairs[k].index = static_cast<int>(k);
        pairs[k].magnitude = ToInt(width[2 * k] + width[2 * k + 1]);
        pairs[k].rawWidth = pairs[k].magnitude;
    }
    SortByMagnitude(pairs, 3);
    VirtualArray<MagnitudeAndIndex> pairList(pairs, 3);
    if (!MagnitudeAndIndex::CalcUnitWidthOnlyMagnitude(pairList, kModules, 2, 7, 0)) {
        return false;
    }
    long long pairModules[3] = {};
    for (MagnitudeAndIndex const& pair : pairs) {
        pairModules[pair.index] = pair.modules;
    }
    // So do a space and the bar after it; these fix the split of each pair
    // up to the width of the first bar. Both neighbours of each measured
    // share are tried.
    long long between[2][2];
    for (unsigned k = 0; k < 2; ++k) {
        long long const w = (width[2 * k + 1] + width[2 * k + 2]) * static_cast<long long>(kModules);
        between[k][0] = w / span;
        between[k][1] = between[k][0] + 1;
    }

    // Keep the element set with an even bar total that leaves the smallest
    // error once a common ink spread is allowed for.
    unsigned best[kRuns] = {};
    bool found = false;
    long long bestError = 0;
    for (unsigned choice = 0; choice < 16; ++choice) {
        long long e[kRuns];
        e[0] = 1 + (choice & 3u);
        e[1] = pairModules[0] - e[0];
        e[2] = between[0][(choice >> 2) & 1u] - e[1];
        e[3] = pairModules[1] - e[2];
        e[4] = between[1][(choice >> 3) & 1u] - e[3];
        e[5] = pairModules[2] - e[4];
        bool inRange = true;
        for (long long v : e) {
            inRange = inRange && v >= 1 && v <= 4;
        }
        if (!inRange || ((e[0] + e[2] + e[4]) & 1) != 0) {
            continue;
        }
        // Deviations in 1/11 of a module: 11 w - e span; bars gain the
        // spread that spaces lose.
        long long deviation[kRuns];
        long long spread = 0;
        for (unsigned p = 0; p < kRuns; ++p) {
            deviation[p] = static_cast<long long>(kModules) * width[p] - e[p] * span;
            spread += (p & 1u) == 0 ? deviation[p] : -deviation[p];
        }
        spread /= static_cast<long long>(kRuns);
        long long error = 0;
        for (unsigned p = 0; p < kRuns; ++p) {
            error += Abs(deviation[p] - ((p & 1u) == 0 ? spread : -spread));
        }
        if (!found || error < bestError) {
            found = true;
            bestError = error;
            for (unsigned p = 0; p < kRuns; ++p) {
                best[p] = static_cast<unsigned>(e[p]);
            }
        }
    }
    if (!found) {
        return false;
    }
    SortByMagnitude(bars, 3);
    SortByMagnitude(spaces, 3);
    unsigned const barModules = best[0] + best[2] + best[4];
    if (!IsPlausible(bars, spaces, Sum(bars, 3), Sum(spaces, 3), barModules)) {
        return false;
    }
    return Finish(best, symbol);
}

}  // namespace DEC2DIvra
