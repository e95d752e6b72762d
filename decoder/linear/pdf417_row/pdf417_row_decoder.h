#pragma once

#include "decoder/linear/line/bar_symbol_decoder.h"
#include "decoder/linear/line/partial_scan_data.h"

namespace DEC2DIvra {

struct DEC2DProperty;
struct Pdf417Property;

// Recognises one row of a PDF417 symbol on a scan line: the start pattern,
// codewords of one cluster, the stop pattern (or the same met from the stop
// end). A row is never a label: Start gives an empty PDF417 label whose
// region sends the stacked reader to the symbol. Either polarity is read.
class PDF417RowDecoder final : public BarSymbolDecoder {
public:
    static constexpr unsigned kRuns = 8;
    // Two patterns and at most 30 data columns with both row indicators.
    static constexpr unsigned kMaxSymbols = 34;
    static constexpr unsigned kMaxNoisePasses = 16;
    // The values pushed for the patterns; a codeword pushes its value (0-928)
    // with its cluster in the flag.
    static constexpr int kStartValue = 1024;
    static constexpr int kStopValue = 1025;

    PDF417RowDecoder(BarSymbolDecoderContext const& context, DEC2DProperty const& property);

    bool ExecuteBinarization(ArrayIterator<ScanElement const> const& start, StackInterface<BarSymbol>& symbols,
                             bool& negative, bool& reverced) const override;
    bool CheckCheckDigit(StackInterface<BarSymbol> const& symbols, bool reverced) const override;
    bool Start(StackInterface<BarSymbol> const& symbols, bool reverced, DecodedLabel& label) const override;
    bool IsEnableStartBarSymbol() const override;
    // A row holds at least its start pattern, one codeword and the stop
    // pattern's first eight runs.
    unsigned CountLeastReadRuns() const override;
    // Every row read is one: it needs no repeat on other lines, the stacked
    // reader takes the symbol from there.
    bool IsStackedRow(StackInterface<BarSymbol> const& symbols, bool reverced) const override;

private:
    Pdf417Property const* pdf417_;
};

}  // namespace DEC2DIvra
