#pragma once
// S-code drawn from the 2 of 5 digit patterns, since no outside encoder draws
// it: the Interleaved 2 of 5 start, digits in pairs (first digit in the bars,
// second in the spaces), the last digit a single character (its five bars
// with narrow spaces), the stop.

#include <string>
#include <vector>

namespace support {

// The runs in modules, dark first, for SymbolInput::bars; an odd count of
// digits. Wide elements are `wide` modules.
std::vector<double> sCodeBars(std::string const& digits, double wide = 3.0);

// The single character that checks pairs of digits: from the right of the
// data the digits weigh 3, 1, 3, ...
char sCodeCheck(std::string const& pairs);

} // namespace support
