#pragma once

#include "decoder/linear/line/bar_symbol.h"
#include "decoder/linear/line/common_partial_scan_data.h"

namespace DEC2DIvra {

// A window of Plessey-family runs: every bit is a bar and the space after it,
// a 1 with the wider bar. The pairs are classified against each other, so
// that a window of one class only is told from a window of two.
class CommonPlesseyPartialScanData : public CommonPartialScanData {
public:
    using CommonPartialScanData::CommonPartialScanData;

    // Any expected pattern but these forbids a window of one class.
    static constexpr unsigned kAllZeros = 0;
    static constexpr unsigned kAllOnes = 15;
    static constexpr unsigned kNoOneClass = 16;

    // Classifies `count` pairs from entry `first` into `pattern`, the first
    // pair in reading order most significant (wide bar = 1). Read forward a
    // pair is entries (first + 2j, first + 2j + 1), bar first; read from the
    // symbol's far end (reversed) its bar is the later entry and the first
    // pair on the line is the last in reading order. `separation` carries
    // the gap between the classes from window to window: a window with a
    // smaller gap is of one class (allowed when `expected` is kAllZeros or
    // kAllOnes) or, between the two, ambiguous.
    bool CalcPlesseyPattern(bool reversed, unsigned first, unsigned count, unsigned expected, unsigned& pattern,
                            unsigned& separation) const;
    // The same across a separating run: the first `pitch` pairs are a bar
    // and the space after it, then one run is passed over, and the rest are
    // a space and the bar after it (a stop's wide bar read this way leaves
    // its pairs clean bits). With `pitch` equal to `count` the run after the
    // pairs is the separating one and is not read. `reversed` orders the
    // pattern as CalcPlesseyPattern does.
    bool CalcPlesseyPatternWithPitch(bool reversed, unsigned first, unsigned count, unsigned pitch,
                                     unsigned expected, unsigned& pattern, unsigned& separation) const;
    // The window as one character of value `pattern`: its span, its mean
    // run width and its contrast.
    void DescribeBarSymbol(unsigned pattern, BarSymbol& symbol) const;

private:
    // Pair j's bar is the later entry from pair `later` on; `skip` passes
    // over one run before that pair.
    bool Classify(bool reversed, unsigned first, unsigned count, unsigned later, bool skip, unsigned expected,
                  unsigned& pattern, unsigned& separation) const;
};

}  // namespace DEC2DIvra
