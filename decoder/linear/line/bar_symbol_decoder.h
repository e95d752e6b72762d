#pragma once

#include "decoder/core/containers/array_iterator.h"
#include "decoder/core/decoded_label.h"
#include "decoder/core/gray_image.h"
#include "decoder/core/geometry/line_segment.h"
#include "decoder/core/geometry/point.h"
#include "decoder/core/containers/stack_interface.h"
#include "decoder/core/identifiers/tag_symbology.h"
#include "decoder/linear/line/bar_symbol.h"
#include "decoder/linear/line/bar_symbol_decoder_context.h"
#include "decoder/linear/line/scan_element.h"
#include "decoder/linear/roads/scan_line_segment.h"

namespace DEC2DIvra {

class LineDecodeData;
class MultiLineBlockData;

// One linear symbology as the frame sees it. The frame offers a run of a scan
// line (a grey-level jump) to slot 0; a decoder that recognises a whole symbol
// from there pushes its characters, the frame checks them with slot 1, repeats
// the read until it counts, and turns the characters into a label with slot 2.
// Slots 3 and 4 serve the multi-line road, which reads a symbol from
// characters seen on different lines. Every slot is const: a decoder keeps no
// state between calls, and reads its settings at the moment it needs them.
class BarSymbolDecoder {
public:
    BarSymbolDecoder(BarSymbolDecoder const&) = delete;
    BarSymbolDecoder& operator=(BarSymbolDecoder const&) = delete;

    // 0. From the run the iterator points at, recognise one symbol and push its
    // characters in the order the line meets them. negative: the symbol is
    // light on dark; reverced: it was met from its stop end, so that it reads
    // from the last character back to the first. True for a whole symbol.
    virtual bool ExecuteBinarization(ArrayIterator<ScanElement const> const& start, StackInterface<BarSymbol>& symbols,
                                     bool& negative, bool& reverced) const = 0;
    // 1. True when the check characters (where enabled) agree.
    virtual bool CheckCheckDigit(StackInterface<BarSymbol> const& symbols, bool reverced) const = 0;
    // 2. The characters into the label's data, symbology and identifier; false
    // when the data is not acceptable (a length outside the setting, say).
    virtual bool Start(StackInterface<BarSymbol> const& symbols, bool reverced, DecodedLabel& label) const = 0;
    // 3. Multi-line road: classify the characters seen on several lines into
    // blocks. Not offered by default.
    virtual bool ExecuteBlockBinarization(StackInterface<ArrayIterator<ScanElement const>> const& lines,
                                          StackInterface<MultiLineBlockData>& blocks, bool negative,
                                          bool& reverced) const;
    // 4. Multi-line road: vote the blocks into one character list, with the
    // smallest vote count a chosen character received. Not offered by default.
    virtual bool MakeBarSymbolArray(StackInterface<MultiLineBlockData> const& blocks, bool& reverced,
                                    StackInterface<BarSymbol>& symbols, unsigned& votes) const;
    // 5. The number of modules of the read symbol; false when not known.
    virtual bool CountModule(StackInterface<BarSymbol> const& symbols, unsigned& modules) const;
    // 6. Whether the first character of a line is worth keeping as a start
    // symbol for the multi-line road.
    virtual bool IsEnableStartBarSymbol() const;
    // 7. Asked of the decoder of a result still waiting for its repeat when a
    // new image begins; false drops the waiting result.
    virtual bool IsEnableRepeatCheck() const;
    // 8. The part of the scan line the characters cover: from the first
    // character's begin to the last character's end.
    virtual bool CalcDecodedLineSegment(GrayImage const& image, ScanLineSegment const& line, bool reverced,
                                        StackInterface<BarSymbol> const& symbols, LineSegment& segment) const;
    // 9. Multi-line road: the points of the symbol's begin edge and end edge on
    // the lines that saw its first and last block.
    virtual bool CalcMultilineDecodedRegion(GrayImage const& image, bool reverced,
                                            ArrayIterator<LineDecodeData const> const& lines,
                                            StackInterface<MultiLineBlockData> const& blocks,
                                            StackInterface<Point>& beginEdge, StackInterface<Point>& endEdge) const;
    // Whether the characters are one row of a stacked symbol, which is never a
    // label of its own but starts the reading of the symbol's other rows.
    virtual bool IsStackedRow(StackInterface<BarSymbol> const& symbols, bool reverced) const;
    // 10. The fewest runs of a line that a read of slot 0 passing slot 1
    // holds whole between its characters' first begin and last end, as the
    // settings stand now: kReadsNothing when they let it read nothing, 0 when
    // not known (the default). The runs are the line's own: a window's run
    // merged from several counts them all.
    virtual unsigned CountLeastReadRuns() const;
    static constexpr unsigned kReadsNothing = 0xFFFFFFFFu;

    tagSymbology GetSymbology() const { return symbology_; }
    BarSymbolDecoderContext const& GetContext() const { return *context_; }
    DecoderDetailProperty const& GetDecoderDetail() const { return *context_->detail; }
    // The frame's statistics of the read in progress; decoders push every
    // character window they accept.
    RateForTuningCalculator const& GetRateForTuningCalculator() const { return *rate_; }

    // The readable-polarity setting for all linear codes: 0 normal symbols
    // only, 1 negative only, 2 both, anything else neither.
    bool CheckPolarity(bool negative) const;
    static bool CheckPolarity(unsigned setting, bool negative);

protected:
    // The context must outlive the decoder.
    BarSymbolDecoder(tagSymbology symbology, BarSymbolDecoderContext const& context)
        : symbology_(symbology), context_(&context), rate_(context.rate)
    {
    }
    ~BarSymbolDecoder() = default;

private:
    tagSymbology symbology_;
    BarSymbolDecoderContext const* context_;
    RateForTuningCalculator* rate_;
};

}  // namespace DEC2DIvra
