#pragma once

#include "decoder/core/decoded_label.h"

namespace DEC2DIvra {

// The unprotected stream of an ECC 000-140 symbol: a 5-bit format
// identifier (the format less one, most significant bit first), the 16-bit
// CRC and the 9-bit character count (both least significant bit first), then
// the characters. Formats: 1 base 11 (space, digits), 2 base 27 (space,
// capitals), 3 base 41 (space, capitals, digits, ". , - /"), 4 base 37
// (space, capitals, digits) -- packed in groups of 6, 5, 4 and 4 characters,
// the first character the lowest digit --, 5 seven-bit ASCII, 6 bytes.
class DataMatrixEcc000To140Data {
public:
    // The CRC over the format number, a zero byte and the characters.
    static unsigned short CalcCrc(unsigned format, unsigned char const* data, unsigned count);

    // stream: packed bits, most significant first, one 8-bit codeword per
    // element; the unprotected stream starts at bit `first` and `bits` bits
    // are there to read. Writes the characters to label.data. False, with
    // the label's data cleared, for an unknown format, a count of 0, a
    // stream that ends early, a packed group beyond its base, a wrong CRC or
    // a full label.
    static bool Start(unsigned short const* stream, unsigned first, unsigned bits, DecodedLabel& label);
};

}  // namespace DEC2DIvra
