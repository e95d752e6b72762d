#include "decoder/linear/line/bar_symbol_decoder.h"

#include "decoder/core/property/dec2d_property.h"
#include "decoder/linear/roads/multi_line_decoder.h"

namespace DEC2DIvra {

bool BarSymbolDecoder::ExecuteBlockBinarization(StackInterface<ArrayIterator<ScanElement const>> const&,
                                                StackInterface<MultiLineBlockData>&, bool, bool&) const
{
    return false;
}

bool BarSymbolDecoder::MakeBarSymbolArray(StackInterface<MultiLineBlockData> const&, bool&,
                                          StackInterface<BarSymbol>&, unsigned&) const
{
    return false;
}

bool BarSymbolDecoder::CountModule(StackInterface<BarSymbol> const&, unsigned&) const { return false; }

bool BarSymbolDecoder::IsEnableStartBarSymbol() const { return true; }

bool BarSymbolDecoder::IsEnableRepeatCheck() const { return true; }

bool BarSymbolDecoder::IsStackedRow(StackInterface<BarSymbol> const&, bool) const { return false; }

unsigned BarSymbolDecoder::CountLeastReadRuns() const { return 0; }

bool BarSymbolDecoder::CalcDecodedLineSegment(GrayImage const& image, ScanLineSegment const& line, bool,
                                              StackInterface<BarSymbol> const& symbols, LineSegment& segment) const
{
    if (symbols.IsEmpty()) {
        return false;
    }
    Point begin;
    Point end;
    if (!line.CalcLineCoordPoint(image, symbols[0].begin, begin) ||
        !line.CalcLineCoordPoint(image, symbols.GetTop().end, end)) {
        return false;
    }
    segment = LineSegment{begin, end};
    return true;
}

bool BarSymbolDecoder::CalcMultilineDecodedRegion(GrayImage const& image, bool,
                                                  ArrayIterator<LineDecodeData const> const& lines,
                                                  StackInterface<MultiLineBlockData> const& blocks,
                                                  StackInterface<Point>& beginEdge,
                                                  StackInterface<Point>& endEdge) const
{
    return MultiLineDecoder::CalcBlockEdgePoints(image, lines, blocks, beginEdge, endEdge);
}

bool BarSymbolDecoder::CheckPolarity(unsigned setting, bool negative)
{
    switch (setting) {
    case 0:
        return !negative;
    case 1:
        return negative;
    case 2:
        return true;
    default:
        return false;
    }
}

bool BarSymbolDecoder::CheckPolarity(bool negative) const
{
    return CheckPolarity(context_->detail->positive_and_negative.Get(), negative);
}

}  // namespace DEC2DIvra
