#pragma once

#include "decoder/linear/line/bar_symbol_decoder.h"
#include "decoder/linear/line/partial_scan_data.h"

namespace DEC2DIvra {

struct DEC2DProperty;
struct Code93Property;

// The six runs of one Code 93 character (nine modules).
class Code93PartialScanData : public PartialScanData<6> {
public:
    static constexpr unsigned kRuns = 6;
    static constexpr unsigned kModules = 9;

    // The pattern key in reading order (a bar module 0, a space module 1,
    // first module most significant): every run 1 to 4 modules, nine in all,
    // the runs read from the last when reverse. False for no character.
    bool CalcBarSymbol(bool reverse, unsigned& key) const;
};

// Code 93 with its two check characters and the full-ASCII shift
// characters. Two instances: dark bars on light and light bars on dark.
class Code93Decoder final : public BarSymbolDecoder {
public:
    static constexpr unsigned kStartStopKey = 161;
    static constexpr unsigned kMaxSymbols = 256;
    static constexpr unsigned kMaxNoisePasses = 16;
    static constexpr unsigned kCheckVerified = 1u << 8;

    Code93Decoder(BarSymbolDecoderContext const& context, bool negative, DEC2DProperty const& property);

    bool ExecuteBinarization(ArrayIterator<ScanElement const> const& start, StackInterface<BarSymbol>& symbols,
                             bool& negative, bool& reverced) const override;
    bool CheckCheckDigit(StackInterface<BarSymbol> const& symbols, bool reverced) const override;
    unsigned CountLeastReadRuns() const override;
    bool Start(StackInterface<BarSymbol> const& symbols, bool reverced, DecodedLabel& label) const override;
    // The multi-line road: one column of characters after another across the
    // lines of a band, voted into one read that must pass both check
    // characters where they are verified.
    bool ExecuteBlockBinarization(StackInterface<ArrayIterator<ScanElement const>> const& lines,
                                  StackInterface<MultiLineBlockData>& blocks, bool negative,
                                  bool& reverced) const override;
    bool MakeBarSymbolArray(StackInterface<MultiLineBlockData> const& blocks, bool& reverced,
                            StackInterface<BarSymbol>& symbols, unsigned& votes) const override;

    // The character value (0-47) of a key; 255 for none. 43-46 are the
    // shifts ($), (%), (/), (+); 47 start/stop.
    static unsigned GetValue(unsigned key);
    // The values of a read in reading order; false for an unknown key or more
    // than capacity.
    static bool CollectValues(StackInterface<BarSymbol> const& symbols, bool reverced, unsigned char* values,
                              unsigned capacity, unsigned& count);

private:
    bool Read(ArrayIterator<ScanElement const> const& start, StackInterface<BarSymbol>& symbols, bool& negative,
              bool& reverced) const;
    bool CheckQuietZone(Code93PartialScanData const& window, bool after) const;
    bool ReadFirst(ArrayIterator<ScanElement const> const& start, Code93PartialScanData& window,
                   bool& reverced) const;

    bool negative_;
    Code93Property const* code93_;
};

}  // namespace DEC2DIvra
