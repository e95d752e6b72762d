#pragma once

#include "decoder/linear/line/bar_symbol_decoder.h"
#include "decoder/linear/two_of_five/two_of_five_layout.h"
#include "decoder/linear/two_of_five/two_of_five_layout_runs.h"
#include "decoder/linear/two_of_five/two_of_five_parameter.h"
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
// The start/stop search with overlapping character windows reads first; the
// whole-line layouts read behind it what it leaves. Every character pushed
// carries its type in the flag, so that the later slots know the type of
// the read without state shared between handles.
class TwoOfFiveDecoder final : public BarSymbolDecoder {
public:
    // Characters (digits, or pairs of ITF) a line may hold.
    static constexpr unsigned kMaxSymbols = 64;
    // An S-code single character's symbol value: this plus its digit.
    static constexpr int kSingleCharacter = 100;

    // Whether DefineTypeOf2of5 reads or writes the type.
    enum TYPE_2OF5_DEFINE { TYPE_2OF5_READ = 0, TYPE_2OF5_WRITE = 1 };

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

    // 10 module widths; 4/5 (0) or 5/4 (1) of a width.
    static unsigned CalcMargin(BarSymbol const& symbol);
    static unsigned CalcAdmissibleWidth(unsigned width, int which);
    // Forward: the first three runs narrow; reverse: the reversed key's low
    // three bits 100.
    static bool CheckCommonStSpPattern(unsigned key, bool reverse);

private:
    using Window = TwoOfFivePartialScanData;
    using Routine = bool (TwoOfFiveDecoder::*)(StackInterface<BarSymbol>&, bool, bool, Window&, BarSymbol const&) const;

    // The start/stop search and what it tries at each window.
    bool ExecuteStartStopSearch(ArrayIterator<ScanElement const> const& start, StackInterface<BarSymbol>& symbols,
                                bool negative, bool& reverced) const;
    bool TryStartStopTests(Window& window, Window const& saved, BarSymbol const& symbol,
                           StackInterface<BarSymbol>& symbols, bool negative, bool& reverced) const;
    bool TryRead(Routine routine, Window& window, Window const& saved, BarSymbol const& start, bool reversed,
                 StackInterface<BarSymbol>& symbols, bool negative, bool& reverced) const;
    bool CheckStartStopMargin(Window const& window, BarSymbol const& symbol) const;
    bool CheckIndustrial2of5stspPattern(Window const& window, BarSymbol& symbol, bool reverse) const;
    bool CheckMatrix2of5stspPattern(Window const& window, BarSymbol& symbol, bool reverse) const;
    bool CheckChineseMatrixstspPattern(Window const& window, BarSymbol& symbol, bool reverse) const;
    bool CheckIATAstspPattern(Window const& window, BarSymbol& symbol, bool reverse) const;
    bool CheckITFstspPattern(Window const& window, BarSymbol& symbol, bool reverse) const;

    bool ExecuteBinarizationOfIndustrial2of5(StackInterface<BarSymbol>& symbols, bool reversed, bool negative,
                                             Window& window, BarSymbol const& start) const;
    bool ExecuteBinarizationOfMatrix2of5(StackInterface<BarSymbol>& symbols, bool reversed, bool negative,
                                         Window& window, BarSymbol const& start) const;
    bool ExecuteBinarizationOfChineseMatrix(StackInterface<BarSymbol>& symbols, bool reversed, bool negative,
                                            Window& window, BarSymbol const& start) const;
    bool ExecuteBinarizationOfIATA(StackInterface<BarSymbol>& symbols, bool reversed, bool negative, Window& window,
                                   BarSymbol const& start) const;
    bool ExecuteBinarizationOfITF(StackInterface<BarSymbol>& symbols, bool reversed, bool negative, Window& window,
                                  BarSymbol const& start) const;
    bool ExecuteBinarizationOfScode(StackInterface<BarSymbol>& symbols, bool reversed, bool negative, Window& window,
                                    BarSymbol const& start) const;
    bool ExecuteBinarizationOfOneCharacterScode(StackInterface<BarSymbol>& symbols, bool reversed, bool negative,
                                                Window& window, BarSymbol const& start) const;
    // Runs the overlap method for one type.
    bool ReadType(tagSymbology type, tagSymbology windowType, StackInterface<BarSymbol>& symbols, bool reversed,
                  bool negative, Window& window, BarSymbol const& start, TwoOfFiveParameter parameter) const;
    void SetTypeOf2Of5(tagSymbology type, bool reversed, Window& window, BarSymbol& start) const;
    static unsigned GetConvertedWidthFirst(tagSymbology type, bool reversed, BarSymbol const& start, unsigned gap);
    static unsigned GetConvertedWidth(tagSymbology type, bool reversed, Window const& window, int which);
    bool ExecuteBinarizationOverlapMethod(StackInterface<BarSymbol>& symbols, bool reversed, bool negative,
                                          Window& window, BarSymbol const& start,
                                          TwoOfFiveParameter const& parameter) const;
    void DefineTypeOf2of5(tagSymbology* type, TYPE_2OF5_DEFINE mode) const;

    // The whole-line layouts, behind the search.
    bool ReadByLayouts(ArrayIterator<ScanElement const> const& start, StackInterface<BarSymbol>& symbols,
                       bool negative, bool& reverced) const;
    bool IsEnabled(tagSymbology type) const;
    // Whether the layouts of a type are tried on a line.
    bool IsTried(tagSymbology type) const;
    unsigned GetQuietZoneSpecks(tagSymbology type) const;
    bool ReadLayout(TwoOfFiveLayoutRuns const& runs, TwoOfFiveLayout const& layout, bool negative,
                    StackInterface<BarSymbol>& symbols) const;
    // The character at `position`: a pair or, where S-code is read, the
    // single character in its place; `previousSingle` tells that the
    // previous character was one.
    bool ReadCharacter(TwoOfFiveLayoutRuns const& runs, TwoOfFiveLayout const& layout, unsigned position,
                       TwoOfFiveLayoutRuns::Character const* previous, bool previousSingle,
                       bool singleAllowed, TwoOfFiveLayoutRuns::Character& character, bool& single) const;
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
    // The type of the read in progress (per handle).
    mutable tagSymbology type_ = SYMBOLOGY_NONE;
};

}  // namespace DEC2DIvra
