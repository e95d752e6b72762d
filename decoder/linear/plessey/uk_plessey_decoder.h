#pragma once

#include "decoder/linear/line/bar_symbol_decoder.h"

namespace DEC2DIvra {

struct DEC2DProperty;
struct UkPlesseyProperty;
class CommonPartialScanData;
class UKPlesseyPartialScanDataWithPitch;

// UK Plessey from the runs of one scan line, met from either end: a start of
// four bits (1101), characters of four bits each, the last two the check
// characters, and the stop with its termination bar. Characters are pushed in
// line order, each with its four bits in the symbol's own order (first bit
// most significant).
class UKPlesseyDecoder final : public BarSymbolDecoder {
public:
    // Characters a line may hold, the two check characters included.
    static constexpr unsigned kMaxSymbols = 64;

    // The context and the property table must outlive the decoder.
    UKPlesseyDecoder(BarSymbolDecoderContext const& context, DEC2DProperty const& property);

    bool ExecuteBinarization(ArrayIterator<ScanElement const> const& start, StackInterface<BarSymbol>& symbols,
                             bool& negative, bool& reverced) const override;
    bool CheckCheckDigit(StackInterface<BarSymbol> const& symbols, bool reverced) const override;
    unsigned CountLeastReadRuns() const override;
    bool Start(StackInterface<BarSymbol> const& symbols, bool reverced, DecodedLabel& label) const override;

    // The remainder of the characters' bits, as printed (each character's
    // first bit most significant), divided modulo 2 by x^8 + x^7 + x^6 + x^5
    // + x^3 + 1: 0 for a symbol whose check characters hold.
    static unsigned CalcCheckRemainder(unsigned char const* characters, unsigned count);

private:
    // The symbol read window by window, the start first: the start's bits
    // and the first character, then each character with the one before.
    bool ReadByWindows(ArrayIterator<ScanElement const> const& start, StackInterface<BarSymbol>& symbols,
                       bool negative, bool& reverced) const;
    // The start window, after as much noise deletion as still passes.
    bool FindStart(ArrayIterator<ScanElement const> const& start, bool negative,
                   UKPlesseyPartialScanDataWithPitch& window, BarSymbol& symbol, unsigned& separation) const;
    // The quiet zone after `window`, as wide as its narrowest run sets.
    bool CheckQuietZoneAfter(CommonPartialScanData const& window, bool negative) const;
    // The whole symbol's runs at once, for what the windows do not read.
    bool ReadWholeSymbol(ArrayIterator<ScanElement const> const& start, StackInterface<BarSymbol>& symbols,
                         bool negative, bool& reverced) const;
    static bool CollectCharacters(StackInterface<BarSymbol> const& symbols, bool reverced,
                                  unsigned char* characters, unsigned& count);

    UkPlesseyProperty const* uk_;
};

}  // namespace DEC2DIvra
