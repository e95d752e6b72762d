#pragma once

#include "decoder/linear/line/partial_scan_data.h"
#include "decoder/linear/data_bar/rss_tables.h"

namespace DEC2DIvra {

// The two ways a 14-element DataBar Limited character can read: direct (the
// symbol runs along the line) and exchanged (against it). A missing reading
// holds kNoReading.
struct BarSymbolForRSSLimited {
    static constexpr unsigned kNoReading = 0xFFFFFFFFu;
    unsigned value[2] = {kNoReading, kNoReading};     // character value, or the check value
    unsigned checksum[2] = {kNoReading, kNoReading};  // contribution to the check, mod 89
    // A data character's window and the group its modules were shared by
    // (odd: the runs at even offsets in line order), for its guard.
    int begin = 0;
    int end = 0;
    int module = 0;
    int oddTotal = 0;
    int oddWidest = 0;
    int evenTotal = 0;
    int evenWidest = 0;
};

// The check character of DataBar Limited (18 modules), which also serves as
// the symbol's finder: its element widths name a check value 0-88.
class RSSLimitedStartPartialScanData : public PartialScanData<14> {
public:
    static constexpr unsigned kRuns = 14;
    // The look-up from a width pattern's index (vOdd x 28 + vEven, each the
    // rank of its seven widths among the 28 lists of nine modules) to the
    // check value.
    static constexpr unsigned kPatternsPerColour = 28;
    static constexpr unsigned kLookupSize = kPatternsPerColour * kPatternsPerColour;

    bool CalcFinderBarSymbol(BarSymbolForRSSLimited& check) const;
    // The check character among the runs from `start` on, taken after the
    // last of up to `passes` noise deletions that still shows one; false
    // when none does.
    static bool FindCheck(ArrayIterator<ScanElement const> const& start, unsigned passes,
                          RSSLimitedStartPartialScanData& check, BarSymbolForRSSLimited& value);
    // The lengths (in the check character's units) a data character beside
    // it may span: 26 modules against its 18, within two modules.
    void CalcDataSpan(unsigned& minimum, unsigned& maximum) const;
    // The spread of the ink: (the sum of the magnitudes at odd offsets - the
    // sum at even offsets) / 14.
    int CalcSpread() const;
    // The check value of a pattern index; false for no check character.
    static bool LookUpCheckValue(unsigned index, unsigned& value);
};

// A DataBar Limited data character (26 modules).
class RSSLimitedPartialScanData : public PartialScanData<14> {
public:
    static constexpr unsigned kRuns = 14;

    // side 0: the symbol's left character, 1: its right one, as met in the
    // direct reading (the exchanged reading is the other side). spread: the
    // check character's CalcSpread.
    bool CalcBarSymbol(unsigned side, int spread, BarSymbolForRSSLimited& character) const;
};

// Chooses between two module assignments of the same runs: each array holds
// the modules of the odd elements (first 7) and even elements (last 7) by
// rising magnitude, beside the magnitudes in that order. Writes the index of
// the chosen one (0 or 1); false when the choice is too weak.
bool SelectPatternCandidate(unsigned const (&modules)[2][14], unsigned const oddTotal[2], unsigned const evenTotal[2],
                            int const (&magnitudes)[14], unsigned& chosen);

}  // namespace DEC2DIvra
