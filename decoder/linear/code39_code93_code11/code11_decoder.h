#pragma once

#include "decoder/linear/line/bar_symbol_decoder.h"
#include "decoder/linear/line/partial_scan_data.h"

namespace DEC2DIvra {

struct DEC2DProperty;
struct Code11Property;

// The five runs of one Code 11 character (bar, space, bar, space, bar).
class Code11PartialScanData : public PartialScanData<5> {
public:
    static constexpr unsigned kRuns = 5;

    // The key in walk order (wide = 1, first run most significant), read
    // from the last run when reverse: one or two wide runs, split at the
    // middle of the narrowest and widest. module: the narrow width.
    bool CalcBarSymbol(bool reverse, unsigned& key, int& module) const;
    // Blurred small, a narrow run between two wide runs of the other colour
    // spreads to nearly a wide width but falls short of its colour's level:
    // with the darkest and lightest grey the symbol's runs reached so far,
    // three runs that measure wide are read as the two that reach furthest.
    bool CalcBlurredBarSymbol(bool reverse, int darkest, int lightest, unsigned& key, int& module) const;
};

// Code 11 with one or two check digits. One instance reads both polarities
// by the colour of the first run.
class Code11Decoder final : public BarSymbolDecoder {
public:
    // Data characters (check digits apart) a read needs without a length record.
    static constexpr unsigned kShortestData = 3;
    static constexpr unsigned kStartStopKey = 6;
    static constexpr unsigned kReverseStartStopKey = 12;
    static constexpr unsigned kMaxSymbols = 256;
    static constexpr unsigned kMaxNoisePasses = 16;
    static constexpr unsigned char kStartStop = 11;
    // Check-digit modes of the setting.
    static constexpr unsigned kNoCheck = 0;
    static constexpr unsigned kAutomatic = 3;

    Code11Decoder(BarSymbolDecoderContext const& context, DEC2DProperty const& property);

    bool ExecuteBinarization(ArrayIterator<ScanElement const> const& start, StackInterface<BarSymbol>& symbols,
                             bool& negative, bool& reverced) const override;
    bool CheckCheckDigit(StackInterface<BarSymbol> const& symbols, bool reverced) const override;
    unsigned CountLeastReadRuns() const override;
    bool Start(StackInterface<BarSymbol> const& symbols, bool reverced, DecodedLabel& label) const override;
    bool IsEnableStartBarSymbol() const override { return false; }

    // The value (0-9, "-" 10, start/stop 11) of a reading-order key; 255 for none.
    static unsigned GetValue(unsigned key);
    // The check digit over values (from the right, weights 1 to `cycle`).
    static unsigned CalcCheck(unsigned char const* values, unsigned count, unsigned cycle);
    // How many check digits the setting asks of a symbol with `characters`
    // between start and stop.
    static unsigned CountCheckDigits(unsigned mode, unsigned characters);

private:
    bool Read(ArrayIterator<ScanElement const> const& start, StackInterface<BarSymbol>& symbols, bool& negative,
              bool& reverced) const;
    bool CheckQuietZone(Code11PartialScanData const& window, bool negative, bool after) const;
    bool ReadFirst(ArrayIterator<ScanElement const> const& start, bool negative, Code11PartialScanData& window,
                   unsigned& key, int& module) const;
    static bool CollectValues(StackInterface<BarSymbol> const& symbols, bool reverced, unsigned char* values,
                              unsigned capacity, unsigned& count);
    // The number of check digits the symbol carries, 0 with the check off;
    // false when they do not agree.
    bool Verify(unsigned char const* values, unsigned count, unsigned& digits) const;

    Code11Property const* code11_;
};

}  // namespace DEC2DIvra
