#pragma once

#include "decoder/linear/line/bar_symbol_decoder.h"

namespace DEC2DIvra {

struct DEC2DProperty;
struct Gs1DataBarProperty;
class RSSLimitedStartPartialScanData;
class RSSLimitedPartialScanData;
struct BarSymbolForRSSLimited;

// GS1 DataBar Limited from one scan line: the check character in the middle
// serves as the finder, the data characters on both sides must agree with
// it. The characters are pushed in line order; reverced tells that the line
// met the symbol from its right end.
class RSSLimitedDecoder final : public BarSymbolDecoder {
public:
    static constexpr unsigned kMaxNoisePasses = 16;
    static constexpr unsigned kModules = 70;

    RSSLimitedDecoder(BarSymbolDecoderContext const& context, DEC2DProperty const& property);

    bool ExecuteBinarization(ArrayIterator<ScanElement const> const& start, StackInterface<BarSymbol>& symbols,
                             bool& negative, bool& reverced) const override;
    // The check runs inside the line road.
    bool CheckCheckDigit(StackInterface<BarSymbol> const& symbols, bool reverced) const override;
    unsigned CountLeastReadRuns() const override;
    bool Start(StackInterface<BarSymbol> const& symbols, bool reverced, DecodedLabel& label) const override;
    bool CountModule(StackInterface<BarSymbol> const& symbols, unsigned& modules) const override;

    // Both readings of a line at once: the two data characters' checksums
    // against the check character's value, mod 89; which pass, and whether
    // any does.
    static bool SelfCheckCheckDigit(BarSymbolForRSSLimited const& left, BarSymbolForRSSLimited const& check,
                                    BarSymbolForRSSLimited const& right, bool (&passes)[2]);

private:
    // With the protection for UPC/EAN on: each character measured again with
    // its guard (a module each), no UPC/EAN half to the left, and the quiet
    // zones. spread: the check character's.
    bool CheckGuards(RSSLimitedPartialScanData const& lineLeft, RSSLimitedPartialScanData const& lineRight,
                     BarSymbolForRSSLimited const& left, BarSymbolForRSSLimited const& right, int spread,
                     bool reverced, bool negative) const;
    // The quiet zones beside the guards and no UPC/EAN half or bars close
    // to the left; unless the guards were measured with their characters
    // above, each guard run must also be about a module wide.
    bool CheckSurroundings(RSSLimitedPartialScanData const& lineLeft, RSSLimitedPartialScanData const& lineRight,
                           bool reverced, bool guardsMeasured) const;

    Gs1DataBarProperty const* dataBar_;
};

}  // namespace DEC2DIvra
