#pragma once

#include "decoder/linear/line/bar_symbol_decoder.h"
#include "decoder/core/containers/stack_interface.h"

namespace DEC2DIvra {

struct DEC2DProperty;
struct TelepenProperty;
class TelepenIdentifier;

// Telepen in its ASCII and numeric forms from the runs of one scan line, met
// from either end. Characters are pushed in line order, start and stop
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

    // The bits of a character's bar/space pairs (wide = true), least
    // significant first: both narrow 1, wide bar 00, both wide 010, a
    // narrow bar with a wide space 01 opening a pair of such, 10 closing it.
    // False unless the pairs fill exactly 8 bits of even parity.
    static bool PatternToTelepen(bool const* bars, bool const* spaces, unsigned pairs, unsigned& code);
    // Rewrites numeric-mode data in place: codes 27-126 become two digits,
    // 17-26 a digit and "X"; after a DLE (16), dropped, the rest is copied.
    // Answers the identifier option: 1, or 2 when a DLE was met.
    static unsigned NumericConversion(StackInterface<char>& data);

private:
    TelepenProperty const* telepen_;
};

}  // namespace DEC2DIvra
