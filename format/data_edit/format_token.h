#pragma once
// One token of output-template text: its kind, the label and occurrence it
// refers to, and a value (a cell, a group number, a field, a format byte).

#include <cstdint>

#include "format/decode_data_byte.h"

namespace format_token {

enum Kind : std::uint8_t {
    fEnd,
    fLiteral,
    fGroup,      // value n
    fAlt,
    fOpen,
    fClose,
    fSelect,     // value AI key
    fAi,
    fData,       // value field
    fDataFormat,
    fPoint,      // value 2 * point + y, 10 angle
    fPointFormat,
    fCallStart,  // value start cell
    fCallEnd,
    fAim,
    fSymbology,
};

} // namespace format_token

struct FormatToken {
    std::uint8_t kind = format_token::fEnd;
    std::uint8_t label = 0;
    std::uint8_t occurrence = 0;
    std::uint16_t match = 0; // the closing token of a bracket or call, set by the sentence
    std::uint32_t value = 0;

    // Reads the token at `s` (an end token at the closing 0 cell); `*next` is
    // left after it. 0, 2 (a number too large), 3 (syntax).
    int ConvertFromString(const DecodeDataByte* s, const DecodeDataByte** next);
};
