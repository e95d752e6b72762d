#pragma once

#include "decoder/core/identifiers/code128_identifier.h"
#include "decoder/core/decoded_label.h"
#include "decoder/core/geometry/region.h"
#include "decoder/core/containers/stack_interface.h"
#include "decoder/linear/line/bar_symbol.h"
#include "decoder/linear/code128/code128_codablock_f_row_recognizer.h"

namespace DEC2DIvra {

struct ReadAndLengthProperty;

// One row of a Codablock F symbol as read: its text without the row
// indicator, its identifier and its symbol check characters.
struct RowOfCodablockF {
    // A row holds at most 62 data characters; in code set C each writes two
    // digits, so a row of 64 bytes would not hold a numeric row. A row that
    // does not fit even here is refused.
    static constexpr unsigned kTextBytes = 160;

    RowOfCodablockF() : text(buffer, kTextBytes) {}
    RowOfCodablockF(RowOfCodablockF const&) = delete;
    RowOfCodablockF& operator=(RowOfCodablockF const&) = delete;

    void Clear();
    // False (and the row left invalid) when the text does not fit.
    bool Set(Code128Identifier const& id, unsigned skip, StackInterface<char> const& row, Region const& area,
             unsigned k1Value, unsigned k2Value);

    StackInterface<char> text;
    bool valid = false;
    Code128Identifier identifier;
    unsigned trailing = 2;  // bytes the symbol check characters wrote
    unsigned k1 = 86;
    unsigned k2 = 86;
    Region region{};

private:
    char buffer[kTextBytes];
};

// Collects the rows of a Codablock F symbol (each read by the Code 128
// decoder as a line of its own) by row number, and joins them into one label
// once rows 1 to the announced total are all present and the symbol check
// characters agree.
class CodablockFDecoder final : public CodablockFRowRecognizer {
public:
    static constexpr unsigned kMaxRows = 44;
    static constexpr unsigned kCodeSetCBit = 11;
    static constexpr unsigned kInvalidCheck = 86;

    // The property group must outlive the decoder.
    explicit CodablockFDecoder(ReadAndLengthProperty const& property) : property_(&property) {}
    CodablockFDecoder(CodablockFDecoder const&) = delete;
    CodablockFDecoder& operator=(CodablockFDecoder const&) = delete;

    // Forgets every row.
    void Reset();

    // symbols as the line met them. skip: leading data bytes of the row
    // indicator; rows: the number of rows (first row only, else 0); row: the
    // row number. True for a valid row.
    bool CalcTotalRowsAndRowNumber(bool reverced, StackInterface<BarSymbol> const& symbols, unsigned& skip,
                                   int& rows, int& row) const override;
    // The symbol check characters carried before the row check character.
    static bool CalcK1K2(Code128Identifier const& identifier, bool reverced, StackInterface<BarSymbol> const& symbols,
                         unsigned& k1, unsigned& k2);

    // Stores one row read by the Code 128 decoder (its text with the row
    // indicator). False when Codablock F reading is off, the read is no
    // Codablock F row, or its text is not the text its symbols give.
    bool AddCode128DecodeResult(Code128Identifier const& identifier, StackInterface<char> const& text,
                                Region const& region, bool reverced, StackInterface<BarSymbol> const& symbols);
    // Joins the rows into the label; nonzero when a label was produced.
    int Start(DecodedLabel& label) const;

    unsigned GetTotalRows() const { return total_; }
    bool HasFirstRow() const { return first_; }
    // The first row is read and every row it announces.
    bool HasAllRows() const;
    RowOfCodablockF const& GetRow(unsigned number) const { return rows_[number - 1]; }
    // A row read next to a row that is missing, and not in `seeded` (bit n
    // for row n); false when every row is present or none is left.
    bool FindRowBesideGap(unsigned long long seeded, unsigned& number) const;

private:
    ReadAndLengthProperty const* property_;
    RowOfCodablockF rows_[kMaxRows];
    unsigned total_ = 0;
    bool first_ = false;
};

}  // namespace DEC2DIvra
