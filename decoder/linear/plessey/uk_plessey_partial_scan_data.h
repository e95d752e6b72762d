#pragma once

#include "decoder/linear/line/bar_symbol.h"
#include "decoder/linear/line/common_plessey_partial_scan_data.h"
#include "decoder/linear/line/partial_scan_data.h"

namespace DEC2DIvra {

// Two UK Plessey characters side by side on the line: the one read before
// and the next (eight pairs). Met from the stop end the pairs are a space
// and the bar after it, and the next character lies further along the line
// but earlier in the symbol.
class UKPlesseyPartialScanData : public PartialScanData<16, CommonPlesseyPartialScanData> {
public:
    static constexpr unsigned kRuns = 16;
    static constexpr unsigned kCharacterFirst = 8;
    static constexpr unsigned kCharacterRuns = 8;

    // The eight-bit pattern in the symbol's order (first bit most
    // significant) into symbol.value; `expected` is the character read
    // before (a window of one class needs it all zeros or all ones).
    bool CalcBarSymbol(bool reversed, unsigned expected, BarSymbol& symbol, unsigned& separation) const;
};

// A character beside a stop or start, across the run that parts them (17
// runs). The start form is the start's four bits and the first character
// followed by the next bar, or, met from the stop end, the closing bar and
// the stop's bits, the termination bar, and the last character. The end form
// is the last character, the termination bar and the stop's bits and closing
// bar. Read across the termination bar, the stop's pairs are the clean bits
// 0011 as printed.
class UKPlesseyPartialScanDataWithPitch : public PartialScanData<17, CommonPlesseyPartialScanData> {
public:
    static constexpr unsigned kRuns = 17;
    static constexpr unsigned kStartBits = 13;  // 1101
    static constexpr unsigned kStopBits = 3;    // 0011

    // The eight-bit pattern in the symbol's order into symbol.value, its
    // direction into symbol.flag (1: met from the stop end), with the
    // window's extent, mean run width and contrast. Met from the start the
    // upper four bits are 1101, from the stop end the lower four 0011.
    bool CalcStartBarSymbol(BarSymbol& symbol, unsigned& separation) const;
    // The last character and the stop met from the start: the lower four
    // bits 0011, the upper four `expected` (the last character read).
    bool CalcEndBarSymbol(unsigned expected, BarSymbol& symbol, unsigned& separation) const;
    // Where the character of a start window lies.
    static unsigned GetCharacterFirst(bool reversed) { return reversed ? 9u : 8u; }
};

}  // namespace DEC2DIvra
