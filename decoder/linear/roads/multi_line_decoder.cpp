#include "decoder/linear/roads/multi_line_decoder.h"

#include "decoder/core/geometry/geometry.h"
#include "decoder/core/geometry/line.h"
#include "decoder/linear/line/bar_symbol_decoder.h"
#include "decoder/linear/line/line_decode_data.h"

namespace DEC2DIvra {

namespace {

// The PDF417 row detector and DataBar Limited read either polarity; every
// other decoder answers to the polarity setting, here as on single lines.
bool IsPolarityAllowed(BarSymbolDecoder const& decoder, bool negative)
{
    tagSymbology const symbology = decoder.GetSymbology();
    return symbology == SYMBOLOGY_PDF417 || symbology == SYMBOLOGY_GS1_DATABAR || decoder.CheckPolarity(negative);
}

bool IsSameStart(MultiLineStartBlockData const& start, StartBarSymbol const& symbol)
{
    return start.decoder == symbol.decoder && start.reverced == symbol.reverced && !start.block.IsEmpty() &&
           start.block[0].value == symbol.symbol.value;
}

bool FitEdge(StackInterface<Point> const& points, Line& line)
{
    return Geometry::CalcLine(ArrayIterator<Point const>(points.GetFirst(), points.GetCount()), line, -1);
}

}  // namespace

MultiLineDecoder::MultiLineDecoder(SharedMemoryDistributor& memory) { data_.Initialize(memory); }

bool MultiLineDecoder::Start(GrayImage const& image, ArrayIterator<LineDecodeData const> const& lines,
                             Region const& located, DecodedLabel& label)
{
    return Start(image, lines, located, data_, label);
}

bool MultiLineDecoder::MakeStartCodeBlock(ArrayIterator<LineDecodeData const> const& lines,
                                          StackInterface<MultiLineStartBlockData>& starts)
{
    starts.Clear();
    // Of the lines that met one start symbol, the one that read most
    // characters after it tells its polarity.
    constexpr unsigned kCapacity = MultiLineDecodeData::kStartBlockCapacity;
    unsigned bestCount[kCapacity] = {};
    unsigned const lineCount = lines.GetCount() < MultiLineBlockData::kLineCapacity
                                   ? lines.GetCount()
                                   : MultiLineBlockData::kLineCapacity;
    for (unsigned li = 0; li < lineCount; ++li) {
        LineDecodeData const* line = lines.Peek(static_cast<int>(li));
        if (line == nullptr) {
            break;
        }
        for (StartBarSymbol const& symbol : line->startSymbols.GetItems()) {
            if (symbol.decoder == nullptr) {
                continue;
            }
            unsigned k = 0;
            while (k < starts.GetCount() && !IsSameStart(starts[k], symbol)) {
                ++k;
            }
            if (k == starts.GetCount()) {
                if (k >= kCapacity) {
                    continue;
                }
                MultiLineStartBlockData* start = starts.PushSlot();
                if (start == nullptr) {
                    continue;
                }
                *start = MultiLineStartBlockData();
                start->decoder = symbol.decoder;
                start->reverced = symbol.reverced;
                start->negative = symbol.negative;
                bestCount[k] = symbol.symbolCount;
            } else if (symbol.symbolCount > bestCount[k]) {
                starts[k].negative = symbol.negative;
                bestCount[k] = symbol.symbolCount;
            }
            // A line's map keeps one entry per start symbol.
            if (starts[k].block.FindLine(static_cast<int>(li)) == nullptr) {
                starts[k].block.Push(symbol.symbol, static_cast<int>(li));
            }
        }
    }
    // The lines of a block answer from their own entries; the models answer
    // for the others. A start met off its place on some line is left out
    // when the block is large enough to tell.
    for (MultiLineStartBlockData& start : starts) {
        MultiLineBlockData fitted = start.block;
        if (fitted.Adjust(nullptr)) {
            start.block = fitted;
        } else {
            start.block.CalcLines();
        }
    }
    return !starts.IsEmpty();
}

bool MultiLineDecoder::Start(GrayImage const& image, ArrayIterator<LineDecodeData const> const& lines,
                             Region const& located, MultiLineDecodeData& data, DecodedLabel& label) const
{
    data.Clear();
    if (!data.IsReady()) {
        return false;
    }
    unsigned const lineCount = lines.GetCount() < MultiLineBlockData::kLineCapacity
                                   ? lines.GetCount()
                                   : MultiLineBlockData::kLineCapacity;
    for (unsigned li = 0; li < lineCount; ++li) {
        LineDecodeData const* line = lines.Peek(static_cast<int>(li));
        if (line == nullptr) {
            break;
        }
        data.lines.Push(ArrayIterator<ScanElement const>(line->elements.GetFirst(), line->elements.GetCount()));
    }
    if (!MakeStartCodeBlock(lines, data.startBlocks)) {
        return false;
    }
    for (unsigned k = data.startBlocks.GetCount(); k-- > 0;) {
        if (TryStartBlock(image, lines, located, data.startBlocks[k], data, label)) {
            return true;
        }
    }
    data.decoder = nullptr;
    label.Clear();
    return false;
}

bool MultiLineDecoder::TryStartBlock(GrayImage const& image, ArrayIterator<LineDecodeData const> const& lines,
                                     Region const& located, MultiLineStartBlockData const& start,
                                     MultiLineDecodeData& data, DecodedLabel& label) const
{
    BarSymbolDecoder const* decoder = start.decoder;
    // Fewer lines than must agree cannot carry the start character.
    if (decoder == nullptr || start.block.GetCount() < kMinAgreeingLines ||
        !IsPolarityAllowed(*decoder, start.negative != 0)) {
        return false;
    }
    data.blocks.Clear();
    data.symbols.Clear();
    data.votes = 0;
    data.decoder = decoder;
    data.negative = start.negative;
    bool reverced = start.reverced != 0;
    if (!data.blocks.Push(start.block) ||
        !decoder->ExecuteBlockBinarization(data.lines, data.blocks, start.negative != 0, reverced)) {
        return false;
    }
    unsigned votes = 0;
    if (!decoder->MakeBarSymbolArray(data.blocks, reverced, data.symbols, votes) || votes < kMinAgreeingLines) {
        return false;
    }
    data.reverced = reverced ? 1 : 0;
    data.votes = votes;
    label.Clear();
    Region region;
    if (!decoder->Start(data.symbols, reverced, label) ||
        !CalcDecodedRegion(image, reverced, lines, data, located, region)) {
        label.Clear();
        return false;
    }
    label.region = region;
    unsigned modules = 0;
    if (decoder->CountModule(data.symbols, modules)) {
        label.moduleCount = modules;
    } else {
        label.moduleCount = 0;
        label.moduleWord = 0;
    }
    label.negative = data.negative;
    // No line of the read was read whole: there are no statistics to carry.
    label.further = tagFurtherRecord{};
    return true;
}

bool MultiLineDecoder::CalcDecodedRegion(GrayImage const& image, bool reverced,
                                         ArrayIterator<LineDecodeData const> const& lines, MultiLineDecodeData& data,
                                         Region const& located, Region& region) const
{
    if (data.decoder == nullptr) {
        return false;
    }
    Point beginBuffer[MultiLineBlockData::kLineCapacity];
    Point endBuffer[MultiLineBlockData::kLineCapacity];
    StackInterface<Point> beginEdge(beginBuffer, MultiLineBlockData::kLineCapacity);
    StackInterface<Point> endEdge(endBuffer, MultiLineBlockData::kLineCapacity);
    Line begin;
    Line end;
    Line first;
    Line last;
    if (!data.decoder->CalcMultilineDecodedRegion(image, reverced, lines, data.blocks, beginEdge, endEdge) ||
        !FitEdge(beginEdge, begin) || !FitEdge(endEdge, end) ||
        !Geometry::CalcLine(located.corner[0], located.corner[1], first) ||
        !Geometry::CalcLine(located.corner[3], located.corner[2], last)) {
        return false;
    }
    // The region starts at the edge the symbol is read from.
    Line const& leading = reverced ? end : begin;
    Line const& trailing = reverced ? begin : end;
    Region result;
    if (!Geometry::CalcCrossPoint(leading, first, result.corner[0]) ||
        !Geometry::CalcCrossPoint(trailing, first, result.corner[1]) ||
        !Geometry::CalcCrossPoint(trailing, last, result.corner[2]) ||
        !Geometry::CalcCrossPoint(leading, last, result.corner[3])) {
        return false;
    }
    region = result;
    return true;
}

bool MultiLineDecoder::CalcBlockEdgePoints(GrayImage const& image, ArrayIterator<LineDecodeData const> const& lines,
                                           StackInterface<MultiLineBlockData> const& blocks,
                                           StackInterface<Point>& beginEdge, StackInterface<Point>& endEdge)
{
    beginEdge.Clear();
    endEdge.Clear();
    if (blocks.IsEmpty()) {
        return false;
    }
    auto collect = [&](MultiLineBlockData const& block, bool atBegin, StackInterface<Point>& edge) {
        for (MultiLineBlockData::Entry const& e : block) {
            LineDecodeData const* line = lines.Peek(e.line);
            Point point;
            if (line == nullptr || !line->line.CalcLineCoordPoint(image, atBegin ? e.begin : e.end, point)) {
                continue;
            }
            if (!edge.Push(point)) {
                return false;
            }
        }
        return true;
    };
    return collect(blocks[0], true, beginEdge) && collect(blocks.GetTop(), false, endEdge) &&
           !beginEdge.IsEmpty() && !endEdge.IsEmpty();
}

}  // namespace DEC2DIvra
