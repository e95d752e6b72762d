#include "decoder/stacked/pdf417/pdf_partial_scan_data.h"

#include "decoder/core/arithmetic/dec_math.h"
#include "decoder/stacked/pdf417/magnitude_and_index_for_pdf.h"
#include "decoder/stacked/pdf_character_table.h"

namespace DEC2DIvra {

namespace {

constexpr unsigned kRuns = 8;
constexpr int kModules = 17;
constexpr int kMostModules = 6;

using Record = MagnitudeAndIndexForPDF;

PartialScanElement const& WalkRun(CommonPartialScanData const& window, bool reversed, unsigned i)
{
    return window[reversed ? kRuns - 1 - i : i];
}

// The 17-module string of four bars and four spaces (bars 0, first module
// most significant); false when a width is below 1 or the sum is not 17.
bool MakePattern(int const bars[4], int const spaces[4], unsigned& pattern)
{
    unsigned value = 0;
    int total = 0;
    for (unsigned i = 0; i < 4; ++i) {
        if (bars[i] < 1 || spaces[i] < 1) {
            return false;
        }
        value <<= bars[i];
        value = (value << spaces[i]) | ((1u << spaces[i]) - 1u);
        total += bars[i] + spaces[i];
    }
    pattern = value;
    return total == kModules;
}

unsigned ClusterOf(int const bars[4])
{
    return static_cast<unsigned>(((bars[0] - bars[1] + bars[2] - bars[3] + 9) % 9 + 9) % 9);
}

bool IsCluster(unsigned cluster) { return cluster == 0 || cluster == 3 || cluster == 6; }

void FillSymbol(CommonPartialScanData const& window, unsigned pattern, unsigned cluster, BarSymbolForPDF& symbol)
{
    symbol.pattern = pattern;
    symbol.cluster = cluster;
    symbol.begin = window[0].begin;
    symbol.end = window[kRuns - 1].end;
    long long const span = static_cast<long long>(symbol.end) - symbol.begin;
    symbol.module = span > 0 ? static_cast<unsigned>(span / kModules) : 0u;
    symbol.contrast = window.GetContrast() > 0 ? static_cast<unsigned>(window.GetContrast()) : 0u;
}

// The module counts of the records (given in walk order by their index)
// as bar and space widths in walk order.
void CountsInWalkOrder(Record const* bars, Record const* spaces, int (&barWidths)[4], int (&spaceWidths)[4])
{
    for (unsigned i = 0; i < 4; ++i) {
        barWidths[bars[i].index / 2] = bars[i].count;
        spaceWidths[spaces[i].index / 2] = spaces[i].count;
    }
}

}  // namespace

bool PDFPartialScanData::CalcUnitWidth(bool reversed, Array<int, 4>& bars, Array<int, 4>& spaces) const
{
    if (GetLength() != kRuns) {
        return false;
    }
    long long const span = static_cast<long long>((*this)[kRuns - 1].end) - (*this)[0].begin;
    long long const unit = span / kModules;
    if (unit <= 0) {
        return false;
    }
    // Pairs b_i + s_i (set E) and s_i + b_(i+1) (set O); each set shares 17
    // modules one at a time to the pair with the most width left.
    int modules[2][4] = {};
    for (unsigned set = 0; set < 2; ++set) {
        Record pairs[4];
        for (unsigned i = 0; i < 4; ++i) {
            PartialScanElement const& a = WalkRun(*this, reversed, 2 * i + set);
            PartialScanElement const& b = WalkRun(*this, reversed, (2 * i + set + 1) % kRuns);
            long long const width = static_cast<long long>(a.end) - a.begin + b.end - b.begin;
            pairs[i].index = static_cast<int>(i);
            pairs[i].width = width > 0x7FFFFFFF ? 0x7FFFFFFF : static_cast<int>(width);
            long long const magnitude = static_cast<long long>(a.magnitude) + b.magnitude;
            pairs[i].magnitude = magnitude > 0x7FFFFFFF ? 0x7FFFFFFF : static_cast<int>(magnitude);
            pairs[i].count = 0;
        }
        for (int k = 0; k < kModules; ++k) {
            DecMath::HeapSort(pairs, 4, &Record::CompareWidth);
            Record& widest = pairs[3];
            ++widest.count;
            widest.width = widest.width > unit ? static_cast<int>(widest.width - unit) : 0;
        }
        DecMath::HeapSort(pairs, 4, &Record::CompareIndex);
        for (unsigned i = 0; i < 4; ++i) {
            modules[set][i] = pairs[i].count;
        }
    }
    int const* e = modules[0];
    int const* o = modules[1];
    int b[4] = {-(o[0] + o[1] + o[2]), -(e[0] + o[1] + o[2]), -(e[0] + e[1] + o[2]), -(e[0] + e[1] + e[2])};
    int s[4] = {e[0] + o[0] + o[1] + o[2], e[0] + e[1] + o[1] + o[2], e[0] + e[1] + e[2] + o[2], 0};
    int k = 0;
    for (int v : b) {
        k = 1 - v > k ? 1 - v : k;
    }
    int total = 0;
    for (unsigned i = 0; i < 4; ++i) {
        b[i] += k;
        if (i < 3) {
            s[i] -= k;
        }
    }
    s[3] = kModules - k;
    for (unsigned i = 0; i < 4; ++i) {
        if (s[i] < 1) {
            return false;
        }
        total += b[i] + s[i];
        bars[i] = b[i];
        spaces[i] = s[i];
    }
    return total == kModules;
}

bool PDFPartialScanData::CalcBarSymbolForBigger(bool reversed, BarSymbolForPDF& symbol) const
{
    Array<int, 4> bars;
    Array<int, 4> spaces;
    if (!CalcUnitWidth(reversed, bars, spaces)) {
        return false;
    }
    int b[4] = {bars[0], bars[1], bars[2], bars[3]};
    int s[4] = {spaces[0], spaces[1], spaces[2], spaces[3]};
    unsigned const cluster = ClusterOf(b);
    if (!IsCluster(cluster)) {
        return false;
    }
    for (;;) {
        unsigned pattern = 0;
        if (!MakePattern(b, s, pattern)) {
            return false;
        }
        if (PDFCharacterTable::PatternToValue(pattern >> 1) != 0xFFFF) {
            FillSymbol(*this, pattern, cluster, symbol);
            return true;
        }
        // Bars measured too narrow: widen them at the spaces' cost.
        for (unsigned i = 0; i < 4; ++i) {
            ++b[i];
            if (--s[i] < 1) {
                return false;
            }
        }
    }
}

bool PDFPartialScanData::CalcBarSymbolForSmaller(bool reversed, BarSymbolForPDF& symbol) const
{
    if (GetLength() != kRuns) {
        return false;
    }
    Record bars[4];
    Record spaces[4];
    long long barMagnitudes = 0;
    long long spaceMagnitudes = 0;
    for (unsigned i = 0; i < kRuns; ++i) {
        PartialScanElement const& run = WalkRun(*this, reversed, i);
        Record& record = (i % 2 == 0 ? bars : spaces)[i / 2];
        record.index = static_cast<int>(i);
        record.magnitude = run.magnitude > 0x7FFFFFFFu ? 0x7FFFFFFF : static_cast<int>(run.magnitude);
        long long const width = static_cast<long long>(run.end) - run.begin;
        record.width = width > 0x7FFFFFFF ? 0x7FFFFFFF : (width < 0 ? 0 : static_cast<int>(width));
        record.count = 0;
        (i % 2 == 0 ? barMagnitudes : spaceMagnitudes) += record.magnitude;
    }
    DecMath::HeapSort(bars, 4, &Record::CompareMagnitude);
    DecMath::HeapSort(spaces, 4, &Record::CompareMagnitude);
    Array<int, 4> barOrder;
    Array<int, 4> spaceOrder;
    for (unsigned i = 0; i < 4; ++i) {
        barOrder[i] = bars[i].magnitude;
        spaceOrder[i] = spaces[i].magnitude;
    }
    int const firstBarTotal = CalcFirstBarTotal(barMagnitudes, spaceMagnitudes);

    CharacterCandidate candidates[8];
    unsigned found = 0;
    for (int barTotal = firstBarTotal; barTotal < firstBarTotal + 8; ++barTotal) {
        VirtualArray<Record> barList(bars, 4);
        VirtualArray<Record> spaceList(spaces, 4);
        if (!Record::CalcUnitWidth(barList, static_cast<unsigned>(barTotal), 1, kMostModules, 0) ||
            !Record::CalcUnitWidth(spaceList, static_cast<unsigned>(kModules - barTotal), 1, kMostModules, 0)) {
            continue;
        }
        int b[4];
        int s[4];
        CountsInWalkOrder(bars, spaces, b, s);
        unsigned const cluster = ClusterOf(b);
        unsigned pattern = 0;
        if (!IsCluster(cluster) || !MakePattern(b, s, pattern) ||
            PDFCharacterTable::PatternToValue(pattern >> 1) == 0xFFFF) {
            continue;
        }
        CharacterCandidate& candidate = candidates[found++];
        candidate.barTotal = static_cast<unsigned>(barTotal);
        candidate.spaceTotal = static_cast<unsigned>(kModules - barTotal);
        candidate.cluster = cluster;
        for (unsigned i = 0; i < 4; ++i) {
            candidate.bars[i] = static_cast<unsigned>(bars[i].count);
            candidate.spaces[i] = static_cast<unsigned>(spaces[i].count);
        }
    }
    if (found == 0) {
        return false;
    }
    // Knock-out: neighbours play in pairs until one is left.
    while (found > 1) {
        unsigned kept = 0;
        for (unsigned i = 0; i < found; i += 2) {
            if (i + 1 < found) {
                CharacterCandidate chosen;
                SelectCharacterCandidate(candidates[i], candidates[i + 1], barOrder, spaceOrder, chosen);
                candidates[kept++] = chosen;
            } else {
                candidates[kept++] = candidates[i];
            }
        }
        found = kept;
    }
    CharacterCandidate const& winner = candidates[0];
    for (unsigned i = 0; i < 4; ++i) {
        bars[i].count = static_cast<int>(winner.bars[i]);
        spaces[i].count = static_cast<int>(winner.spaces[i]);
    }
    DecMath::HeapSort(bars, 4, &Record::CompareIndex);
    DecMath::HeapSort(spaces, 4, &Record::CompareIndex);
    unsigned pattern = 0;
    unsigned modules = 0;
    if (!Record::CalcPattern(VirtualArray<Record const>(bars, 4), VirtualArray<Record const>(spaces, 4), pattern,
                             modules) ||
        modules != static_cast<unsigned>(kModules)) {
        return false;
    }
    FillSymbol(*this, pattern, winner.cluster, symbol);
    return true;
}

int PDFPartialScanData::CalcFirstBarTotal(long long barMagnitudes, long long spaceMagnitudes)
{
    if (9 * barMagnitudes < 8 * spaceMagnitudes) {
        return 4;
    }
    return 9 * spaceMagnitudes <= 8 * barMagnitudes ? 6 : 5;
}

void PDFPartialScanData::SelectCharacterCandidate(CharacterCandidate const& first, CharacterCandidate const& second,
                                                  Array<int, 4> const& barMagnitudes,
                                                  Array<int, 4> const& spaceMagnitudes, CharacterCandidate& chosen)
{
    long long total = 0;
    for (unsigned i = 0; i < 4; ++i) {
        total += static_cast<long long>(barMagnitudes[i]) + spaceMagnitudes[i];
    }
    long long const unit = total / kModules;
    // Agreeing (A) and differing (D) elements of each colour: how many,
    // their magnitude sum and their module sums.
    struct Group {
        long long n = 0;
        long long m = 0;
        long long k1 = 0;
        long long k2 = 0;
    };
    Group ab, db, as, ds;
    for (unsigned i = 0; i < 4; ++i) {
        Group& bar = first.bars[i] == second.bars[i] ? ab : db;
        ++bar.n;
        bar.m += barMagnitudes[i];
        bar.k1 += first.bars[i];
        bar.k2 += second.bars[i];
        Group& space = first.spaces[i] == second.spaces[i] ? as : ds;
        ++space.n;
        space.m += spaceMagnitudes[i];
        space.k1 += first.spaces[i];
        space.k2 += second.spaces[i];
    }
    if (ab.n != ds.n) {
        // Move the bars' and spaces' magnitudes by a common error so that
        // the agreeing elements fit their module counts.
        long long e = ((ab.m - total * ab.k1 / kModules) + (total * as.k1 / kModules - as.m)) / (ab.n + ds.n);
        e = e < -unit ? -unit : (e > unit ? unit : e);
        ab.m -= e * ab.n;
        db.m -= e * db.n;
        as.m += e * as.n;
        ds.m += e * ds.n;
    }
    long long const x = kModules * ((ab.m - db.m) - (as.m - ds.m));
    long long e1 = x - total * ((ab.k1 - db.k1) - (as.k1 - ds.k1));
    long long e2 = x - total * ((ab.k1 - db.k2) - (as.k1 - ds.k2));
    e1 = e1 < 0 ? -e1 : e1;
    e2 = e2 < 0 ? -e2 : e2;
    chosen = e1 < e2 ? first : second;
}

}  // namespace DEC2DIvra
