#pragma once

#include "decoder/linear/line/bar_symbol_decoder.h"
#include "decoder/linear/codabar/codabar_partial_scan_data.h"

namespace DEC2DIvra {

struct DEC2DProperty;
struct CodabarProperty;

// Codabar from the runs of one scan line. Two instances sit in the trial
// order: direction 0 reads each character's runs in the line's direction,
// direction 1 against it (a symbol met from its stop end).
class CodabarDecoder final : public BarSymbolDecoder {
public:
    // Characters a line may hold, start and stop included.
    static constexpr unsigned kMaxSymbols = 128;
    // Passes of noise removal over the start character's window.
    static constexpr unsigned kMaxNoisePasses = 8;

    // Modifier bits.
    static constexpr unsigned kConcatenationD = 0;
    static constexpr unsigned kCheckVerified = 1;
    static constexpr unsigned kCheckRemoved = 2;
    static constexpr unsigned kNormalCodabar = 8;
    static constexpr unsigned kConcatenationCX = 9;
    static constexpr unsigned kStartStopSent = 10;
    static constexpr unsigned kAbcFirst = 11;   // stop "D", another start
    static constexpr unsigned kAbcSecond = 12;  // start "D", another stop
    static constexpr unsigned kCxFirst = 13;    // stop "C"
    static constexpr unsigned kCxSecond = 14;   // start "B"

    // The context and the property table must outlive the decoder.
    CodabarDecoder(BarSymbolDecoderContext const& context, bool direction, DEC2DProperty const& property);

    bool ExecuteBinarization(ArrayIterator<ScanElement const> const& start, StackInterface<BarSymbol>& symbols,
                             bool& negative, bool& reverced) const override;
    bool CheckCheckDigit(StackInterface<BarSymbol> const& symbols, bool reverced) const override;
    unsigned CountLeastReadRuns() const override;
    bool Start(StackInterface<BarSymbol> const& symbols, bool reverced, DecodedLabel& label) const override;
    // The multi-line road: one column of characters after another across the
    // lines of a band, read in this instance's direction, voted into one read.
    bool ExecuteBlockBinarization(StackInterface<ArrayIterator<ScanElement const>> const& lines,
                                  StackInterface<MultiLineBlockData>& blocks, bool negative,
                                  bool& reverced) const override;
    bool MakeBarSymbolArray(StackInterface<MultiLineBlockData> const& blocks, bool& reverced,
                            StackInterface<BarSymbol>& symbols, unsigned& votes) const override;

    bool GetDirection() const { return direction_; }

    // The check methods over the symbol values in reading order, start and
    // stop included; `letterMode` chooses the values of "-$:/.+" (0 none, 2
    // the check's own values, else the table values).
    static bool CheckModulus16CheckDigit(unsigned char const* values, unsigned count);
    static bool Check7CheckCheckDigit(unsigned char const* values, unsigned count, unsigned letterMode,
                                      bool complement);
    static bool Check9CheckCheckDigit(unsigned char const* values, unsigned count, unsigned letterMode,
                                      bool complement);

    // The output options on the text of a read (start and stop included);
    // false when the label is refused. Adds the modifier bits it decides.
    static bool ExecuteTransmitCDOption(bool transmit, bool verified, StackInterface<char>& text, unsigned& modifier);
    // The quiet zone a character asks for at the standard setting: ten of its
    // module widths.
    static long long GetNiceMargin(BarSymbol const& symbol);
    // The length record on the data characters; without one, fewer than
    // four are refused (start and stop alone, or a character or two, are
    // what a line across other print fakes).
    bool CheckMinimumDataOption(unsigned data) const;
    static void ExecuteSTSPOption(unsigned form, StackInterface<char>& text, unsigned& modifier);
    static bool ExecuteSpaceInsertionOption(StackInterface<char>& text);

private:
    bool IsGateOpen() const;
    bool CheckQuietZone(CodabarPartialScanData const& window, BarSymbol const& symbol, bool after,
                        bool negative) const;
    bool ReadStart(ArrayIterator<ScanElement const> const& start, bool negative, CodabarPartialScanData& window,
                   BarSymbol& symbol) const;
    // The symbol values in reading order; false on a key outside the table.
    static bool CollectValues(StackInterface<BarSymbol> const& symbols, bool reverced, unsigned char* values,
                              unsigned& count);
    bool CheckOption(unsigned char const* values, unsigned count, DecodedLabel& label) const;

    bool direction_;
    CodabarProperty const* codabar_;
};

}  // namespace DEC2DIvra
