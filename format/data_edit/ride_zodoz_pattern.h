#pragma once
// The pattern half of a data-editing program: a regular-expression-like text
// compiled once into a state table and run, with backtracking, on each label.
// A match decides that the program applies, writes the rewritten label into
// the collector's buffer (matched cells unless skipped, plus quoted text),
// and records groups and GS1 element strings for the output template.

#include <cstdint>

#include "format/data_edit/code_regex_data_collector.h"
#include "format/decode_data_byte.h"
#include "format/data_edit/ride_zodoz_function.h"

using RideZodozFunctionExecutor = ivra_string_library::RideZodozFunctionExecutor;

// Result codes shared by patterns and templates.
namespace ride_zodoz_result {
inline constexpr int kOk = 0;
inline constexpr int kNoMatch = 1;
inline constexpr int kFull = 2;
inline constexpr int kError = 3;
} // namespace ride_zodoz_result

struct RegexState {
    std::uint8_t kind = 0;
    std::uint8_t flag = 0;   // lazy, negated, group type
    std::uint16_t next = 0;
    std::uint16_t alt = 0;   // second way of a branch; a loop's body
    std::uint16_t reg = 0;   // register of a loop or group
    std::uint32_t a = 0;     // cell, lower bound, minimum, number
    std::uint32_t b = 0;     // upper bound, maximum, count
};

// One label as a pattern sees it.
struct RegexLabel {
    DecodeDataByte symbology;
    unsigned char aim[3] = {}; // letter and modifier after ']'
    LabelRegion region;
    unsigned inputStart = 0; // its cells in the collector's buffer
    unsigned inputEnd = 0;
};

class RegexStateTransitionTable {
public:
    static constexpr unsigned kStates = 512;
    static constexpr unsigned kItems = 512;     // class ranges and identifier tests
    static constexpr unsigned kRegisters = 512;
    static constexpr unsigned kParts = 16;

    // Runs part `part` on the label; the record receives groups and element
    // strings. 0 matched, 1 not matched, 2 output or run limits reached, 3 bad table.
    int Matches(const RegexLabel& label, unsigned part, CodeRegexDataCollector& collector, CodeRegexData& record,
                RideZodozFunctionExecutor& functions) const;
    unsigned Parts() const { return parts_; }
    bool Empty() const { return parts_ == 0; }

private:
    friend class RegexCompiler;
    RegexState states_[kStates];
    std::uint32_t items_[kItems][2] = {};
    unsigned stateCount_ = 0;
    unsigned itemCount_ = 0;
    unsigned registers_ = 0;
    std::uint16_t partStart_[kParts] = {};
    unsigned parts_ = 0;
};

template <class Cell, unsigned N>
class RideZodozPattern {
public:
    explicit RideZodozPattern(unsigned program = 0) : program_(program) {}
    void SetProgram(unsigned program) { program_ = program; }

    // 0, 2 (too many tokens or states, or the text does not fit), 3 (syntax).
    // An empty text compiles into a table that never matches. On failure the
    // table is left as it was.
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

// Compiles pattern text (already cells) into a table; 0, 2 or 3.
int CompileRegexPattern(const DecodeDataByte* cells, RegexStateTransitionTable& table);
