#pragma once
// The pattern half of a data-editing program: a regular-expression-like text
// compiled once into a state table and run, with backtracking, on each label.
// A match decides that the program applies, writes the rewritten label into
// the collector's buffer (matched cells unless skipped, plus quoted text),
// and records groups and GS1 element strings for the output template.

#include "format/data_edit/code_regex_data_collector.h"
#include "format/data_edit/regex_state_transition_table.h"
#include "format/data_edit/ride_zodoz_function.h"
#include "format/data_edit/ride_zodoz_result.h"
#include "format/decode_data_byte.h"

template <class Cell, unsigned N>
class RideZodozPattern {
public:
    explicit RideZodozPattern(unsigned program = 0) : program_(program) {}
    void SetProgram(unsigned program) { program_ = program; }

    // Converts the text to cells, reads it token by token into a sentence and
    // compiles that: 0, 2 (too many tokens or states, or the text does not
    // fit), 3 (syntax or structure, or a pattern whose backtracking could
    // grow without bound). An empty text compiles into a table that never
    // matches. On failure the table is left as it was.
    int ConvertFromCString(const char* text);
    // One label through the program, multi-label parts included: 0 matched,
    // 1 not matched, 2 full, 3 error.
    int Matches(CodeRegexDataCollector& collector, const RegexLabel& label, RideZodozFunctionExecutor& functions,
                unsigned firstPart = 0) const;
    bool Compiled() const { return compiled_; }
    void Clear()
    {
        table_ = RegexStateTransitionTable{};
        compiled_ = false;
    }
    unsigned Program() const { return program_; }

private:
    int MatchesFrom(CodeRegexDataCollector& collector, const RegexLabel& label, RideZodozFunctionExecutor& functions,
                    unsigned firstPart, unsigned depth) const;

    unsigned program_;
    bool compiled_ = false;
    RegexStateTransitionTable table_;
};
