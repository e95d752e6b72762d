#pragma once

#include "decoder/linear/line/bar_symbol_decoder.h"

namespace DEC2DIvra {

struct DEC2DProperty;
struct MsiPlesseyProperty;
class CommonPartialScanData;
class MSIPlesseyPartialScanDataWithStart;

// MSI Plessey from the runs of one scan line, met from either end. Two
// instances sit in the trial order: one for dark bars on light, one (the
// negative flag) for light bars on dark.
class MSIPlesseyDecoder final : public BarSymbolDecoder {
public:
    // Digits a line may hold.
    static constexpr unsigned kMaxSymbols = 64;

    // The context and the property table must outlive the decoder.
    MSIPlesseyDecoder(BarSymbolDecoderContext const& context, bool negative, DEC2DProperty const& property);

    bool ExecuteBinarization(ArrayIterator<ScanElement const> const& start, StackInterface<BarSymbol>& symbols,
                             bool& negative, bool& reverced) const override;
    bool CheckCheckDigit(StackInterface<BarSymbol> const& symbols, bool reverced) const override;
    unsigned CountLeastReadRuns() const override;
    bool Start(StackInterface<BarSymbol> const& symbols, bool reverced, DecodedLabel& label) const override;

    bool IsNegative() const { return negative_; }

    // The check digit at `position` from the end (0 the last) over the
    // digits before it, in reading order.
    static bool CheckMod10(unsigned char const* digits, unsigned count, unsigned position);
    static bool CheckMod11(unsigned char const* digits, unsigned count, unsigned position);
    // How many check digits a check setting verifies (0-2); -1 for no setting.
    static int CountCheckDigits(unsigned setting);
    // How many of the verified check digits a transmit setting keeps off the
    // label; -1 for no setting.
    static int CountRemoved(unsigned transmit, int verified);

private:
    // The symbol read window by window, the start first: the start's pair
    // and the first digit, then each digit with its neighbours.
    bool ReadByWindows(ArrayIterator<ScanElement const> const& start, StackInterface<BarSymbol>& symbols,
                       bool negative, bool& reverced) const;
    // The start window met in one direction, after as much noise deletion
    // as still passes.
    bool FindStart(ArrayIterator<ScanElement const> const& start, bool negative, bool reversed,
                   MSIPlesseyPartialScanDataWithStart& window, BarSymbol& symbol, unsigned& separation) const;
    // The quiet zone after `window`, as wide as its narrowest run sets.
    bool CheckQuietZoneAfter(CommonPartialScanData const& window, bool negative) const;
    // The whole symbol's runs at once, for what the windows do not read.
    bool ReadWholeSymbol(ArrayIterator<ScanElement const> const& start, StackInterface<BarSymbol>& symbols,
                         bool negative, bool& reverced) const;
    unsigned CalcQuietZone(long long width) const;
    static bool CollectDigits(StackInterface<BarSymbol> const& symbols, bool reverced, unsigned char* digits,
                              unsigned& count);

    bool negative_;
    MsiPlesseyProperty const* msi_;
};

}  // namespace DEC2DIvra
