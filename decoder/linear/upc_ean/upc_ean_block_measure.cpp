#include "decoder/linear/upc_ean/upc_ean_block_measure.h"

namespace DEC2DIvra {

bool CalcPrevBarSymbol(PartialScanElement const* runs, bool barIsLight, unsigned expected, BarSymbolForWPC& previous)
{
    BarSymbolForWPC measured;
    if (runs == nullptr || !WPCPartialScanData::CalcBarSymbol(barIsLight, runs, 0, 0, measured)) {
        return false;
    }
    if (measured.ambiguous != 0) {
        unsigned const known = expected & 0x7Fu;
        if (measured.code != known) {
            unsigned const bars = measured.rejectedBars;
            unsigned other = 0;
            if (bars < 2 || bars > 5 ||
                !WPCPartialScanData::CalcWindowPattern(runs, 4, barIsLight, bars, 7 - bars, other) ||
                (other & 0x7Fu) != known) {
                return false;
            }
            measured.code = known;
            measured.bars = bars;
        }
        measured.ambiguous = 0;
        measured.rejectedBars = 0;
    }
    previous = measured;
    return true;
}

bool UpcEanBlockWindow::From(MultiLineBlockData const& reference, int line)
{
    begin = reference.GetBeginLineCoord(line);
    end = reference.GetEndLineCoord(line);
    contrast = reference.GetContrast(line);
    elementWidth = BlockElementWidth(reference);
    return Width() > 0 && Width() < 0x3FFFFFFFLL && contrast > 0 && reference.GetPattern(line, pattern);
}

int BlockElementWidth(MultiLineBlockData const& block)
{
    if (block.GetMinElementWidth() > 0) {
        return block.GetMinElementWidth();
    }
    long long sum = 0;
    for (MultiLineBlockData::Entry const& entry : block) {
        sum += entry.width;
    }
    return block.IsEmpty() ? 0 : static_cast<int>(sum / block.GetCount());
}

bool BlockWinner(MultiLineBlockData const& block, int& value, unsigned& votes)
{
    // At most sixteen entries: counting each value directly is enough.
    votes = 0;
    for (unsigned i = 0; i < block.GetCount(); ++i) {
        unsigned n = 0;
        for (unsigned j = 0; j < block.GetCount(); ++j) {
            n += block[j].value == block[i].value ? 1u : 0u;
        }
        if (n > votes) {
            votes = n;
            value = block[i].value;
        }
    }
    return votes > 0;
}

}  // namespace DEC2DIvra
