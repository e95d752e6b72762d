#pragma once

#include "decoder/linear/line/bar_symbol_decoder.h"
#include "decoder/core/containers/stack_interface.h"

namespace DEC2DIvra {

struct DEC2DProperty;
struct TelepenProperty;
class TelepenIdentifier;

// Telepen in its ASCII and numeric forms from the runs of one scan line, met
// from either end: character window by character window, and behind that
// from the whole symbol's runs at once. Characters are pushed in line order, start and stop
// included, each with its 7-bit code.
class TelepenDecoder final : public BarSymbolDecoder {
public:
    // Characters a line may hold, start and stop included.
    static constexpr unsigned kMaxSymbols = 64;
    static constexpr int kStart = '_';
    static constexpr int kStop = 'z';

    // The context and the property table must outlive the decoder.
    TelepenDecoder(BarSymbolDecoderContext const& context, DEC2DProperty const& property);

    bool ExecuteBinarization(ArrayIterator<ScanElement const> const& start, StackInterface<BarSymbol>& symbols,
                             bool& negative, bool& reverced) const override;
    bool CheckCheckDigit(StackInterface<BarSymbol> const& symbols, bool reverced) const override;
    unsigned CountLeastReadRuns() const override;
    bool Start(StackInterface<BarSymbol> const& symbols, bool reverced, DecodedLabel& label) const override;

    // Rewrites numeric-mode data in place: codes 27-126 become two digits,
    // 17-26 a digit and "X"; after a DLE (16), dropped, the rest is copied.
    // Answers the identifier option: 1, or 2 when a DLE was met.
    static unsigned NumericConversion(StackInterface<char>& data);

private:
    // The symbol read one character window after another from its start
    // (or its stop, met from the end) at `start`; characters pushed in line
    // order.
    bool ReadWindows(ArrayIterator<ScanElement const> const& start, bool negative,
                     StackInterface<BarSymbol>& symbols, bool& reverced) const;
    // The whole symbol's runs measured at once, for what the windows do not
    // read.
    bool ReadWholeSymbol(ArrayIterator<ScanElement const> const& start, bool negative,
                         StackInterface<BarSymbol>& symbols, bool& reverced) const;

    TelepenProperty const* telepen_;
};

}  // namespace DEC2DIvra
