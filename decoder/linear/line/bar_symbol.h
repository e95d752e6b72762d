#pragma once

namespace DEC2DIvra {

// One symbol character recognised on a scan line. Only the value is compared
// when two line results are compared; the rest is the decoder's own.
struct BarSymbol {
    int value = 0;   // the decoder's own code (a pattern key, a character value)
    int begin = 0;   // line coordinate where the character begins
    int end = 0;     // line coordinate where it ends
    int width = 0;   // a width measure of the decoder's choice (a module width)
    int contrast = 0;  // the window's contrast, or a pattern
    unsigned char flag = 0;
};

// A character as a vote: two are equal when their patterns (values) are,
// whatever their places and measures.
struct BarSymbolOnlyPattern {
    BarSymbol symbol;

    friend bool operator==(BarSymbolOnlyPattern const& a, BarSymbolOnlyPattern const& b)
    {
        return a.symbol.value == b.symbol.value;
    }
};

}  // namespace DEC2DIvra
