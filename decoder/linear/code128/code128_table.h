#pragma once

namespace DEC2DIvra {

// What a Code 128 symbol character means in one code set: 0-127 an ASCII
// character (code sets A and B) or a digit pair 0-99 (code set C), else one
// of these function codes.
enum Code128Meaning : unsigned char {
    kCode128Fnc1 = 128,
    kCode128Fnc2 = 129,
    kCode128Fnc3 = 130,
    kCode128Fnc4 = 131,
    kCode128Shift = 132,
    kCode128CodeA = 133,
    kCode128CodeB = 134,
    kCode128CodeC = 135,
    kCode128StartA = 137,
    kCode128StartB = 138,
    kCode128StartC = 139,
    kCode128Stop = 140,
    kCode128NoCharacter = 141,
};

enum Code128CodeSet : unsigned { kCode128SetA = 0, kCode128SetB = 1, kCode128SetC = 2 };

// One entry of the character table: the meaning in code sets A, B and C and
// the symbol value (kNoValue where no character has that pattern).
struct Code128TableEntry {
    unsigned char meaning[3];
    unsigned char value;
};

// The 107 symbol characters, looked up by pattern key. A key holds the 11
// modules of a character's six elements, first module most significant, a
// bar module as 0 and a space module as 1; the table is indexed by the key
// without its last two modules. That index is unique because the bars of a
// character always cover an even number of modules.
class Code128Table {
public:
    static constexpr unsigned kSize = 256;
    static constexpr unsigned kCharacterCount = 107;
    static constexpr unsigned char kNoValue = 255;
    static constexpr unsigned kModules = 11;
    static constexpr unsigned kStopModules = 13;

    static constexpr unsigned kShift = 98;
    static constexpr unsigned kCodeC = 99;
    static constexpr unsigned kFnc1 = 102;
    static constexpr unsigned kStartA = 103;
    static constexpr unsigned kStartB = 104;
    static constexpr unsigned kStartC = 105;
    static constexpr unsigned kStop = 106;

    // The keys of the start characters and of the stop character's first six
    // elements.
    static constexpr int kStartAKey = 379;
    static constexpr int kStartBKey = 367;
    static constexpr int kStartCKey = 355;
    static constexpr int kStopKey = 453;

    // The one table, filled when the program is built.
    static Code128Table const instance;

    // The entry of a key; the no-character entry for keys that are no
    // 11-module pattern beginning with a bar.
    Code128TableEntry const& Lookup(int key) const
    {
        return key >= 0 && (key >> 2) < static_cast<int>(kSize) ? entries_[key >> 2] : none_;
    }
    // The entry of a symbol value; the no-character entry beyond 106.
    Code128TableEntry const& GetEntry(unsigned value) const { return Lookup(CalcKey(value)); }
    // The symbol value whose full pattern is this key; -1 for any other key,
    // including keys that only share a table index with a character.
    int GetValue(int key) const;

    // Bar/space widths in modules of a symbol value (seven for the stop).
    static unsigned char const* GetWidths(unsigned value);
    static unsigned GetWidthCount(unsigned value) { return value == kStop ? 7u : 6u; }
    // The key of a value's first six elements; -1 beyond the table.
    static int CalcKey(unsigned value);
    static bool IsStart(unsigned value) { return value >= kStartA && value <= kStartC; }

private:
    constexpr Code128Table();

    Code128TableEntry entries_[kSize];
    Code128TableEntry none_;
};

}  // namespace DEC2DIvra
