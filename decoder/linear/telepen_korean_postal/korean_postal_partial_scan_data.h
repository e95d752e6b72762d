#pragma once

#include "decoder/linear/line/bar_symbol.h"
#include "decoder/linear/line/partial_scan_data.h"

namespace DEC2DIvra {

// Korean postal windows: bars of one width with spaces between them of one
// to three units, measured from bar centre to bar centre (the bars are thin
// beside the spaces). Entries run in the window's walking direction, which
// for a symbol met from its right end (reversed) is against the line.

// The first digit as the line meets it: four bars and the three spaces
// between them; its first space lies in the quiet zone and is what the
// other three leave of the digit's six units.
class KoreanPostalStartPartialScanData : public PartialScanData<7> {
public:
    static constexpr unsigned kRuns = 7;

    // The digit's four-bit pattern (first space most significant) into
    // symbol.value, with its extent on the line; `modules` gets the units of
    // the three spaces (3 to 5). False when no digit fits.
    bool CalcBarSymbol(bool reversed, BarSymbol& symbol, unsigned& modules) const;
};

// One digit: five bars and the four spaces between them (nine runs), the
// first bar shared with the digit before.
class KoreanPostalPartialScanData : public PartialScanData<9> {
public:
    static constexpr unsigned kRuns = 9;

    // The four bars' spaces share six units and the five bars ten modules,
    // every bar exactly two; a space of two units or more is a 1 bit. The
    // pattern (first space most significant) into symbol.value, with the
    // digit's extent; false unless it names a digit.
    bool CalcBarSymbol(bool reversed, BarSymbol& symbol) const;
};

}  // namespace DEC2DIvra
