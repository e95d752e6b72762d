#pragma once

#include "decoder/linear/line/bar_symbol.h"
#include "decoder/linear/line/common_plessey_partial_scan_data.h"
#include "decoder/linear/line/partial_scan_data.h"

namespace DEC2DIvra {

// The MSI Plessey character window: nine pairs, the previous digit, the new
// one and the pair after it. Read from the stop end the pairs on the line
// are the new digit, the previous one and the pair before it, and the window
// begins with a space.
class MSIPlesseyPartialScanData : public PartialScanData<18, CommonPlesseyPartialScanData> {
public:
    static constexpr unsigned kRuns = 18;
    // Runs a window keeps of the one before it: a digit and a pair.
    static constexpr unsigned kKeptRuns = 10;
    // The runs of the digit a window adds.
    static constexpr unsigned kDigitFirst = 8;
    static constexpr unsigned kDigitRuns = 8;

    // The nine-bit pattern in reading order into symbol.value; `expected`
    // is the previous digit (a window of one class needs it all zeros or all
    // ones).
    bool CalcBarSymbol(unsigned expected, bool reversed, BarSymbol& symbol, unsigned& separation) const;
};

// The window where an MSI Plessey symbol begins: the start's 1, the first
// digit and the pair after it (twelve runs). Met from the stop end it is the
// closing bar, the stop's 0, the last digit and the pair before it
// (thirteen runs).
class MSIPlesseyPartialScanDataWithStart : public PartialScanData<13, CommonPlesseyPartialScanData> {
public:
    static constexpr unsigned kRuns = 12;
    static constexpr unsigned kReverseRuns = 13;

    // The six-bit pattern in reading order (first pair most significant)
    // into symbol.value, with the window's extent, mean run width and
    // contrast.
    bool CalcStartBarSymbol(BarSymbol& symbol, bool reversed, unsigned& separation) const;
    // Where the digit of a loaded window lies.
    unsigned GetDigitFirst(bool reversed) const { return reversed ? 3u : 2u; }
};

}  // namespace DEC2DIvra
