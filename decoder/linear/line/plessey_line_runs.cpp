#include "decoder/linear/line/plessey_line_runs.h"

namespace DEC2DIvra {

bool PlesseyLineRuns::CalcPlesseyBit(unsigned j, unsigned& bit, long long& previousWidth) const
{
    if (j + 1 >= runs_) {
        return false;
    }
    long long const bar = GetMagnitude(At(j));
    long long const space = GetMagnitude(At(j + 1));
    long long const width = GetWidth(At(j)) + GetWidth(At(j + 1));
    if (previousWidth > 0 && (4 * width < 3 * previousWidth || 3 * width > 4 * previousWidth)) {
        return false;
    }
    previousWidth = width;
    // Shares of 2/3 or 3/4 against 1/3 or 1/4: refuse the middle tenth.
    long long const share = 256 * bar / (bar + space);
    if (share > 140) {
        bit = 1;
        return true;
    }
    if (share < 116) {
        bit = 0;
        return true;
    }
    return false;
}

bool PlesseyLineRuns::PushCharacters(unsigned first, unsigned runsPer, unsigned char const* values,
                                                  unsigned count, RateForTuningCalculator const& rate,
                                                  StackInterface<BarSymbol>& symbols) const
{
    for (unsigned k = 0; k < count; ++k) {
        unsigned const c = reversed_ ? count - 1 - k : k;
        unsigned const begin = At(first + runsPer * c);
        unsigned const end = At(first + runsPer * c + runsPer - 1);
        BarSymbol symbol;
        symbol.value = values[c];
        symbol.begin = (*this)[reversed_ ? end : begin].begin;
        symbol.end = (*this)[reversed_ ? begin : end].end;
        symbol.width = static_cast<int>(GetNarrowestWidth(runs_));
        if (!symbols.Push(symbol)) {
            return false;
        }
        PushWindow(rate, reversed_ ? end : begin);
    }
    if (symbols.IsEmpty()) {
        return false;
    }
    symbols[0].begin = (*this)[0].begin;
    symbols.GetTop().end = (*this)[runs_ - 1].end;
    return true;
}

bool PlesseyLineRuns::CollectValues(StackInterface<BarSymbol> const& symbols, bool reverced,
                                                 int highest, unsigned char* values, unsigned capacity,
                                                 unsigned& count)
{
    count = symbols.GetCount();
    if (count == 0 || count > capacity) {
        return false;
    }
    for (unsigned i = 0; i < count; ++i) {
        int const value = symbols[reverced ? count - 1 - i : i].value;
        if (value < 0 || value > highest) {
            return false;
        }
        values[i] = static_cast<unsigned char>(value);
    }
    return true;
}

}  // namespace DEC2DIvra
