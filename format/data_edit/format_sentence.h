#pragma once
// The tokens of one output template, ending with an end token, and the check
// of their nesting: every '(' is closed by ')' and every function start by
// '}', in proper order. Each opening token learns where its closing one is.

#include <cstdint>

#include "format/data_edit/format_token.h"
#include "format/data_edit/ride_zodoz_result.h"

template <class Cell, unsigned N>
class FormatSentence {
public:
    static_assert(N >= 2 && N <= 0x10000, "token positions are 16 bits");

    void Clear()
    {
        count_ = 0;
        tokens_[0] = FormatToken{};
    }
    // Room for one more token besides the closing end token.
    bool Full() const { return count_ + 1 >= N; }
    // Appends a token before the end; false when full.
    bool Append(const FormatToken& token)
    {
        if (Full())
            return false;
        tokens_[count_++] = token;
        tokens_[count_] = FormatToken{};
        return true;
    }
    // Tokens without the end token.
    unsigned Count() const { return count_; }
    const FormatToken& operator[](unsigned i) const { return tokens_[i]; }

    // 0, or 3 when a bracket or call is closed by the wrong token or not at
    // all. With `whole` false the tokens are the first part of a text that
    // was not read to its end, and brackets still open are no error.
    int Compile(bool whole = true)
    {
        std::uint16_t stack[N];
        unsigned depth = 0;
        for (unsigned i = 0; i < count_; ++i) {
            FormatToken& t = tokens_[i];
            if (t.kind == format_token::fOpen || t.kind == format_token::fCallStart) {
                stack[depth++] = static_cast<std::uint16_t>(i); // depth < count_ <= N
            } else if (t.kind == format_token::fClose || t.kind == format_token::fCallEnd) {
                const std::uint8_t opener = t.kind == format_token::fClose ? format_token::fOpen
                                                                            : format_token::fCallStart;
                if (depth == 0 || tokens_[stack[depth - 1]].kind != opener)
                    return ride_zodoz_result::kError;
                tokens_[stack[--depth]].match = static_cast<std::uint16_t>(i);
            }
        }
        return whole && depth != 0 ? ride_zodoz_result::kError : ride_zodoz_result::kOk;
    }

private:
    FormatToken tokens_[N];
    unsigned count_ = 0;
};
