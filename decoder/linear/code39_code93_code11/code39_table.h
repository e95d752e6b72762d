#pragma once

namespace DEC2DIvra {

// The Code 39 characters: pattern key (nine elements, bar first, wide = 1,
// first element most significant) to check value and character.
class Code39Table {
public:
    static constexpr unsigned kStarKey = 148;    // "*"
    static constexpr unsigned kDollarKey = 168;  // "$", Tri-Optic start and stop
    static constexpr unsigned kSpaceKey = 196;   // " ", menu-label start and stop
    static constexpr unsigned char kNoValue = 255;
    static constexpr unsigned kElements = 9;

    // The check value (0-43) of a key, kNoValue for no character.
    static unsigned char GetValue(unsigned key);
    // The character of a key, 0 for none.
    static char GetCharacter(unsigned key);
    // The check value of a character, kNoValue for none.
    static unsigned char GetValueOf(char c);
    // The key read from the other end.
    static unsigned Reverse(unsigned key);

    // The full-ASCII byte of a shift character ("$", "%", "+", "/") and the
    // letter after it; false for any other pair.
    static bool ExpandFullASCII(char shift, char letter, char& byte);
};

}  // namespace DEC2DIvra
