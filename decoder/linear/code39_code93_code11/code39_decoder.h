#pragma once

#include "decoder/linear/line/bar_symbol_decoder.h"
#include "decoder/linear/line/partial_scan_data.h"

namespace DEC2DIvra {

struct DEC2DProperty;
struct Code39Property;

// The nine runs of one Code 39 character.
class Code39PartialScanData : public PartialScanData<9> {
public:
    static constexpr unsigned kRuns = 9;

    // The pattern key in walk order (wide = 1, first run most significant)
    // and the module width: two wide bars and one wide space, or three wide
    // spaces; the widest element of a class at most twice the next. False
    // for any other reading or a key that is no character.
    bool CalcBarSymbolForBigger(unsigned& key, int& module) const;
};

// Code 39 and the symbols that share its characters: full ASCII, Italian
// pharmacode (Code 32), Tri-Optic ("$" start and stop) and the scanner's
// menu labels (space start and stop). One instance reads both polarities by
// the colour of the first run.
class Code39Decoder final : public BarSymbolDecoder {
public:
    static constexpr unsigned kMaxSymbols = 256;
    static constexpr unsigned kMaxNoisePasses = 16;
    // The widest gap between two characters, in narrow elements.
    static constexpr long long kMaxGapModules = 6;
    // Modifier bits of the label.
    static constexpr unsigned kCheckVerified = 1u << 0;
    static constexpr unsigned kCheckStripped = 1u << 1;
    static constexpr unsigned kFullASCII = 1u << 2;
    static constexpr unsigned kPharmacode = 1u << 3;

    Code39Decoder(BarSymbolDecoderContext const& context, DEC2DProperty const& property);

    bool ExecuteBinarization(ArrayIterator<ScanElement const> const& start, StackInterface<BarSymbol>& symbols,
                             bool& negative, bool& reverced) const override;
    bool CheckCheckDigit(StackInterface<BarSymbol> const& symbols, bool reverced) const override;
    unsigned CountLeastReadRuns() const override;
    bool Start(StackInterface<BarSymbol> const& symbols, bool reverced, DecodedLabel& label) const override;
    bool IsEnableStartBarSymbol() const override { return true; }
    // The multi-line road: one column of characters after another across the
    // lines of a band, from the start column the frame hands in, voted into
    // one read that must pass the check character where it is verified.
    bool ExecuteBlockBinarization(StackInterface<ArrayIterator<ScanElement const>> const& lines,
                                  StackInterface<MultiLineBlockData>& blocks, bool negative,
                                  bool& reverced) const override;
    bool MakeBarSymbolArray(StackInterface<MultiLineBlockData> const& blocks, bool& reverced,
                            StackInterface<BarSymbol>& symbols, unsigned& votes) const override;

    // The characters of a read in reading order, start and stop included;
    // false when a key is no character or there are more than capacity.
    static bool CollectCharacters(StackInterface<BarSymbol> const& symbols, bool reverced, char* characters,
                                  unsigned capacity, unsigned& count);

    // The interpretations; each appends to text, nonzero on success.
    int TryOutput(char const* characters, unsigned count, StackInterface<char>& text) const;
    int TryOutputFullASCII(char const* characters, unsigned count, StackInterface<char>& text) const;
    int TryOutputItPharm(char const* characters, unsigned count, StackInterface<char>& text) const;
    int TryOutputTriOptic(char const* characters, unsigned count, StackInterface<char>& text) const;
    static int TryOutputMenu(char const* characters, unsigned count, StackInterface<char>& text);

private:
    bool Read(ArrayIterator<ScanElement const> const& start, StackInterface<BarSymbol>& symbols, bool& negative,
              bool& reverced) const;
    bool ReadFirst(ArrayIterator<ScanElement const> const& start, bool negative, Code39PartialScanData& window,
                   unsigned& key, int& module) const;
    bool CheckQuietZone(Code39PartialScanData const& window, bool negative, bool after) const;
    bool IsStartAdmitted(unsigned key) const;
    // The data characters (between start and stop) as the check-digit
    // settings leave them for output.
    void SelectData(char const* characters, unsigned count, unsigned& first, unsigned& end) const;

    Code39Property const* code39_;
};

}  // namespace DEC2DIvra
