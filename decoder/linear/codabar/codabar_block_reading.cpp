// The multi-line road of the Codabar decoder: characters read column by
// column across the lines of a band, then voted into one symbol.

#include "decoder/core/property/dec2d_property.h"
#include "decoder/linear/line/block_column_reading.h"
#include "decoder/linear/codabar/codabar_decoder.h"
#include "decoder/linear/codabar/codabar_table.h"

namespace DEC2DIvra {

namespace {

// The widest gap between two characters, in narrow elements (the standard
// allows 5.3).
constexpr long long kMaxGapModules = 6;

bool IsStartStop(int value) { return value >= 0 && CodabarTable::CheckStopCode(static_cast<unsigned>(value)); }

}  // namespace

bool CodabarDecoder::ExecuteBlockBinarization(StackInterface<ArrayIterator<ScanElement const>> const& lines,
                                              StackInterface<MultiLineBlockData>& blocks, bool negative,
                                              bool& reverced) const
{
    if (!IsGateOpen() || !CheckPolarity(negative) || reverced != direction_ || blocks.IsEmpty() ||
        blocks[0].IsEmpty() || !IsStartStop(blocks[0][0].value)) {
        return false;
    }
    // Every character begins and ends with a bar. A start or stop character
    // is wider than a digit, one of three wide bars wider still: the bounds
    // take in both steps.
    auto readLine = [&](ArrayIterator<ScanElement const> const& line, BlockColumnStart const& at, int elementWidth,
                        BarSymbol& symbol, bool& closing) {
        CodabarPartialScanData window;
        long long const width = at.width;
        if (!window.Set(line, negative, at.start, at.contrast, static_cast<unsigned>(44 * width / 65),
                        static_cast<unsigned>(65 * width / 44), CommonPartialScanData::kNoDistanceLimit) ||
            window.GetBegin() - static_cast<long long>(at.end) > kMaxGapModules * elementWidth) {
            return false;
        }
        if (!window.CalcStartStopBarSymbol(direction_, symbol) && !window.CalcBarSymbol(direction_, symbol)) {
            return false;
        }
        closing = IsStartStop(symbol.value);
        return !closing || CheckQuietZone(window, symbol, true, negative);
    };
    return ReadBlockColumns(lines, blocks, true, readLine);
}

bool CodabarDecoder::MakeBarSymbolArray(StackInterface<MultiLineBlockData> const& blocks, bool& reverced,
                                        StackInterface<BarSymbol>& symbols, unsigned& votes) const
{
    // A start and a stop alone carry nothing; the length record and the
    // check digit hold as on one line.
    return VoteBlockColumns(
        blocks, symbols, votes, [](int value, int) { return IsStartStop(value); },
        [&](StackInterface<BarSymbol> const& read) {
            return read.GetCount() >= 3 && codabar_->fixed_length.Get().Admits(read.GetCount() - 2) &&
                   CheckCheckDigit(read, reverced);
        });
}

}  // namespace DEC2DIvra
