#pragma once

namespace DEC2DIvra {

// The digits of the 2 of 5 family by their five-element pattern (wide = 1,
// first element most significant; weights 1, 2, 4, 7 and parity).
class TwoOfFiveTable {
public:
    static constexpr int kNoDigit = -1;

    // A five-bit pattern is a digit only with exactly two wide elements.
    static bool Check20f5Pattern(unsigned pattern);
    // The digit 0-9 of a pattern, or kNoDigit.
    static int GetDigit(unsigned pattern);
    // The pattern of a digit 0-9 (0 for any other value).
    static unsigned GetPattern(int digit);
    // The pattern with its five bits in reverse order.
    static unsigned Reverse(unsigned pattern);
};

}  // namespace DEC2DIvra
