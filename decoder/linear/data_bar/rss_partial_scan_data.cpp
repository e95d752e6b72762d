#include "decoder/linear/data_bar/rss_partial_scan_data.h"

#include "decoder/linear/data_bar/rss_finder_partial_scan_data.h"

#include "decoder/linear/line/magnitude_and_index.h"
#include "decoder/linear/data_bar/rss_calculation.h"

namespace DEC2DIvra {

namespace {

bool Share(MagnitudeAndIndex const* sorted, unsigned total, unsigned widest, unsigned* modules)
{
    MagnitudeAndIndex work[4];
    for (unsigned i = 0; i < 4; ++i) {
        work[i] = sorted[i];
    }
    VirtualArray<MagnitudeAndIndex> runs(work, 4);
    if (!MagnitudeAndIndex::CalcUnitWidth(runs, total, 1, widest, 0)) {
        return false;
    }
    for (unsigned i = 0; i < 4; ++i) {
        modules[i] = work[i].modules;
    }
    return true;
}

unsigned GroupCount(RSSCharacterKind kind)
{
    return kind == RSSCharacterKind::kInner ? 4 : 5;
}

// Characters of each kind: the values run 0 .. count - 1.
unsigned ValueCount(RSSCharacterKind kind)
{
    switch (kind) {
    case RSSCharacterKind::kOuter:
        return 2841;
    case RSSCharacterKind::kInner:
        return 1597;
    case RSSCharacterKind::kExpanded:
        break;
    }
    return 4192;
}

}  // namespace

unsigned RSSCharacter::CalcOmniChecksum(unsigned position) const
{
    unsigned sum = 0;
    for (unsigned k = 0; k < 8; ++k) {
        sum += widths[k] * RSSCalculation::OmniWeight(position, k);
    }
    return sum % 79;
}

unsigned RSSCharacter::CalcExpandedChecksum(unsigned position) const
{
    unsigned sum = 0;
    for (unsigned k = 0; k < 8; ++k) {
        sum += widths[k] * RSSCalculation::ExpandedWeight(position, k);
    }
    return sum % 211;
}

bool RSSPartialScanData::SelectCharacterCandidate(unsigned modules, CharacterCandidate const& a,
                                                  CharacterCandidate const& b, int const oddMagnitudes[4],
                                                  int const evenMagnitudes[4], CharacterCandidate& out)
{
    // The narrowest element of the constrained colour must be one module.
    bool const byEven = modules == 16;
    bool const aNarrow = (byEven ? a.even[0] : a.odd[0]) == 1;
    bool const bNarrow = (byEven ? b.even[0] : b.odd[0]) == 1;
    if (aNarrow != bNarrow) {
        out = aNarrow ? a : b;
        return true;
    }
    if (!aNarrow) {
        return false;
    }
    long long total = 0;
    long long agreeOddMag = 0, differOddMag = 0, agreeEvenMag = 0, differEvenMag = 0;
    long long agreeOddMod = 0, agreeEvenMod = 0;
    long long aDifferOddMod = 0, aDifferEvenMod = 0, bDifferOddMod = 0, bDifferEvenMod = 0;
    unsigned agreeOdd = 0, differEven = 0, agree = 0;
    for (unsigned i = 0; i < 4; ++i) {
        total += oddMagnitudes[i] + evenMagnitudes[i];
        if (a.odd[i] == b.odd[i]) {
            ++agree;
            ++agreeOdd;
            agreeOddMag += oddMagnitudes[i];
            agreeOddMod += a.odd[i];
        } else {
            differOddMag += oddMagnitudes[i];
            aDifferOddMod += a.odd[i];
            bDifferOddMod += b.odd[i];
        }
        if (a.even[i] == b.even[i]) {
            ++agree;
            agreeEvenMag += evenMagnitudes[i];
            agreeEvenMod += a.even[i];
        } else {
            ++differEven;
            differEvenMag += evenMagnitudes[i];
            aDifferEvenMod += a.even[i];
            bDifferEvenMod += b.even[i];
        }
    }
    if (agree == 0) {
        return false;
    }
    long long const n = modules;
    if (agreeOdd != differEven) {
        // Ink spread shifts every odd element one way and every even one
        // the other: estimate it from the elements both agree on.
        long long b0 = ((agreeOddMag - total * agreeOddMod / n) + (total * agreeEvenMod / n - agreeEvenMag)) /
                       static_cast<long long>(agreeOdd + differEven);
        long long const limit = total / n;
        b0 = b0 < -limit ? -limit : (b0 > limit ? limit : b0);
        unsigned const differOdd = 4 - agreeOdd;
        unsigned const agreeEven = 4 - differEven;
        agreeOddMag -= b0 * agreeOdd;
        differOddMag -= b0 * differOdd;
        agreeEvenMag += b0 * agreeEven;
        differEvenMag += b0 * differEven;
    }
    long long const d = (agreeOddMag - differOddMag) - (agreeEvenMag - differEvenMag);
    long long const ka = (agreeOddMod - aDifferOddMod) - (agreeEvenMod - aDifferEvenMod);
    long long const kb = (agreeOddMod - bDifferOddMod) - (agreeEvenMod - bDifferEvenMod);
    long long const da = n * d - total * ka;
    long long const db = n * d - total * kb;
    out = (da < 0 ? -da : da) < (db < 0 ? -db : db) ? a : b;
    return true;
}

bool RSSPartialScanData::CalcBarSymbol(RSSCharacterKind kind, RSSCharacter& character) const
{
    if (GetLength() != kRuns) {
        return false;
    }
    MagnitudeAndIndex odd[4];
    MagnitudeAndIndex even[4];
    long long oddSum = 0;
    long long evenSum = 0;
    for (unsigned r = 0; r < kRuns; ++r) {
        PartialScanElement const& e = (*this)[kRuns - 1 - r];
        MagnitudeAndIndex m;
        m.index = static_cast<int>(r / 2);
        m.magnitude = static_cast<int>(e.magnitude);
        m.rawWidth = e.end - e.begin;
        m.samples = e.samples;
        if (r % 2 == 0) {
            odd[r / 2] = m;
            oddSum += m.magnitude;
        } else {
            even[r / 2] = m;
            evenSum += m.magnitude;
        }
    }
    MagnitudeAndIndex::SortByMagnitude(odd, 4);
    MagnitudeAndIndex::SortByMagnitude(even, 4);
    if (odd[0].magnitude <= 0 || even[0].magnitude <= 0) {
        return false;
    }

    CharacterGroup const* table = RSSTables::kOuter;
    unsigned first = 0;
    unsigned modules = 16;
    switch (kind) {
    case RSSCharacterKind::kOuter:
        first = evenSum >= oddSum ? 1 : 0;
        break;
    case RSSCharacterKind::kInner:
        table = RSSTables::kInner;
        modules = 15;
        break;
    case RSSCharacterKind::kExpanded:
        table = RSSTables::kExpanded;
        modules = 17;
        first = 9 * oddSum <= 8 * evenSum ? 1 : 0;
        break;
    }
    CharacterCandidate candidates[4];
    bool valid[4] = {};
    for (unsigned c = 0; c < 4; ++c) {
        CharacterGroup const& group = table[first + c];
        candidates[c].group = &group;
        valid[c] = Share(odd, group.oddModules, group.oddWidest, candidates[c].odd) &&
                   Share(even, group.evenModules, group.evenWidest, candidates[c].even);
    }
    int oddMagnitudes[4];
    int evenMagnitudes[4];
    for (unsigned i = 0; i < 4; ++i) {
        oddMagnitudes[i] = odd[i].magnitude;
        evenMagnitudes[i] = even[i].magnitude;
    }
    // Two semi-finals (a refusal keeps the first of the two) and a final.
    CharacterCandidate winners[2];
    bool have[2] = {};
    for (unsigned s = 0; s < 2; ++s) {
        CharacterCandidate const& x = candidates[2 * s];
        CharacterCandidate const& y = candidates[2 * s + 1];
        if (valid[2 * s] && valid[2 * s + 1]) {
            have[s] = true;
            if (!SelectCharacterCandidate(modules, x, y, oddMagnitudes, evenMagnitudes, winners[s])) {
                winners[s] = x;
            }
        } else if (valid[2 * s] || valid[2 * s + 1]) {
            have[s] = true;
            winners[s] = valid[2 * s] ? x : y;
        }
    }
    CharacterCandidate chosen;
    if (have[0] && have[1]) {
        if (!SelectCharacterCandidate(modules, winners[0], winners[1], oddMagnitudes, evenMagnitudes, chosen)) {
            return false;
        }
    } else if (have[0] || have[1]) {
        chosen = have[0] ? winners[0] : winners[1];
    } else {
        return false;
    }
    CharacterGroup const& group = *chosen.group;
    bool const evenNarrow = kind == RSSCharacterKind::kOuter;
    if ((evenNarrow ? chosen.even[0] : chosen.odd[0]) != 1) {
        return false;
    }
    if (oddSum / group.oddModules > 8LL * odd[0].magnitude || evenSum / group.evenModules > 8LL * even[0].magnitude) {
        return false;
    }
    unsigned oddWidths[4];
    unsigned evenWidths[4];
    for (unsigned i = 0; i < 4; ++i) {
        oddWidths[odd[i].index] = chosen.odd[i];
        evenWidths[even[i].index] = chosen.even[i];
    }
    for (unsigned i = 0; i < 4; ++i) {
        character.widths[2 * i] = oddWidths[i];
        character.widths[2 * i + 1] = evenWidths[i];
    }
    unsigned vOdd = 0;
    unsigned vEven = 0;
    // The list that must hold a one-module element is counted without the
    // lists that lack one.
    if (!RSSCalculation::CalcRSSValue(oddWidths, 4, group.oddWidest, evenNarrow, vOdd) ||
        !RSSCalculation::CalcRSSValue(evenWidths, 4, group.evenWidest, !evenNarrow, vEven)) {
        return false;
    }
    // A list outside the group's own count would name another group's value.
    unsigned const added = kind == RSSCharacterKind::kInner ? vOdd : vEven;
    unsigned const multiplied = kind == RSSCharacterKind::kInner ? vEven : vOdd;
    unsigned const next = &group == &table[GroupCount(kind) - 1] ? ValueCount(kind) : (&group)[1].g;
    if (added >= group.t || group.g + multiplied * group.t + added >= next) {
        return false;
    }
    character.value = group.g + multiplied * group.t + added;
    return true;
}

bool RSSPartialScanData::SetFromRSSFinderPartialScanData(RSSFinderPartialScanData const& finder, unsigned modules)
{
    long long const expected = finder.GetSpan() * modules / 15;
    return expected > 0 && expected < 0x7FFFFFFF &&
           SetNextRunLengthData(finder, static_cast<unsigned>(5 * expected / 6),
                                static_cast<unsigned>(6 * expected / 5)) &&
           GetIterator().IsValid();
}

bool RSSPartialScanData::ReverceSetFromRSSFinderPartialScanData(RSSFinderPartialScanData const& finder,
                                                                 unsigned modules)
{
    long long const expected = finder.GetSpan() * modules / 15;
    ArrayIterator<ScanElement const> const& after = finder.GetIterator();
    ArrayIterator<ScanElement const> const before(after.GetBegin(), after.GetCount(), finder[0].lineIndex - 1, -1);
    return expected > 0 && expected < 0x7FFFFFFF && before.IsValid() && ReverceSet(before) &&
           ReverceAdjustmentWidth(static_cast<unsigned>(5 * expected / 6), static_cast<unsigned>(6 * expected / 5)) &&
           GetIterator().IsValid();
}

}  // namespace DEC2DIvra
