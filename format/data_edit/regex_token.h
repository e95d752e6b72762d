#pragma once
// One token of pattern text. The reader takes one token per call and keeps,
// between calls, whether it is inside a quoted (output) section and inside a
// character class; ResetReader() clears both before a text is read.

#include <cstdint>

#include "format/decode_data_byte.h"

namespace regex_token {

enum TokenKind : unsigned char {
    tEnd,
    tLiteral,
    tPut,
    tRange,
    tStartAnchor,
    tEndAnchor,
    tGroup,      // a: 0 capturing, 1 non-capturing, 2 input
    tClose,
    tRepeat,     // a min, b max, flag lazy
    tAny,
    tSlash,
    tSkipOn,
    tSkipOff,
    tClass,      // flag negated
    tClassEnd,
    tAim,        // a: two bytes
    tAlt,
    tSymbology,  // a: cell
    tEvent,
    tContinuation,
    tElement,    // a: AI key
    tFunctionStart,
    tFunctionEnd,
    tPutGroup,
    tPutSelect,
    tPutData,
    tPutDataFormat,
    tPutAi,
    tPutPoint,
    tPutPointFormat,
    tPutAim,
    tPutSymbology,
};

inline constexpr unsigned kMaxTokens = 512;
inline constexpr std::uint32_t kUnbounded = 65535;

} // namespace regex_token

class RegexToken {
public:
    regex_token::TokenKind kind = regex_token::tEnd;
    std::uint8_t flag = 0;
    std::uint32_t a = 0; // the value: a cell, a count, a key; a repetition's minimum
    std::uint32_t b = 0; // a repetition's maximum (65535 unbounded)

    // Reads the token at `s`; `*next` is left after it. 0, or 3 on a syntax
    // error (also a text that ends inside a class).
    int ConvertFromString(const DecodeDataByte* s, const DecodeDataByte** next);
    static void ResetReader();

private:
    class Reader;
};
