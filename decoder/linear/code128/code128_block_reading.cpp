// The multi-line road of the Code 128 decoder: characters read column by
// column across the lines of a band, then voted into one symbol.

#include "decoder/core/property/dec2d_property.h"
#include "decoder/linear/line/block_column_reading.h"
#include "decoder/linear/code128/code128_block_vote.h"
#include "decoder/linear/code128/code128_decoder.h"
#include "decoder/linear/line/multi_line_block_data.h"

namespace DEC2DIvra {

bool Code128Decoder::ReadColumn(StackInterface<ArrayIterator<ScanElement const>> const& lines,
                                MultiLineBlockData const& opening, MultiLineBlockData const& previous, bool negative,
                                bool reverced, MultiLineBlockData& column, bool& closed) const
{
    int const elementWidth = CalcBlockElementWidth(previous);
    // The first run of a character as the line meets it: a bar, or from the
    // stop end a space.
    bool const light = negative != reverced;
    unsigned const count =
        lines.GetCount() < MultiLineBlockData::kLineCapacity ? lines.GetCount() : MultiLineBlockData::kLineCapacity;
    for (unsigned i = 0; i < count; ++i) {
        int const line = static_cast<int>(i);
        long long const end = previous.GetEndLineCoord(line);
        long long const width = end - previous.GetBeginLineCoord(line);
        int const contrast = previous.GetContrast(line);
        if (width <= 0 || contrast <= 0 || width > 0x7FFFFFFFLL) {
            continue;
        }
        Code128PartialScanData window;
        long long const start = end - elementWidth;
        if (start < -0x7FFFFFFFLL || start > 0x7FFFFFFFLL ||
            !window.Set(lines[i], light, static_cast<int>(start), static_cast<unsigned>(contrast),
                        static_cast<unsigned>(5 * width / 6), static_cast<unsigned>(6 * width / 5),
                        CommonPartialScanData::kNoDistanceLimit) ||
            window.GetBegin() > end + elementWidth) {
            continue;
        }
        BarSymbol symbol;
        if (!Classify(window, reverced, false, opening.GetContrast(line), symbol)) {
            continue;
        }
        int const value = table.GetValue(symbol.value);
        if (IsOpening(value, reverced)) {
            continue;
        }
        if (IsClosing(value, reverced)) {
            closed = true;
            if (!CheckQuietZone(window, true, true, 0)) {
                continue;
            }
        }
        column.Push(symbol, line);
    }
    return !column.IsEmpty();
}

bool Code128Decoder::ExecuteBlockBinarization(StackInterface<ArrayIterator<ScanElement const>> const& lines,
                                              StackInterface<MultiLineBlockData>& blocks, bool negative,
                                              bool& reverced) const
{
    if (!IsGateOpen() || negative != IsNegative() || !CheckPolarity(negative) || blocks.IsEmpty()) {
        return false;
    }
    bool closed = false;
    for (;;) {
        // The stack lies over a fixed buffer: the top stays where it is.
        MultiLineBlockData const& previous = blocks.GetTop();
        MultiLineBlockData* column = blocks.PushSlot();
        if (column == nullptr) {
            return closed;
        }
        column->Clear();
        ReadColumn(lines, blocks[0], previous, negative, reverced, *column, closed);
        if (!column->Adjust(&previous)) {
            blocks.Pop();
            return closed;
        }
    }
}

bool Code128Decoder::MakeBarSymbolArray(StackInterface<MultiLineBlockData> const& blocks, bool& reverced,
                                        StackInterface<BarSymbol>& symbols, unsigned& votes) const
{
    Code128BlockVote vote;
    for (MultiLineBlockData const& column : blocks) {
        if (!vote.AddColumn()) {
            symbols.Clear();
            votes = 0;
            return false;
        }
        for (MultiLineBlockData::Entry const& entry : column) {
            vote.Vote(entry.value);
        }
    }
    return vote.Start(reverced, symbols, votes);
}

}  // namespace DEC2DIvra
