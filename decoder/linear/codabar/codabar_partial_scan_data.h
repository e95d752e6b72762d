#pragma once

#include "decoder/linear/line/bar_symbol.h"
#include "decoder/linear/line/partial_scan_data.h"

namespace DEC2DIvra {

// The seven runs of one Codabar character. The classifiers read the runs in
// the given direction (true: from the last run back) and write the pattern
// key (CodabarTable) with the character's extent and module width; the
// symbol's flag is 1 for a doubtful reading (a wide element far wider than
// the next narrower one of its kind).
class CodabarPartialScanData : public PartialScanData<7> {
public:
    static constexpr unsigned kRuns = 7;

    // One run of the character, for sorting.
    struct Element {
        unsigned position = 0;  // reading position 0-6
        long long magnitude = 0;
        long long width = 0;
    };

    CodabarPartialScanData() = default;

    // Characters with one wide bar and one wide space (digits, "-", "$").
    bool CalcBarSymbol(bool direction, BarSymbol& symbol) const;
    // Characters with three wide elements: the start/stop letters (one wide
    // bar, two wide spaces) and ":", "/", ".", "+" (three wide bars).
    bool CalcStartStopBarSymbol(bool direction, BarSymbol& symbol) const;

private:
    PartialScanElement const& AtReading(unsigned position, bool direction) const
    {
        return (*this)[direction ? kRuns - 1 - position : position];
    }
    // The bars and the spaces in reading order, each sorted by magnitude.
    void SplitSorted(bool direction, Element* bars, Element* spaces) const;
    void Fill(unsigned key, long long narrowWidths, unsigned narrowCount, bool doubtful, BarSymbol& symbol) const;
};

// The inter-character gaps of a Codabar read: whether every gap stayed
// within 5.3 module widths of the character before it.
struct CodabarInterCharacterGap {
    int previousWidth = 0;
    int previousEnd = 0;
    bool valid = true;

    void InitInterCharacterGap(BarSymbol const& first);
    void StockInterCharacterGap(BarSymbol const& next);
};

}  // namespace DEC2DIvra
