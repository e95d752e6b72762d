#include "decoder/linear/code128/code128_table.h"

namespace DEC2DIvra {

namespace {

// Bar and space widths of the symbol values 0-106, bar first; the stop ends
// with its two-module terminating bar.
constexpr unsigned char kWidths[Code128Table::kCharacterCount][7] = {
    {2, 1, 2, 2, 2, 2}, {2, 2, 2, 1, 2, 2}, {2, 2, 2, 2, 2, 1}, {1, 2, 1, 2, 2, 3}, {1, 2, 1, 3, 2, 2},
    {1, 3, 1, 2, 2, 2}, {1, 2, 2, 2, 1, 3}, {1, 2, 2, 3, 1, 2}, {1, 3, 2, 2, 1, 2}, {2, 2, 1, 2, 1, 3},
    {2, 2, 1, 3, 1, 2}, {2, 3, 1, 2, 1, 2}, {1, 1, 2, 2, 3, 2}, {1, 2, 2, 1, 3, 2}, {1, 2, 2, 2, 3, 1},
    {1, 1, 3, 2, 2, 2}, {1, 2, 3, 1, 2, 2}, {1, 2, 3, 2, 2, 1}, {2, 2, 3, 2, 1, 1}, {2, 2, 1, 1, 3, 2},
    {2, 2, 1, 2, 3, 1}, {2, 1, 3, 2, 1, 2}, {2, 2, 3, 1, 1, 2}, {3, 1, 2, 1, 3, 1}, {3, 1, 1, 2, 2, 2},
    {3, 2, 1, 1, 2, 2}, {3, 2, 1, 2, 2, 1}, {3, 1, 2, 2, 1, 2}, {3, 2, 2, 1, 1, 2}, {3, 2, 2, 2, 1, 1},
    {2, 1, 2, 1, 2, 3}, {2, 1, 2, 3, 2, 1}, {2, 3, 2, 1, 2, 1}, {1, 1, 1, 3, 2, 3}, {1, 3, 1, 1, 2, 3},
    {1, 3, 1, 3, 2, 1}, {1, 1, 2, 3, 1, 3}, {1, 3, 2, 1, 1, 3}, {1, 3, 2, 3, 1, 1}, {2, 1, 1, 3, 1, 3},
    {2, 3, 1, 1, 1, 3}, {2, 3, 1, 3, 1, 1}, {1, 1, 2, 1, 3, 3}, {1, 1, 2, 3, 3, 1}, {1, 3, 2, 1, 3, 1},
    {1, 1, 3, 1, 2, 3}, {1, 1, 3, 3, 2, 1}, {1, 3, 3, 1, 2, 1}, {3, 1, 3, 1, 2, 1}, {2, 1, 1, 3, 3, 1},
    {2, 3, 1, 1, 3, 1}, {2, 1, 3, 1, 1, 3}, {2, 1, 3, 3, 1, 1}, {2, 1, 3, 1, 3, 1}, {3, 1, 1, 1, 2, 3},
    {3, 1, 1, 3, 2, 1}, {3, 3, 1, 1, 2, 1}, {3, 1, 2, 1, 1, 3}, {3, 1, 2, 3, 1, 1}, {3, 3, 2, 1, 1, 1},
    {3, 1, 4, 1, 1, 1}, {2, 2, 1, 4, 1, 1}, {4, 3, 1, 1, 1, 1}, {1, 1, 1, 2, 2, 4}, {1, 1, 1, 4, 2, 2},
    {1, 2, 1, 1, 2, 4}, {1, 2, 1, 4, 2, 1}, {1, 4, 1, 1, 2, 2}, {1, 4, 1, 2, 2, 1}, {1, 1, 2, 2, 1, 4},
    {1, 1, 2, 4, 1, 2}, {1, 2, 2, 1, 1, 4}, {1, 2, 2, 4, 1, 1}, {1, 4, 2, 1, 1, 2}, {1, 4, 2, 2, 1, 1},
    {2, 4, 1, 2, 1, 1}, {2, 2, 1, 1, 1, 4}, {4, 1, 3, 1, 1, 1}, {2, 4, 1, 1, 1, 2}, {1, 3, 4, 1, 1, 1},
    {1, 1, 1, 2, 4, 2}, {1, 2, 1, 1, 4, 2}, {1, 2, 1, 2, 4, 1}, {1, 1, 4, 2, 1, 2}, {1, 2, 4, 1, 1, 2},
    {1, 2, 4, 2, 1, 1}, {4, 1, 1, 2, 1, 2}, {4, 2, 1, 1, 1, 2}, {4, 2, 1, 2, 1, 1}, {2, 1, 2, 1, 4, 1},
    {2, 1, 4, 1, 2, 1}, {4, 1, 2, 1, 2, 1}, {1, 1, 1, 1, 4, 3}, {1, 1, 1, 3, 4, 1}, {1, 3, 1, 1, 4, 1},
    {1, 1, 4, 1, 1, 3}, {1, 1, 4, 3, 1, 1}, {4, 1, 1, 1, 1, 3}, {4, 1, 1, 3, 1, 1}, {1, 1, 3, 1, 4, 1},
    {1, 1, 4, 1, 3, 1}, {3, 1, 1, 1, 4, 1}, {4, 1, 1, 1, 3, 1}, {2, 1, 1, 4, 1, 2}, {2, 1, 1, 2, 1, 4},
    {2, 1, 1, 2, 3, 2}, {2, 3, 3, 1, 1, 1, 2},
};

constexpr int KeyOf(unsigned value)
{
    int key = 0;
    for (unsigned i = 0; i < 6; ++i) {
        bool const space = (i & 1u) != 0;
        for (unsigned m = 0; m < kWidths[value][i]; ++m) {
            key = (key << 1) | (space ? 1 : 0);
        }
    }
    return key;
}

// The meaning of a symbol value in one code set.
constexpr unsigned char MeaningOf(unsigned value, unsigned set)
{
    switch (value) {
    case 103:
        return kCode128StartA;
    case 104:
        return kCode128StartB;
    case 105:
        return kCode128StartC;
    case 106:
        return kCode128Stop;
    case 102:
        return kCode128Fnc1;
    default:
        break;
    }
    if (set == kCode128SetC) {
        if (value < 100) {
            return static_cast<unsigned char>(value);
        }
        return value == 100 ? kCode128CodeB : kCode128CodeA;
    }
    if (value < 64) {
        return static_cast<unsigned char>(value + 32);
    }
    if (value < 96) {
        return static_cast<unsigned char>(set == kCode128SetA ? value - 64 : value + 32);
    }
    switch (value) {
    case 96:
        return kCode128Fnc3;
    case 97:
        return kCode128Fnc2;
    case 98:
        return kCode128Shift;
    case 99:
        return kCode128CodeC;
    case 100:
        return set == kCode128SetA ? kCode128CodeB : kCode128Fnc4;
    default:  // 101
        return set == kCode128SetA ? kCode128Fnc4 : kCode128CodeA;
    }
}

}  // namespace

constexpr Code128Table::Code128Table()
    : entries_{}, none_{{kCode128NoCharacter, kCode128NoCharacter, kCode128NoCharacter}, kNoValue}
{
    for (Code128TableEntry& entry : entries_) {
        entry = none_;
    }
    for (unsigned value = 0; value < kCharacterCount; ++value) {
        Code128TableEntry& entry = entries_[KeyOf(value) >> 2];
        for (unsigned set = 0; set < 3; ++set) {
            entry.meaning[set] = MeaningOf(value, set);
        }
        entry.value = static_cast<unsigned char>(value);
    }
}

constinit Code128Table const Code128Table::instance{};

int Code128Table::GetValue(int key) const
{
    Code128TableEntry const& entry = Lookup(key);
    if (entry.value == kNoValue || KeyOf(entry.value) != key) {
        return -1;
    }
    return entry.value;
}

unsigned char const* Code128Table::GetWidths(unsigned value)
{
    return value < kCharacterCount ? kWidths[value] : nullptr;
}

int Code128Table::CalcKey(unsigned value) { return value < kCharacterCount ? KeyOf(value) : -1; }

}  // namespace DEC2DIvra
