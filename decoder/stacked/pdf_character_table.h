#pragma once

namespace DEC2DIvra {

// The symbol characters of PDF417: 929 values in each of the clusters 0, 3
// and 6, every one 17 modules of four bars and four spaces. A pattern here is
// the first 16 modules, first module most significant, a bar 0 and a space 1
// (the 17th module is always a space and the first always a bar).
class PDFCharacterTable {
public:
    static unsigned short const kPatterns[3][929];

    // Fills the reverse table; cheap to call again.
    static void Initialize();

    // The 17-module pattern (table entry x 2 + 1); false for a value above 928
    // or a cluster other than 0, 3, 6.
    static bool ValueAndClusterToPattern(unsigned value, unsigned cluster, unsigned& pattern);

    // The value of a 16-bit pattern, 65535 where no character has it.
    static unsigned short PatternToValue(unsigned pattern16);

    // The cluster of a character from its bar widths in modules:
    // (b1 - b2 + b3 - b4 + 9) mod 9.
    static unsigned CalcCluster(int const bars[4]);
};

// The row address patterns of MicroPDF417 (and CC-A): 10 modules, three bars
// and three spaces; 52 in the side set (left and right columns) and 52 in the
// center set.
class MicroPDFCharacterTable {
public:
    static unsigned short const kPatterns[2][52];  // first 9 modules, bar 0, first module in bit 8

    // Pattern number 1 to 52 for the side set, 65 to 116 for the center set
    // (the number is the entry less 64), 255 where there is none; indexed by
    // the first 9 modules (the first, a bar, is bit 8 and always 0).
    static unsigned char Lookup(unsigned pattern9);
};

}  // namespace DEC2DIvra
