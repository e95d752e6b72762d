#pragma once

#include "decoder/core/containers/stack_interface.h"
#include "decoder/linear/line/bar_symbol.h"
#include "decoder/linear/line/line_run_data.h"

namespace DEC2DIvra {

// A Plessey symbol's runs from a candidate run on: every bit is a bar and the
// space after it, a 1 with the wider bar. The symbol is read in its own
// order: met from its stop end (reversed), reading position j is the run
// `runs - 1 - j` of the line.
class PlesseyLineRuns : public LineRunData {
public:
    using LineRunData::LineRunData;

    // Fixes the symbol's extent (its runs, bar first and last) and direction.
    void SetSymbol(unsigned runs, bool reversed)
    {
        runs_ = runs;
        reversed_ = reversed;
    }
    unsigned GetSymbolRuns() const { return runs_; }
    bool IsReversed() const { return reversed_; }
    // The line run at reading position j.
    unsigned At(unsigned j) const { return reversed_ ? runs_ - 1 - j : j; }

    // The bit of the pair at reading positions j (bar) and j + 1 (space): by
    // the bar's share of the pair's magnitude, which must stand clear of an
    // even split. False also when the pair's width strays beyond 3:4 / 4:3
    // of `previousWidth` (0: no test); the pair's width is returned in it.
    bool CalcPlesseyBit(unsigned j, unsigned& bit, long long& previousWidth) const;

    // Pushes `count` characters of `runsPer` runs each from reading position
    // `first` on, in line order (a reversed read is read back by Start), each
    // with its value, and hands each window to the frame's statistics. The
    // first and last cover the symbol's ends.
    bool PushCharacters(unsigned first, unsigned runsPer, unsigned char const* values, unsigned count,
                        RateForTuningCalculator const& rate, StackInterface<BarSymbol>& symbols) const;
    // The values of the pushed characters in reading order, each at most
    // `highest`; false for none, more than `capacity` or a value beyond.
    static bool CollectValues(StackInterface<BarSymbol> const& symbols, bool reverced, int highest,
                              unsigned char* values, unsigned capacity, unsigned& count);

private:
    unsigned runs_ = 0;
    bool reversed_ = false;
};

}  // namespace DEC2DIvra
