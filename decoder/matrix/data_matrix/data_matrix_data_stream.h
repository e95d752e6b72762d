#pragma once

#include "decoder/core/decoded_label.h"

namespace DEC2DIvra {

// Turns the corrected data codewords of an ECC 200 symbol into label data:
// ASCII, C40, Text, X12, EDIFACT and Base 256 encodation, FNC1, structured
// append, reader programming, the 05/06 macros and ECI escapes.
class DataMatrixDataStream {
public:
    // Identifier modifier bits.
    static constexpr unsigned kFnc1First = 1u << 0;   // GS1
    static constexpr unsigned kFnc1Second = 1u << 1;  // AIM application indicator
    static constexpr unsigned kEci = 1u << 4;

    struct Result {
        unsigned modifier = 0;
        bool readerProgramming = false;
        tagStructuredAppend append{};
    };

    // The label's data is cleared first. False when a codeword is invalid
    // where it stands, the data end cuts a value short, or the label buffer
    // would overflow; the label data is then of no use.
    static bool Start(unsigned short const* codewords, unsigned count, bool suppressEci, DecodedLabel& label,
                      Result& result);
};

}  // namespace DEC2DIvra
