#pragma once
// Tokens of pattern text, shared by the compiler and the backtracking check.

#include <cstdint>

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

struct Token {
    TokenKind kind = tEnd;
    std::uint8_t flag = 0;
    std::uint32_t a = 0;
    std::uint32_t b = 0;
};

inline constexpr unsigned kMaxTokens = 512;
inline constexpr std::uint32_t kUnbounded = 65535;

} // namespace regex_token
