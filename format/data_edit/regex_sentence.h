#pragma once
// The tokens of one pattern text, ending with an end token, and their
// compilation into a state table.

#include "format/data_edit/regex_token.h"

class RegexStateTransitionTable;

class RegexSentence {
public:
    static constexpr unsigned kTokens = regex_token::kMaxTokens;

    void Clear() { count_ = 0; }
    // Appends a token; false when the sentence already holds kTokens.
    bool Append(const RegexToken& token)
    {
        if (count_ >= kTokens)
            return false;
        tokens_[count_++] = token;
        return true;
    }
    unsigned Count() const { return count_; }
    bool Full() const { return count_ >= kTokens; }
    const RegexToken* Tokens() const { return tokens_; }

    // One pass over the tokens, appending states to the table (which must be
    // empty) and linking them. 0, 2 (more states, class items, loop
    // registers or parts than the table holds), 3 (structure: a ')' without
    // its group, an unclosed group, a '/' inside a group, a '>' without '<',
    // a '}' without its call, a repetition with nothing before it, a token
    // that has no place inside a class).
    int Compile(RegexStateTransitionTable& table) const;

private:
    class Compilation;

    RegexToken tokens_[kTokens];
    unsigned count_ = 0;
};
