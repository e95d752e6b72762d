#pragma once
// The output template of a data-editing program: what to send once the
// pattern matched. It refers to what the pattern collected (groups, GS1
// element strings, region, identifiers) for the labels of the read, offers
// alternatives for data that may be missing, and embeds function calls.

#include <cstdint>

#include "format/data_edit/code_regex_data_collector.h"
#include "format/data_edit/format_sentence.h"
#include "format/decode_data_byte.h"
#include "format/data_edit/ride_zodoz_pattern.h"

// Where Output writes.
struct BufferWriter {
    DecodeDataByte* begin;
    unsigned position;
    unsigned end;
    bool Put(DecodeDataByte c)
    {
        if (position >= end)
            return false;
        begin[position++] = c;
        return true;
    }
};

template <class Cell, unsigned N>
class RideZodozFormat {
public:
    explicit RideZodozFormat(unsigned program = 0) : program_(program) {}
    void SetProgram(unsigned program) { program_ = program; }

    // Converts the text to cells, reads it token by token into a sentence and
    // checks that: 0, 2 (too many tokens, a number too large, the text does
    // not fit), 3 (syntax or nesting). On failure the template is left as it was.
    int ConvertFromCString(const char* text);
    // 1 when every reference the output needs is collected.
    int IsPossibleToOutput(const CodeRegexDataCollector& collector) const;
    // 0, 2 (destination full), 3 (a reference missing with no alternative
    // left, or the final function run failed).
    int Output(BufferWriter& out, const CodeRegexDataCollector& collector, RideZodozFunctionExecutor& functions) const;
    void Clear() { sentence_.Clear(); }

private:
    struct Run;
    int Bracket(Run& run, unsigned from, unsigned to) const;
    int Sequence(Run& run, unsigned from, unsigned to) const;

    unsigned program_;
    FormatSentence<Cell, N> sentence_;
};
