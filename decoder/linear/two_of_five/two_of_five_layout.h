#pragma once

#include "decoder/core/identifiers/tag_symbology.h"

namespace DEC2DIvra {

// How one member of the 2 of 5 family lies on a scan line, met from its start
// (forward) or from its stop (reverse): the runs of the opening pattern, of
// each character and of the closing pattern, in line order. Masks give run i
// at bit i; wide = 1.
struct TwoOfFiveLayout {
    static constexpr unsigned kNoRun = 0xFF;

    tagSymbology type;
    bool reverse;
    unsigned char openingRuns;
    unsigned char openingWide;
    unsigned char openingExamined;
    unsigned char characterRuns;
    // The runs of each digit in reading order (a second digit only for the
    // interleaved pair); kNoRun for none.
    unsigned char digits[2][5];
    // Runs that must be narrow (the spaces of Industrial and IATA).
    unsigned short narrow;
    unsigned char closingRuns;
    unsigned char closingWide;
    unsigned char closingExamined;

    bool IsPair() const { return digits[1][0] != kNoRun; }
    // Whether the digit runs mix bars and spaces (Matrix, Chinese Post).
    bool IsMixed() const;

    // The layouts tried for a type, forward first; null past the end.
    static TwoOfFiveLayout const* Get(tagSymbology type, bool reverse);
    // The S-code single character, read where an interleaved pair may stand.
    static TwoOfFiveLayout const& GetSingle(bool reverse);
};

}  // namespace DEC2DIvra
