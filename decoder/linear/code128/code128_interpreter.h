#pragma once

#include "decoder/core/containers/stack_interface.h"

namespace DEC2DIvra {

// What a Code 128 symbol says beside its data bytes.
struct Code128Interpretation {
    // Code128Identifier modifier bits: 0-1 the FNC1 position (1 first, 2
    // second), 3 FNC2 seen, 4 FNC3 in the first data position.
    unsigned modifier = 0;
    // The code set (Code128CodeSet) in force after the second-to-last and
    // after the last data character (the start character stands in for a
    // missing second-to-last).
    unsigned codeSets[2] = {0, 0};
    // Bytes written by the last two data characters.
    unsigned lastBytes[2] = {0, 0};
};

// The check and the data of a Code 128 symbol, from its symbol values in
// reading order: start character, data characters, check character, stop.
class Code128Interpreter {
public:
    static constexpr unsigned char kGroupSeparator = 29;

    // The modulo-103 check; false for anything but start, at least one data
    // character, the check character and the stop.
    static bool CheckCheckCharacter(unsigned char const* values, unsigned count);
    // Appends the data bytes: code sets A, B and C, Shift, FNC1 (a mark in
    // the first two positions, a group separator elsewhere), FNC2, FNC3 and
    // FNC4 (one character, or latched by a pair). The check character writes
    // nothing. False, with the data emptied, for a malformed sequence or when
    // the data does not fit.
    static bool Start(unsigned char const* values, unsigned count, StackInterface<char>& data,
                      Code128Interpretation& result);
    // Modifier bits 8 or 9 of a GS1-128 symbol linked to a 2D component: the
    // last data character changed the code set to the next one (A to B, B to
    // C, C to A: bit 8) or to the one before (bit 9).
    static unsigned CalcLinkage(Code128Interpretation const& interpretation);

private:
    static bool IsWellFormed(unsigned char const* values, unsigned count);
};

}  // namespace DEC2DIvra
