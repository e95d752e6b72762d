#include "decoder/linear/code128/codablock_f_decoder.h"

#include "decoder/core/property/dec2d_property.h"
#include "decoder/linear/code128/code128_decoder.h"
#include "decoder/linear/code128/code128_interpreter.h"
#include "decoder/linear/code128/code128_table.h"

namespace DEC2DIvra {

namespace {

constexpr unsigned kCodeC = 99;
constexpr unsigned kShift = 98;
constexpr unsigned kCodeB = 100;
constexpr unsigned kFnc1 = 102;
constexpr unsigned kRowIndicatorPosition = 2;
constexpr unsigned kFirstDataPosition = 3;

unsigned MapCheckValue(unsigned value, bool codeSetC)
{
    if (codeSetC) {
        return value > 85 ? CodablockFDecoder::kInvalidCheck : value;
    }
    if (value >= 64 && value <= 95) {
        return value - 64;
    }
    if (value <= 15) {
        return value + 32;
    }
    if (value >= 26 && value <= 63) {
        return value + 22;
    }
    return CodablockFDecoder::kInvalidCheck;
}

}  // namespace

void RowOfCodablockF::Clear()
{
    text.Clear();
    valid = false;
    identifier = Code128Identifier();
    trailing = 2;
    k1 = k2 = CodablockFDecoder::kInvalidCheck;
    region = Region{};
}

bool RowOfCodablockF::Set(Code128Identifier const& id, unsigned skip, StackInterface<char> const& row,
                          Region const& area, unsigned k1Value, unsigned k2Value)
{
    Clear();
    for (unsigned i = skip; i < row.GetCount(); ++i) {
        if (!text.Push(row[i])) {
            text.Clear();
            return false;
        }
    }
    identifier = id;
    trailing = id.GetModifierBit(CodablockFDecoder::kCodeSetCBit) ? 4u : 2u;
    k1 = k1Value;
    k2 = k2Value;
    region = area;
    valid = true;
    return true;
}

void CodablockFDecoder::Reset()
{
    for (RowOfCodablockF& row : rows_) {
        row.Clear();
    }
    total_ = 0;
    first_ = false;
}

bool CodablockFDecoder::CalcTotalRowsAndRowNumber(bool reverced, StackInterface<BarSymbol> const& symbols,
                                                  unsigned& skip, int& rows, int& row) const
{
    skip = 0;
    rows = 0;
    row = 0;
    unsigned char values[Code128Decoder::kMaxSymbols];
    unsigned count = 0;
    if (!Code128Decoder::CollectValues(symbols, reverced, values, Code128Decoder::kMaxSymbols, count) ||
        count < 4 || values[0] != Code128Table::kStartA) {
        return false;
    }
    unsigned const s = values[1];
    unsigned const r = values[kRowIndicatorPosition];
    if (s == kCodeC) {
        skip = 2;
        if (r <= 42) {
            rows = static_cast<int>(r) + 2;
            row = 1;
            return true;
        }
        // Beyond 85 a row number would pass the 44 rows a symbol may have.
        if (r <= 85) {
            row = static_cast<int>(r) - 41;
            return true;
        }
        return false;
    }
    if (s != kShift && s != kCodeB) {
        return false;
    }
    skip = 1;
    if (r >= 64 && r <= 95) {
        rows = static_cast<int>(r) - 62;
        row = 1;
    } else if (r <= 10) {
        rows = static_cast<int>(r) + 34;
        row = 1;
    } else if (r >= 11 && r <= 15) {
        row = static_cast<int>(r) - 9;
    } else if (r >= 26 && r <= 63) {
        row = static_cast<int>(r) - 19;
    } else {
        return false;
    }
    return true;
}

bool CodablockFDecoder::CalcK1K2(Code128Identifier const& identifier, bool reverced,
                                 StackInterface<BarSymbol> const& symbols, unsigned& k1, unsigned& k2)
{
    k1 = k2 = kInvalidCheck;
    unsigned const n = symbols.GetCount();
    if (n < 4) {
        return true;
    }
    // In reading order: ... K1 K2 row-check stop.
    auto valueAt = [&](unsigned fromEnd) {
        unsigned const i = reverced ? fromEnd - 1 : n - fromEnd;
        return Code128Decoder::table.GetValue(symbols[i].value);
    };
    bool const codeSetC = identifier.GetModifierBit(kCodeSetCBit);
    int const v1 = valueAt(4);
    int const v2 = valueAt(3);
    k1 = v1 < 0 ? kInvalidCheck : MapCheckValue(static_cast<unsigned>(v1), codeSetC);
    k2 = v2 < 0 ? kInvalidCheck : MapCheckValue(static_cast<unsigned>(v2), codeSetC);
    return true;
}

bool CodablockFDecoder::AddCode128DecodeResult(Code128Identifier const& identifier, StackInterface<char> const& text,
                                               Region const& region, bool reverced,
                                               StackInterface<BarSymbol> const& symbols)
{
    unsigned skip = 0;
    int rows = 0;
    int row = 0;
    if (!property_->read.Get() || identifier.GetSymbology() != SYMBOLOGY_CODABLOCK_F ||
        !CalcTotalRowsAndRowNumber(reverced, symbols, skip, rows, row) || row < 1 ||
        row > static_cast<int>(kMaxRows)) {
        return false;
    }
    // The symbols must be those of the text: the row is interpreted again
    // (into a buffer of its own) and the two compared.
    unsigned char values[Code128Decoder::kMaxSymbols];
    unsigned count = 0;
    char buffer[RowOfCodablockF::kTextBytes + 2];
    StackInterface<char> own(buffer, sizeof buffer);
    Code128Interpretation reading;
    if (!Code128Decoder::CollectValues(symbols, reverced, values, Code128Decoder::kMaxSymbols, count) ||
        !Code128Interpreter::Start(values, count, own, reading) || own.GetCount() != text.GetCount()) {
        return false;
    }
    for (unsigned i = 0; i < own.GetCount(); ++i) {
        if (own[i] != text[i]) {
            return false;
        }
    }
    Code128Identifier id = identifier;
    // FNC1 as the first data character marks GS1 data: no byte, FNC1 in
    // first position.
    if (row == 1 && count > kFirstDataPosition + 2 && values[kFirstDataPosition] == kFnc1 && own.GetCount() > skip &&
        static_cast<unsigned char>(own[skip]) == Code128Interpreter::kGroupSeparator) {
        ++skip;
        id.SetModifier((id.GetModifier() & ~3u) | 1u);
    }
    unsigned k1 = kInvalidCheck;
    unsigned k2 = kInvalidCheck;
    CalcK1K2(id, reverced, symbols, k1, k2);
    RowOfCodablockF& slot = rows_[row - 1];
    if (!slot.Set(id, skip, own, region, k1, k2)) {
        return false;
    }
    if (row == 1) {
        first_ = true;
        total_ = static_cast<unsigned>(rows);
    }
    return true;
}

bool CodablockFDecoder::HasAllRows() const
{
    if (!first_ || total_ > kMaxRows) {
        return false;
    }
    for (unsigned r = 0; r < total_; ++r) {
        if (!rows_[r].valid) {
            return false;
        }
    }
    return true;
}

bool CodablockFDecoder::FindRowBesideGap(unsigned long long seeded, unsigned& number) const
{
    // Without the first row the number of rows is not known.
    unsigned const last = first_ ? total_ : kMaxRows;
    auto missing = [&](unsigned n) { return n >= 1 && n <= last && !rows_[n - 1].valid; };
    for (unsigned n = 1; n <= last; ++n) {
        if (rows_[n - 1].valid && (seeded & (1ull << n)) == 0 && (missing(n - 1) || missing(n + 1))) {
            number = n;
            return true;
        }
    }
    return false;
}

int CodablockFDecoder::Start(DecodedLabel& label) const
{
    label.data.Clear();
    if (!first_ || total_ < 2 || total_ > kMaxRows) {
        return 0;
    }
    for (unsigned r = 0; r < total_; ++r) {
        if (!rows_[r].valid) {
            return 0;
        }
    }
    for (unsigned r = 0; r < total_; ++r) {
        StackInterface<char> const& text = rows_[r].text;
        for (unsigned i = 0; i < text.GetCount(); ++i) {
            if (!label.data.Push(text[i])) {
                label.data.Clear();
                return 0;
            }
        }
    }
    RowOfCodablockF const& last = rows_[total_ - 1];
    unsigned const n = label.data.GetCount();
    label.data.SetCount(n > last.trailing ? n - last.trailing : 0);
    unsigned const length = label.data.GetCount();
    if (length == 0 || !property_->fixed_length.Get().Admits(length)) {
        label.data.Clear();
        return 0;
    }
    unsigned long long sum1 = 0;
    unsigned long long sum2 = 0;
    for (unsigned i = 0; i < length; ++i) {
        unsigned const c = static_cast<unsigned char>(label.data[i]);
        sum1 += static_cast<unsigned long long>(i + 1) * c;
        sum2 += static_cast<unsigned long long>(i) * c;
    }
    if (sum1 % 86 != last.k1 || sum2 % 86 != last.k2) {
        label.data.Clear();
        return 0;
    }
    RowOfCodablockF const& first = rows_[0];
    label.region.corner[0] = first.region.corner[0];
    label.region.corner[1] = first.region.corner[1];
    label.region.corner[2] = last.region.corner[2];
    label.region.corner[3] = last.region.corner[3];
    Code128Identifier identifier = first.identifier;
    identifier.SetSymbology(SYMBOLOGY_CODABLOCK_F);
    identifier.SetModifierBit(10, true);
    identifier.SetModifierBit(kCodeSetCBit, false);
    label.identifier.Copy(identifier);
    label.codablockRow = Code128Identifier();
    return 1;
}

}  // namespace DEC2DIvra
