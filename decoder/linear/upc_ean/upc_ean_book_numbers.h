#pragma once

#include "decoder/core/containers/stack_interface.h"

namespace DEC2DIvra {

// The book, serial and music number forms of an EAN-13: ISBN-10 from a
// "978" EAN, ISSN from "977", ISMN-10 from "9790".
class UpcEanBookNumbers {
public:
    // Values of the three conversion settings.
    enum enable_ifpossible : unsigned { DISABLE = 0, ENABLE = 1, IF_POSSIBLE = 2 };
    enum class Form { kNone, kIsbn, kIssn, kIsmn };

    struct Settings {
        enable_ifpossible isbn = DISABLE;
        enable_ifpossible issn = DISABLE;
        enable_ifpossible ismn = DISABLE;
    };

    // Rewrites the text of an EAN-13 (its thirteen digits given) in the form
    // the settings ask for. False when the label must be refused: a setting
    // asks for a form ("ENABLE") that this EAN does not have and none allows
    // the plain EAN ("IF_POSSIBLE"). The text is left as it was unless a form
    // was written.
    static bool Convert(unsigned char const digits[13], Settings const& settings, StackInterface<char>& text,
                        Form& form);

    // The mod-11 check character of the weighted digits (weights count down
    // to 2): "0" for remainder 0, "X" for 1, else the digit 11 - r.
    static char CalcMod11CheckCharacter(unsigned char const* digits, unsigned count);

    static bool IsbnConversion(unsigned char const digits[13], StackInterface<char>& text);
    static bool IssnConversion(unsigned char const digits[13], StackInterface<char>& text);
    static bool IsmnConversion(unsigned char const digits[13], StackInterface<char>& text);
};

}  // namespace DEC2DIvra
