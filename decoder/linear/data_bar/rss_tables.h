#pragma once

namespace DEC2DIvra {

// One group of the DataBar character tables: the module totals of the odd and
// even elements, their widest element, the multiplier of the value formula
// and the group's first value.
struct CharacterGroup {
    unsigned char oddModules;
    unsigned char evenModules;
    unsigned char oddWidest;
    unsigned char evenWidest;
    unsigned t;
    unsigned g;
};

// A finder pattern: its widths and the nominal X = (e1 + e2) - (e3 + e4) and
// Y = (e2 + e5) - (e1 + e4) in modules.
struct RSSFinderPattern {
    unsigned char widths[5];
    signed char x;
    signed char y;
};

// The character tables of GS1 DataBar (ISO/IEC 24724).
struct RSSTables {
    static CharacterGroup const kOuter[5];     // Omnidirectional outer characters, 16 modules
    static CharacterGroup const kInner[4];     // Omnidirectional inner characters, 15 modules
    static CharacterGroup const kExpanded[5];  // Expanded characters, 17 modules
    static CharacterGroup const kLimited[7];   // Limited characters, 26 modules

    // Finder values 0-8 (Omnidirectional) and 9-20 (Expanded A1/A2 ... F1/F2,
    // the two of a letter sharing a pattern).
    static constexpr unsigned kFinderCount = 21;
    static RSSFinderPattern const kFinders[kFinderCount];

    // Expanded finder sequences by number of finders (2-11): finder numbers
    // A1 = 0, A2 = 1, B1 = 2 ... F2 = 11, closed by kSequenceEnd.
    static constexpr unsigned kSequenceCount = 10;
    static constexpr unsigned kSequenceLength = 11;
    static constexpr unsigned char kSequenceEnd = 12;
    static unsigned char const kSequences[kSequenceCount][kSequenceLength + 1];

    // The Limited check character patterns by check value 0-88: 14 widths.
    static constexpr unsigned kLimitedCheckCount = 89;
    static unsigned char const kLimitedCheck[kLimitedCheckCount][14];
};

}  // namespace DEC2DIvra
