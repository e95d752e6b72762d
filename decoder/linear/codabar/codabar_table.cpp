#include "decoder/linear/codabar/codabar_table.h"

namespace DEC2DIvra {

namespace {

constexpr char kCharacters[] = "0123456789-$:/.+ABCD";
// Patterns of the characters above, in that order.
constexpr unsigned char kPatterns[20] = {3,  6,  9,  96, 18, 66, 33, 36, 48, 72,
                                         12, 24, 69, 81, 84, 21, 26, 41, 11, 14};

}  // namespace

CodabarTable const CodabarTable::instance;

CodabarTable::CodabarTable()
{
    for (unsigned char& v : value_) {
        v = kNoValue;
    }
    for (unsigned i = 0; i < 20; ++i) {
        value_[kPatterns[i] >> 1] = static_cast<unsigned char>(i);
    }
}

unsigned char CodabarTable::GetValue(unsigned key) const
{
    if (key >= 128 || (key >> 1) >= kEntries || value_[key >> 1] == kNoValue) {
        return kNoValue;
    }
    unsigned char const value = value_[key >> 1];
    return kPatterns[value] == key ? value : kNoValue;
}

char CodabarTable::GetCharacter(unsigned value) { return value < 20 ? kCharacters[value] : 0; }

}  // namespace DEC2DIvra
