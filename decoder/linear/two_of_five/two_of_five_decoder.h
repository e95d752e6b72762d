#pragma once

#include "decoder/linear/line/bar_symbol_decoder.h"
#include "decoder/linear/two_of_five/two_of_five_layout.h"
#include "decoder/linear/two_of_five/two_of_five_partial_scan_data.h"

namespace DEC2DIvra {

struct DEC2DProperty;
struct Industrial2of5Property;
struct Interleaved2of5Property;
struct SCodeProperty;
struct IataProperty;
struct Matrix2of5Property;
struct ChinesePostMatrix2of5Property;

// The 2 of 5 family from the runs of one scan line: Industrial, Interleaved
// (ITF), S-code (ITF pairs closed by a single character), Matrix, IATA and
// Chinese Post, each met from its start or its stop.
// Every character it pushes carries its type in the flag, so that the later
// slots know the type of the read without state of their own.
class TwoOfFiveDecoder final : public BarSymbolDecoder {
public:
    // Characters (digits, or pairs of ITF) a line may hold.
    static constexpr unsigned kMaxSymbols = 64;
    // An S-code single character's symbol value: this plus its digit.
    static constexpr int kSingleCharacter = 100;

    // The context and the property table must outlive the decoder.
    TwoOfFiveDecoder(BarSymbolDecoderContext const& context, DEC2DProperty const& property);

    bool ExecuteBinarization(ArrayIterator<ScanElement const> const& start, StackInterface<BarSymbol>& symbols,
                             bool& negative, bool& reverced) const override;
    bool CheckCheckDigit(StackInterface<BarSymbol> const& symbols, bool reverced) const override;
    unsigned CountLeastReadRuns() const override;
    bool Start(StackInterface<BarSymbol> const& symbols, bool reverced, DecodedLabel& label) const override;

    // The check digit rules over digits in reading order, the check digit
    // last. Weights 3, 1, ... from the right (Industrial, Matrix, ITF method 0).
    static bool CheckModulus10Weight3(unsigned char const* digits, unsigned count);
    // ITF method 1: first digits of each pair doubled (digit sum), second ones once.
    static bool CheckModulus10Doubling(unsigned char const* digits, unsigned count);
    // IATA methods 1-3 over exactly 15 digits.
    static bool CheckIata(unsigned char const* digits, unsigned count, unsigned method);

private:
    bool IsEnabled(tagSymbology type) const;
    // Whether the layouts of a type are tried on a line.
    bool IsTried(tagSymbology type) const;
    unsigned GetQuietZoneSpecks(tagSymbology type) const;
    bool ReadLayout(TwoOfFivePartialScanData const& runs, TwoOfFiveLayout const& layout, bool negative,
                    StackInterface<BarSymbol>& symbols) const;
    // The character at `position`: a pair or, where S-code is read, the
    // single character in its place; `previousSingle` tells that the
    // previous character was one.
    bool ReadCharacter(TwoOfFivePartialScanData const& runs, TwoOfFiveLayout const& layout, unsigned position,
                       TwoOfFivePartialScanData::Character const* previous, bool previousSingle,
                       bool singleAllowed, TwoOfFivePartialScanData::Character& character, bool& single) const;
    // The digits in reading order; false when the read holds no type. A read
    // of pairs whose last character is a single one is S-code.
    static bool CollectDigits(StackInterface<BarSymbol> const& symbols, bool reverced, unsigned char* digits,
                              unsigned& count, tagSymbology& type);
    bool CheckOption(tagSymbology type, DecodedLabel& label) const;

    Industrial2of5Property const* industrial_;
    Interleaved2of5Property const* interleaved_;
    SCodeProperty const* scode_;
    IataProperty const* iata_;
    Matrix2of5Property const* matrix_;
    ChinesePostMatrix2of5Property const* chinesePost_;
};

}  // namespace DEC2DIvra
