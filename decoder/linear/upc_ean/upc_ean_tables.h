#pragma once

namespace DEC2DIvra {

// What one seven-module UPC/EAN character pattern stands for. The pattern is
// written in reading order, first module most significant, 1 for a space
// module. Patterns met from either end of a symbol are all known, so a
// character reads the same whichever way the line crosses the symbol.
struct UpcEanCharacter {
    unsigned char digit;  // 0-9, or kNoCharacter
    unsigned char set;    // 1 for an odd number of space modules (set B, right half), 0 for set A
};

class UpcEanTables {
public:
    static constexpr unsigned char kNoCharacter = 255;

    // Indexed by bits 1-6 of a character code; bit 0 (the last module) is
    // implied by the first one, since a character begins and ends with
    // modules of opposite colours.
    static UpcEanCharacter const (&table)[64];
    // 6-bit parity pattern (1 for a set-0 character) to a digit: the EAN-13
    // leading digit, the UPC-E check digit and the 5-digit add-on checksum.
    static unsigned char const evenOddTable[64];

    static UpcEanCharacter const& Lookup(int code) { return table[(static_cast<unsigned>(code) >> 1) & 63u]; }
    static unsigned char EvenOdd(unsigned pattern) { return evenOddTable[pattern & 63u]; }

    // The seven-module pattern of a set-A digit as printed (1 = dark).
    static unsigned SetAPattern(unsigned digit);
    // Reverses the order of the low seven bits.
    static unsigned Mirror7(unsigned pattern);

    // UPC-A check digit of eleven digits (number system first).
    static unsigned CalcUpcACheckDigit(unsigned char const digits[11]);
    // The ten digits after the number system of the UPC-A form of six UPC-E
    // digits; false for a digit above 9.
    static bool ExpandUpcE(unsigned char const upce[6], unsigned char expanded[10]);
};

}  // namespace DEC2DIvra
