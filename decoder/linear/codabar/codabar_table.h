#pragma once

namespace DEC2DIvra {

// The Codabar characters by their seven-element pattern (bar, space, ...,
// bar; wide = 1, first element most significant). Values: digits 0-9,
// "-" 10, "$" 11, ":" 12, "/" 13, "." 14, "+" 15, "A"-"D" 16-19.
class CodabarTable {
public:
    static constexpr unsigned kEntries = 64;
    static constexpr unsigned char kNoValue = 255;
    // Start/stop pattern keys.
    static constexpr unsigned kKeyA = 26;
    static constexpr unsigned kKeyB = 41;
    static constexpr unsigned kKeyC = 11;
    static constexpr unsigned kKeyD = 14;
    static constexpr int kFirstLetter = 16;

    static CodabarTable const instance;

    // The value of a pattern key, or kNoValue.
    unsigned char GetValue(unsigned key) const;
    // The character of a value 0-19, or 0.
    static char GetCharacter(unsigned value);
    static bool CheckStopCode(unsigned key) { return key == kKeyA || key == kKeyB || key == kKeyC || key == kKeyD; }
    static bool IsLetter(int value) { return value >= kFirstLetter && value < kFirstLetter + 4; }

private:
    CodabarTable();
    // Indexed by the key shifted right by one: the last element of every
    // character is a bar, and each index holds at most one character.
    unsigned char value_[kEntries];
};

}  // namespace DEC2DIvra
