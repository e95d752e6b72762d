// The multi-line road of the Code 39 decoder: characters read column by
// column across the lines of a band, then voted into one symbol.

#include "decoder/core/property/dec2d_property.h"
#include "decoder/linear/line/block_column_reading.h"
#include "decoder/linear/code39_code93_code11/code39_decoder.h"
#include "decoder/linear/code39_code93_code11/code39_table.h"

namespace DEC2DIvra {

bool Code39Decoder::ExecuteBlockBinarization(StackInterface<ArrayIterator<ScanElement const>> const& lines,
                                             StackInterface<MultiLineBlockData>& blocks, bool negative,
                                             bool& reverced) const
{
    if (!CheckPolarity(negative) || blocks.IsEmpty() || blocks[0].IsEmpty()) {
        return false;
    }
    int const startKey = blocks[0][0].value;
    if (startKey < 0 || !IsStartAdmitted(static_cast<unsigned>(startKey))) {
        return false;
    }
    // Every character begins and ends with a bar, read in either direction.
    auto readLine = [&](ArrayIterator<ScanElement const> const& line, BlockColumnStart const& at, int elementWidth,
                        BarSymbol& symbol, bool& closing) {
        Code39PartialScanData window;
        unsigned key = 0;
        int module = 0;
        if (!window.Set(line, negative, at.start, at.contrast, 4 * at.width / 5, 6 * at.width / 5,
                        CommonPartialScanData::kNoDistanceLimit) ||
            window.GetBegin() - static_cast<long long>(at.end) > kMaxGapModules * elementWidth ||
            !window.CalcBarSymbolForBigger(key, module)) {
            return false;
        }
        unsigned const value = reverced ? Code39Table::Reverse(key) : key;
        if (Code39Table::GetValue(value) == Code39Table::kNoValue) {
            return false;
        }
        closing = static_cast<int>(value) == startKey;
        if (closing && !CheckQuietZone(window, negative, true)) {
            return false;
        }
        symbol.value = static_cast<int>(value);
        symbol.begin = window[0].begin;
        symbol.end = window[Code39PartialScanData::kRuns - 1].end;
        symbol.width = module;
        symbol.contrast = window.GetContrast();
        return true;
    };
    return ReadBlockColumns(lines, blocks, true, readLine);
}

bool Code39Decoder::MakeBarSymbolArray(StackInterface<MultiLineBlockData> const& blocks, bool& reverced,
                                       StackInterface<BarSymbol>& symbols, unsigned& votes) const
{
    // The stop is the start character again.
    return VoteBlockColumns(
        blocks, symbols, votes, [](int value, int first) { return value == first; },
        [&](StackInterface<BarSymbol> const& read) { return CheckCheckDigit(read, reverced); });
}

}  // namespace DEC2DIvra
