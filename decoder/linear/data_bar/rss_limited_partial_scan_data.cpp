#include "decoder/linear/data_bar/rss_limited_partial_scan_data.h"

#include "decoder/linear/line/magnitude_and_index.h"
#include "decoder/linear/data_bar/rss_calculation.h"

namespace DEC2DIvra {

namespace {

constexpr unsigned kModulus = 89;
constexpr unsigned kNoCheck = 89;

struct CheckLookup {
    unsigned char values[RSSLimitedStartPartialScanData::kLookupSize];

    CheckLookup()
    {
        for (unsigned char& v : values) {
            v = kNoCheck;
        }
        for (unsigned v = 0; v < RSSTables::kLimitedCheckCount; ++v) {
            unsigned odd[7];
            unsigned even[7];
            for (unsigned i = 0; i < 7; ++i) {
                odd[i] = RSSTables::kLimitedCheck[v][2 * i];
                even[i] = RSSTables::kLimitedCheck[v][2 * i + 1];
            }
            unsigned vOdd = 0;
            unsigned vEven = 0;
            unsigned const perColour = RSSLimitedStartPartialScanData::kPatternsPerColour;
            if (RSSCalculation::CalcRSSValue(odd, 7, 3, true, vOdd) &&
                RSSCalculation::CalcRSSValue(even, 7, 3, true, vEven) && vOdd < perColour && vEven < perColour) {
                values[vOdd * perColour + vEven] = static_cast<unsigned char>(v);
            }
        }
    }
};

// The runs of a window in line order, split by offset parity (even offsets
// first), each half sorted by rising magnitude after the spread correction
// (even offsets gain it, odd offsets lose it). False when a corrected
// magnitude is not positive.
bool SplitRuns(CommonPartialScanData const& window, int spread, MagnitudeAndIndex (&sorted)[14], long long& oddSum,
               long long& evenSum, int& oddSmallestRaw, int& evenSmallestRaw)
{
    bool const reverse = window.IsReverce();
    oddSum = 0;
    evenSum = 0;
    oddSmallestRaw = 0x7FFFFFFF;
    evenSmallestRaw = 0x7FFFFFFF;
    for (unsigned o = 0; o < 14; ++o) {
        PartialScanElement const& e = window[reverse ? 13 - o : o];
        MagnitudeAndIndex m;
        m.index = static_cast<int>(o);
        int const raw = static_cast<int>(e.magnitude);
        m.magnitude = o % 2 == 0 ? raw + spread : raw - spread;
        m.rawWidth = e.end - e.begin;
        m.samples = e.samples;
        if (m.magnitude <= 0) {
            return false;
        }
        if (o % 2 == 0) {
            sorted[o / 2] = m;
            oddSum += m.magnitude;
            oddSmallestRaw = raw < oddSmallestRaw ? raw : oddSmallestRaw;
        } else {
            sorted[7 + o / 2] = m;
            evenSum += m.magnitude;
            evenSmallestRaw = raw < evenSmallestRaw ? raw : evenSmallestRaw;
        }
    }
    MagnitudeAndIndex::SortByMagnitude(sorted, 7);
    MagnitudeAndIndex::SortByMagnitude(sorted + 7, 7);
    return true;
}

bool Share(MagnitudeAndIndex const (&sorted)[14], unsigned oddTotal, unsigned evenTotal, unsigned oddMaximum,
           unsigned evenMaximum, unsigned (&modules)[14])
{
    MagnitudeAndIndex work[14];
    for (unsigned i = 0; i < 14; ++i) {
        work[i] = sorted[i];
    }
    VirtualArray<MagnitudeAndIndex> odd(work, 7);
    VirtualArray<MagnitudeAndIndex> even(work + 7, 7);
    if (!MagnitudeAndIndex::CalcUnitWidth(odd, oddTotal, 1, oddMaximum, 0) ||
        !MagnitudeAndIndex::CalcUnitWidth(even, evenTotal, 1, evenMaximum, 0)) {
        return false;
    }
    for (unsigned i = 0; i < 14; ++i) {
        modules[i] = work[i].modules;
    }
    return true;
}

// Modules by line offset from modules by sorted position.
void ToOffsets(MagnitudeAndIndex const (&sorted)[14], unsigned const (&modules)[14], unsigned (&byOffset)[14])
{
    for (unsigned i = 0; i < 14; ++i) {
        byOffset[sorted[i].index] = modules[i];
    }
}

unsigned Checksum(unsigned const (&odd)[7], unsigned const (&even)[7], unsigned side)
{
    unsigned sum = 0;
    for (unsigned i = 0; i < 7; ++i) {
        sum += odd[i] * RSSCalculation::LimitedWeight(side, 2 * i) + even[i] * RSSCalculation::LimitedWeight(side, 2 * i + 1);
    }
    return sum % kModulus;
}

// The group with odd and even totals exchanged.
unsigned MirrorGroup(unsigned group)
{
    static unsigned char const kMirror[7] = {2, 1, 0, 4, 3, 6, 5};
    return kMirror[group];
}

// A data character read one way: the widths of its odd and even elements in
// reading order and its group give the value and the checksum.
void MakeReading(unsigned const (&odd)[7], unsigned const (&even)[7], unsigned group, unsigned side,
                 unsigned& value, unsigned& checksum)
{
    CharacterGroup const& g = RSSTables::kLimited[group];
    unsigned vOdd = 0;
    unsigned vEven = 0;
    if (!RSSCalculation::CalcRSSValue(odd, 7, g.oddWidest, true, vOdd) ||
        !RSSCalculation::CalcRSSValue(even, 7, g.evenWidest, false, vEven)) {
        return;
    }
    // A list outside the group's own count would name another group's value.
    unsigned const next = group + 1 < 7 ? RSSTables::kLimited[group + 1].g : 2013571u;
    if (vEven >= g.t || g.g + vOdd * g.t + vEven >= next) {
        return;
    }
    value = vOdd * g.t + vEven + g.g;
    checksum = Checksum(odd, even, side);
}

}  // namespace

bool SelectPatternCandidate(unsigned const (&modules)[2][14], unsigned const oddTotal[2], unsigned const evenTotal[2],
                            int const (&magnitudes)[14], unsigned& chosen)
{
    long long total = 0;
    long long oddSum = 0;
    long long evenSum = 0;
    long long d = 0;
    long long agreeMod = 0;
    long long differMod[2] = {0, 0};
    for (unsigned i = 0; i < 14; ++i) {
        bool const odd = i < 7;
        long long const sign = odd ? 1 : -1;
        total += magnitudes[i];
        (odd ? oddSum : evenSum) += magnitudes[i];
        if (modules[0][i] == modules[1][i]) {
            d += sign * magnitudes[i];
            agreeMod += sign * modules[0][i];
        } else {
            d -= sign * magnitudes[i];
            differMod[0] += sign * modules[0][i];
            differMod[1] += sign * modules[1][i];
        }
    }
    long long const n = oddTotal[0] + evenTotal[0];
    long long dist[2];
    for (unsigned x = 0; x < 2; ++x) {
        long long const p = total * (agreeMod - differMod[x]) / n;
        dist[x] = d - p < 0 ? p - d : d - p;
    }
    unsigned const pick = dist[0] >= dist[1] ? 1 : 0;
    unsigned const other = 1 - pick;
    // A narrow win that the ratio of the colours does not back is no choice.
    if (3 * dist[other] < 4 * dist[pick] &&
        oddSum * (1 + static_cast<long long>(evenTotal[pick])) < evenSum * (static_cast<long long>(oddTotal[pick]) - 1)) {
        return false;
    }
    chosen = pick;
    return true;
}

int RSSLimitedStartPartialScanData::CalcSpread() const
{
    long long even = 0;
    long long odd = 0;
    for (unsigned o = 0; o < kRuns; ++o) {
        ((o % 2 == 0) ? even : odd) += (*this)[o].magnitude;
    }
    return static_cast<int>((odd - even) / 14);
}

bool RSSLimitedStartPartialScanData::LookUpCheckValue(unsigned index, unsigned& value)
{
    static CheckLookup const lookup;
    // Indices beyond the table name no check character.
    if (index >= kLookupSize || lookup.values[index] == kNoCheck) {
        return false;
    }
    value = lookup.values[index];
    return true;
}

void RSSLimitedStartPartialScanData::CalcDataSpan(unsigned& minimum, unsigned& maximum) const
{
    long long const span = GetSpan();
    minimum = static_cast<unsigned>(24 * span / 18);
    maximum = static_cast<unsigned>(28 * span / 18);
}

bool RSSLimitedStartPartialScanData::FindCheck(ArrayIterator<ScanElement const> const& start, unsigned passes,
                                               RSSLimitedStartPartialScanData& check, BarSymbolForRSSLimited& value)
{
    RSSLimitedStartPartialScanData work;
    if (!work.Set(start)) {
        return false;
    }
    bool found = false;
    for (unsigned pass = 0; pass < passes; ++pass) {
        BarSymbolForRSSLimited candidate;
        if (work.CalcFinderBarSymbol(candidate)) {
            check = work;
            value = candidate;
            found = true;
        }
        if (!work.DeleteNoise()) {
            break;
        }
    }
    return found;
}

bool RSSLimitedStartPartialScanData::CalcFinderBarSymbol(BarSymbolForRSSLimited& check) const
{
    check = BarSymbolForRSSLimited{};
    if (GetLength() != kRuns) {
        return false;
    }
    MagnitudeAndIndex raw[14];
    long long s1 = 0;
    long long s2 = 0;
    int min1 = 0;
    int min2 = 0;
    if (!SplitRuns(*this, 0, raw, s1, s2, min1, min2) || s1 / 9 > 8LL * min1 || s2 / 9 > 8LL * min2 ||
        15 * s2 < 3 * s1 || 15 * s1 < 3 * s2) {
        return false;
    }
    int const spread = static_cast<int>((s2 - s1) / 14);
    MagnitudeAndIndex sorted[14];
    long long c1 = 0;
    long long c2 = 0;
    if (!SplitRuns(*this, spread, sorted, c1, c2, min1, min2) || s1 / 9 > 2LL * sorted[0].magnitude ||
        s2 / 9 > 2LL * sorted[7].magnitude) {
        return false;
    }
    // The check group (9 and 9 modules) against a foil of the nearest other
    // split; the runs must choose the check group.
    unsigned const oddTotal[2] = {9, s2 < s1 ? 11u : 7u};
    unsigned const evenTotal[2] = {9, 18 - oddTotal[1]};
    unsigned modules[2][14];
    if (!Share(sorted, oddTotal[0], evenTotal[0], 4, 4, modules[0])) {
        return false;
    }
    bool const foil = Share(sorted, oddTotal[1], evenTotal[1], 4, 4, modules[1]);
    int magnitudes[14];
    for (unsigned i = 0; i < 14; ++i) {
        magnitudes[i] = sorted[i].magnitude;
    }
    unsigned chosen = 0;
    if (foil && (!SelectPatternCandidate(modules, oddTotal, evenTotal, magnitudes, chosen) || chosen != 0)) {
        return false;
    }
    unsigned byOffset[14];
    ToOffsets(sorted, modules[0], byOffset);
    for (unsigned w : byOffset) {
        if (w > 3) {
            return false;
        }
    }
    // Direct: the pattern in line order; exchanged: against it.
    for (unsigned way = 0; way < 2; ++way) {
        unsigned odd[7];
        unsigned even[7];
        for (unsigned i = 0; i < 7; ++i) {
            odd[i] = way == 0 ? byOffset[2 * i] : byOffset[13 - 2 * i];
            even[i] = way == 0 ? byOffset[2 * i + 1] : byOffset[12 - 2 * i];
        }
        if (odd[6] != 1 || even[6] != 1) {
            continue;
        }
        unsigned vOdd = 0;
        unsigned vEven = 0;
        unsigned value = 0;
        if (RSSCalculation::CalcRSSValue(odd, 7, 3, true, vOdd) && RSSCalculation::CalcRSSValue(even, 7, 3, true, vEven) &&
            LookUpCheckValue(vOdd * kPatternsPerColour + vEven, value)) {
            check.value[way] = value;
            check.checksum[way] = value;
        }
    }
    return check.value[0] != BarSymbolForRSSLimited::kNoReading ||
           check.value[1] != BarSymbolForRSSLimited::kNoReading;
}

bool RSSLimitedPartialScanData::CalcBarSymbol(unsigned side, int spread, BarSymbolForRSSLimited& character) const
{
    character = BarSymbolForRSSLimited{};
    if (GetLength() != kRuns) {
        return false;
    }
    MagnitudeAndIndex sorted[14];
    long long o = 0;
    long long e = 0;
    int oddSmallestRaw = 0;
    int evenSmallestRaw = 0;
    if (!SplitRuns(*this, spread, sorted, o, e, oddSmallestRaw, evenSmallestRaw)) {
        return false;
    }
    // The ratio of the colours narrows the groups down to two.
    unsigned a = 0;
    unsigned b = 0;
    if (21 * o <= 5 * e || 5 * o > 21 * e) {
        return false;
    }
    if (9 * e >= 17 * o) {
        a = 2, b = 6;
    } else if (11 * e >= 15 * o) {
        a = 4, b = 2;
    } else if (e >= o) {
        a = 1, b = 4;
    } else if (15 * e >= 11 * o) {
        a = 3, b = 1;
    } else if (17 * e >= 9 * o) {
        a = 0, b = 3;
    } else {
        a = 5, b = 0;
    }
    unsigned const groups[2] = {a, b};
    unsigned oddTotal[2];
    unsigned evenTotal[2];
    unsigned modules[2][14];
    bool fits[2];
    for (unsigned x = 0; x < 2; ++x) {
        CharacterGroup const& g = RSSTables::kLimited[groups[x]];
        oddTotal[x] = g.oddModules;
        evenTotal[x] = g.evenModules;
        fits[x] = Share(sorted, g.oddModules, g.evenModules, g.oddWidest + 1u, g.evenWidest + 1u, modules[x]);
    }
    int magnitudes[14];
    for (unsigned i = 0; i < 14; ++i) {
        magnitudes[i] = sorted[i].magnitude;
    }
    unsigned chosen = fits[0] ? 0 : 1;
    if (!fits[0] && !fits[1]) {
        return false;
    }
    if (fits[0] && fits[1] && !SelectPatternCandidate(modules, oddTotal, evenTotal, magnitudes, chosen)) {
        return false;
    }
    unsigned const group = groups[chosen];
    CharacterGroup const& g = RSSTables::kLimited[group];
    long long const uncorrectedOdd = o - 7LL * spread;
    long long const uncorrectedEven = e + 7LL * spread;
    if (uncorrectedOdd / g.oddModules > 8LL * oddSmallestRaw || uncorrectedEven / g.evenModules > 8LL * evenSmallestRaw ||
        o / g.oddModules > 2LL * sorted[0].magnitude || e / g.evenModules > 2LL * sorted[7].magnitude) {
        return false;
    }
    unsigned byOffset[14];
    ToOffsets(sorted, modules[chosen], byOffset);
    character.begin = GetBegin() < GetEnd() ? GetBegin() : GetEnd();
    character.end = GetBegin() < GetEnd() ? GetEnd() : GetBegin();
    character.module = (character.end - character.begin) / 26;
    character.oddTotal = g.oddModules;
    character.oddWidest = g.oddWidest;
    character.evenTotal = g.evenModules;
    character.evenWidest = g.evenWidest;
    // Direct: the narrowest element at an odd offset is one module;
    // exchanged: the narrowest at an even offset.
    if (modules[chosen][7] == 1) {
        unsigned odd[7];
        unsigned even[7];
        for (unsigned i = 0; i < 7; ++i) {
            odd[i] = byOffset[2 * i];
            even[i] = byOffset[2 * i + 1];
        }
        MakeReading(odd, even, group, side, character.value[0], character.checksum[0]);
    }
    if (modules[chosen][0] == 1) {
        unsigned odd[7];
        unsigned even[7];
        for (unsigned i = 0; i < 7; ++i) {
            odd[i] = byOffset[13 - 2 * i];
            even[i] = byOffset[12 - 2 * i];
        }
        MakeReading(odd, even, MirrorGroup(group), 1 - side, character.value[1], character.checksum[1]);
    }
    return character.value[0] != BarSymbolForRSSLimited::kNoReading ||
           character.value[1] != BarSymbolForRSSLimited::kNoReading;
}

}  // namespace DEC2DIvra
