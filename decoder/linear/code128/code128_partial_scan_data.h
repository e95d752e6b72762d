#pragma once

#include "decoder/linear/line/bar_symbol.h"
#include "decoder/linear/line/partial_scan_data.h"

namespace DEC2DIvra {

// The six runs of one Code 128 symbol character and the two ways of giving
// them their module widths. Either classifier reads the runs in reading
// order (from the last run when the symbol is met from its stop end), takes
// the runs at even reading positions as bars, and writes the pattern key
// (Code128Table) with the character's extent into the bar symbol.
class Code128PartialScanData : public PartialScanData<6> {
public:
    static constexpr unsigned kRuns = 6;
    // Shortest window the pair classifier measures.
    static constexpr long long kMinBiggerSpan = 17;

    Code128PartialScanData() = default;

    // Module widths from the runs' magnitudes: the bars are given 4 or 6 (or
    // 6 or 8) modules, whichever fits the magnitudes better. Expects widths
    // already corrected for contrast (Correct).
    bool CalcBarSymbolPart(bool reverced, BarSymbol& symbol) const;
    // Module widths from neighbouring bar/space pairs of the measured
    // magnitudes, which keep their width when ink spreads: for bold print,
    // without the contrast correction.
    bool CalcBarSymbolForBigger(bool reverced, BarSymbol& symbol) const;

    // Cheap tests that refuse windows in which the classifier of the same
    // name cannot find an opening character (a start character, or the stop
    // when the symbol is met from its stop end). A window either refuses
    // gives no opening from that classifier; one they pass may still give
    // none. MayOpenByMagnitudes takes the corrected window, as
    // CalcBarSymbolPart does.
    bool MayOpenByMagnitudes(bool reverced) const;
    bool MayOpenByPairs(bool reverced) const;

    // Where IsNearestByEdges takes the edges of the runs: where the runs
    // begin and end, or where their magnitudes (contrast-weighted widths)
    // laid end to end put them.
    enum class Edges { kAsMeasured, kByMagnitude };

    // Whether the character of `key` is the one whose module edges the seven
    // edges of the window's runs fit best, of all 107 symbol characters:
    // each character's edges (0, then the running sums of its modules) are
    // fitted to the edges in reading order by a module width and an offset
    // (least squares); the squared deviations left, in square modules, must
    // be fewer than any other character's plus `slack` (in hundredths of a
    // square module; 0: the character must fit best).
    //
    // The fit allows no ink spread. Bars thinned or thickened by up to about
    // half a module still fit their own character best; a character that a
    // classifier reaches only by allowing the bars a spread of most of a
    // module (the spread both classifiers allow), as the pixel grid makes it
    // at 1.5 pixels a module, fits worse than the printed one. Used by
    // Code128Decoder::Classify.
    bool IsNearestByEdges(bool reverced, int key, Edges edges, unsigned slack) const;

private:
    // The run at a reading position.
    PartialScanElement const& AtReading(unsigned position, bool reverced) const
    {
        return (*this)[reverced ? kRuns - 1 - position : position];
    }
    // The bar symbol of a classified window with the bars' and spaces'
    // modules in reading order.
    bool Finish(unsigned const modules[kRuns], BarSymbol& symbol) const;
};

}  // namespace DEC2DIvra
