#pragma once
// A compiled pattern: states with a kind, a next state and an alternative,
// the class ranges and identifier tests they refer to, and the first state
// of each '/'-separated part. The matcher runs it with backtracking.

#include <cstdint>

#include "format/data_edit/code_regex_data_collector.h"
#include "format/data_edit/regex_groups.h"
#include "format/data_edit/ride_zodoz_function.h"
#include "format/decode_data_byte.h"

using RideZodozFunctionExecutor = ivra_string_library::RideZodozFunctionExecutor;

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

    // Runs part `part` on the label. The groups and element strings go into
    // `groups`, the output into `output` (kept there only on a match, from
    // its write position on); `continuation` is the match's continuation
    // flag. 0 matched, 1 not matched, 2 output or run limits reached, 3 bad table.
    int Matches(const RegexLabel& label, unsigned part, RegexGroups& groups,
                CodeRegexDataCollector::OutputBuffer& output, bool& continuation,
                RideZodozFunctionExecutor& functions) const;
    unsigned Parts() const { return parts_; }
    bool Empty() const { return parts_ == 0; }

private:
    friend class RegexSentence;
    RegexState states_[kStates];
    std::uint32_t items_[kItems][2] = {};
    unsigned stateCount_ = 0;
    unsigned itemCount_ = 0;
    unsigned registers_ = 0;
    std::uint16_t partStart_[kParts] = {};
    unsigned parts_ = 0;
};
