#pragma once

#include "decoder/matrix/dot_code/dot_code_binarization_table.h"

namespace DEC2DIvra {

// The codeword layout of a DotCode symbol of a given table size: word count
// n (the mask word included), check words e and data words k = n - e (the
// mask word included).
struct DotCodeSize {
    static constexpr unsigned kMaxWords = 848;  // n stays below it
    static constexpr unsigned kMaxErasures = 284;

    unsigned words = 0;
    unsigned checks = 0;
    unsigned data = 0;

    // False when the table holds too few or too many dots.
    bool Calc(unsigned dotCount);
};

// Reads the mask value into words[0] and the n - 1 codewords after it in the
// given order; a pattern no codeword has reads 0 and its index joins the
// erasures. False when the erasures reach `limit` or a bit lies off the table.
bool CalcCodeWordFromBinarizationTable(BinarizationTableForDotCode const& table,
                                       BinarizationTableForDotCode::ReadingOrder order, unsigned wordCount,
                                       unsigned limit, unsigned& erasureCount, unsigned short* words,
                                       unsigned short* erasures);

// Paints the table from codewords as they stand in the symbol (masked,
// corrected) in the given order: the mask bits and codeword patterns, and a
// dot at every position after the last codeword. False when a bit lies off
// the table or a word is no codeword value.
bool RepaintBinarizationTable(BinarizationTableForDotCode& table, BinarizationTableForDotCode::ReadingOrder order,
                              unsigned wordCount, unsigned short const* words);

}  // namespace DEC2DIvra
