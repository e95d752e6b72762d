#pragma once

#include "decoder/linear/line/bar_symbol.h"

namespace DEC2DIvra {

class BarSymbolDecoder;

// The first character of a line read, kept so that the multi-line road can
// find a symbol's start on lines that did not read it whole.
struct StartBarSymbol {
    BarSymbol symbol;
    BarSymbolDecoder const* decoder = nullptr;
    unsigned char reverced = 0;
    unsigned symbolCount = 0;  // characters read on that line
    unsigned char negative = 0;
};

}  // namespace DEC2DIvra
