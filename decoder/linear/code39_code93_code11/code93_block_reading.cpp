// The multi-line road of the Code 93 decoder: characters read column by
// column across the lines of a band, then voted into one symbol.

#include "decoder/core/property/dec2d_property.h"
#include "decoder/linear/line/block_column_reading.h"
#include "decoder/linear/code39_code93_code11/code93_decoder.h"

namespace DEC2DIvra {

bool Code93Decoder::ExecuteBlockBinarization(StackInterface<ArrayIterator<ScanElement const>> const& lines,
                                             StackInterface<MultiLineBlockData>& blocks, bool negative,
                                             bool& reverced) const
{
    if (!code93_->read.Get() || negative != negative_ || !CheckPolarity(negative) || blocks.IsEmpty() ||
        blocks[0].IsEmpty() || blocks[0][0].value != static_cast<int>(kStartStopKey)) {
        return false;
    }
    // A character begins with a bar and ends with a space; from the stop end
    // the line meets the space first.
    bool const light = negative != reverced;
    auto readLine = [&](ArrayIterator<ScanElement const> const& line, BlockColumnStart const& at, int elementWidth,
                        BarSymbol& symbol, bool& closing) {
        Code93PartialScanData window;
        unsigned key = 0;
        if (!window.Set(line, light, at.start, at.contrast, 4 * at.width / 5, 6 * at.width / 5,
                        CommonPartialScanData::kNoDistanceLimit) ||
            window.GetBegin() - static_cast<long long>(at.end) > elementWidth || !window.CalcBarSymbol(reverced, key)) {
            return false;
        }
        closing = key == kStartStopKey;
        if (closing && !CheckQuietZone(window, true)) {
            return false;
        }
        symbol.value = static_cast<int>(key);
        symbol.begin = window[0].begin;
        symbol.end = window[Code93PartialScanData::kRuns - 1].end;
        symbol.width = static_cast<int>(window.GetSpan() / Code93PartialScanData::kModules);
        symbol.contrast = window.GetContrast();
        return true;
    };
    return ReadBlockColumns(lines, blocks, false, readLine);
}

bool Code93Decoder::MakeBarSymbolArray(StackInterface<MultiLineBlockData> const& blocks, bool& reverced,
                                       StackInterface<BarSymbol>& symbols, unsigned& votes) const
{
    return VoteBlockColumns(
        blocks, symbols, votes, [](int value, int) { return value == static_cast<int>(kStartStopKey); },
        [&](StackInterface<BarSymbol> const& read) { return CheckCheckDigit(read, reverced); });
}

}  // namespace DEC2DIvra
