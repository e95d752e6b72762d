#pragma once

#include "decoder/core/containers/array_iterator.h"
#include "decoder/core/containers/stack_interface.h"
#include "decoder/linear/line/multi_line_block_data.h"
#include "decoder/linear/line/scan_element.h"
#include "decoder/linear/upc_ean/upc_ean_partial_scan_data.h"

namespace DEC2DIvra {

// Re-measures the character in runs[0..3] whose pattern a neighbouring line
// already read: when the widths leave the bar count open, the known pattern
// (low seven bits of expected) decides instead of the neighbour's units.
// False when neither reading gives that pattern.
bool CalcPrevBarSymbol(PartialScanElement const* runs, bool barIsLight, unsigned expected,
                       BarSymbolForWPC& previous);

// One window of the block road on one line: what the block before it says of
// the line (begin, end, contrast, pattern), and where to look.
struct UpcEanBlockWindow {
    int begin = 0;
    int end = 0;
    int contrast = 0;
    unsigned pattern = 0;
    int elementWidth = 0;  // the block's mean narrowest element

    // False when the reference block says nothing usable of the line.
    bool From(MultiLineBlockData const& reference, int line);
    long long Width() const { return static_cast<long long>(end) - begin; }
};

// The element width a block's lines measured: the fitted value, else the
// mean module width of its entries.
int BlockElementWidth(MultiLineBlockData const& block);

// The most voted value of a block and its votes; false when the block is
// empty.
bool BlockWinner(MultiLineBlockData const& block, int& value, unsigned& votes);

// The iterator of a whole line walked backwards from its last run.
inline ArrayIterator<ScanElement const> Backwards(ArrayIterator<ScanElement const> const& line)
{
    return ArrayIterator<ScanElement const>(line.GetBegin(), line.GetCount(), static_cast<int>(line.GetCount()) - 1,
                                            -1);
}

}  // namespace DEC2DIvra
