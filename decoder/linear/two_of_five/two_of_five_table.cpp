#include "decoder/linear/two_of_five/two_of_five_table.h"

namespace DEC2DIvra {

namespace {

// Patterns of the digits 0-9.
constexpr unsigned char kPatterns[10] = {0x06, 0x11, 0x09, 0x18, 0x05, 0x14, 0x0C, 0x03, 0x12, 0x0A};

}  // namespace

bool TwoOfFiveTable::Check20f5Pattern(unsigned pattern)
{
    unsigned wide = 0;
    for (unsigned bit = 0; bit < 5; ++bit) {
        wide += (pattern >> bit) & 1u;
    }
    return pattern < 32 && wide == 2;
}

int TwoOfFiveTable::GetDigit(unsigned pattern)
{
    for (int digit = 0; digit < 10; ++digit) {
        if (kPatterns[digit] == pattern) {
            return digit;
        }
    }
    return kNoDigit;
}

unsigned TwoOfFiveTable::GetPattern(int digit)
{
    return digit >= 0 && digit <= 9 ? kPatterns[digit] : 0u;
}

unsigned TwoOfFiveTable::Reverse(unsigned pattern)
{
    unsigned reversed = 0;
    for (unsigned bit = 0; bit < 5; ++bit) {
        reversed = (reversed << 1) | ((pattern >> bit) & 1u);
    }
    return reversed;
}

}  // namespace DEC2DIvra
