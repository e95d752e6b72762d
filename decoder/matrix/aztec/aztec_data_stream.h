#pragma once

#include "config/value_types.h"
#include "decoder/core/decoded_label.h"

namespace DEC2DIvra {

// Turns the corrected data codewords of an Aztec Code symbol into label
// bytes, or writes the label of an Aztec Runes symbol.
class DataStreamConversionForAztecCode {
public:
    // The most data bits a symbol holds (1664 codewords of 12 bits).
    static constexpr unsigned kMaxBits = 1664u * 12u;

    struct Settings {
        bool suppressEci = false;
        ivra_configuration::FixedLength length{0, {}, 0, ivra_configuration::FixedLength::kNoMaximum};
    };

    // bitBuffer: kMaxBits bytes of work space. Nonzero when the label was
    // written; 0 for a bad structured-append prefix or ECI, a label that
    // would overflow the label buffer, or a length the setting refuses.
    static int Start(unsigned short const* codewords, unsigned codewordBits, unsigned dataCount,
                     Settings const& settings, unsigned char* bitBuffer, DecodedLabel& label);
    static int StartForRunes(unsigned value, DecodedLabel& label);
};

}  // namespace DEC2DIvra
