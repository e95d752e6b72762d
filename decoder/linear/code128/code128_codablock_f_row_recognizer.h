#pragma once

#include "decoder/core/containers/stack_interface.h"
#include "decoder/linear/line/bar_symbol.h"

namespace DEC2DIvra {

// Whether a Code 128 read is one row of a Codablock F symbol. The Code 128
// decoder asks before it judges a read as Code 128 (when Codablock F is
// enabled) and labels a row as symbology 41; the Codablock F decoder answers.
// A Code 128 decoder without a recognizer takes every read as Code 128.
class CodablockFRowRecognizer {
public:
    // symbols as the line met them, reverced as read. skip: the leading data
    // bytes the row indicator wrote; rows: the number of rows (first row
    // only); row: the row number. True for a valid row.
    virtual bool CalcTotalRowsAndRowNumber(bool reverced, StackInterface<BarSymbol> const& symbols, unsigned& skip,
                                           int& rows, int& row) const = 0;

protected:
    CodablockFRowRecognizer() = default;
    ~CodablockFRowRecognizer() = default;
};

}  // namespace DEC2DIvra
