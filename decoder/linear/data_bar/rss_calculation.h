#pragma once

#include "decoder/core/containers/stack_interface.h"

namespace DEC2DIvra {

// The arithmetic of GS1 DataBar characters: the value of a list of element
// widths among all lists of the same length and total, and the checksum
// weights of each character position.
class RSSCalculation {
public:
    // The rank of the widths among the lists of `count` widths with the same
    // total whose widest element is at most maxWidth; with noNarrow clear,
    // the lists without a one-module element are not counted. False for a
    // list that breaks its own rules (an element of 0 or above maxWidth).
    static bool CalcRSSValue(unsigned const* widths, unsigned count, unsigned maxWidth, bool noNarrow,
                             unsigned& value);

    // Checksum weight of element k (reading order) of the character at a
    // position: Omnidirectional positions 0-3 mod 79, Expanded positions
    // 0-23 mod 211 (position 0, the check character, weighs nothing),
    // Limited sides 0-1 mod 89.
    static unsigned OmniWeight(unsigned position, unsigned k);
    static unsigned ExpandedWeight(unsigned position, unsigned k);
    static unsigned LimitedWeight(unsigned side, unsigned k);

    // The GTIN check digit of 13 digits.
    static char CalcGtinCheckDigit(char const* digits13);
    // The item number of Omnidirectional and Limited as text: "01" when asked,
    // the value as 13 digits, its check digit when asked. False (text
    // emptied) when the text does not fit.
    static bool WriteGtin(unsigned long long value, bool applicationIdentifier, bool checkDigit,
                          StackInterface<char>& text);
};

}  // namespace DEC2DIvra
