#include "decoder/matrix/qr/qr_data_sequence.h"

#include "decoder/matrix/qr/qr_model1_tables.h"
#include "decoder/matrix/qr/qr_version_tables.h"

namespace DEC2DIvra {

namespace {

void Mark(VariableSizeVirtualTable<int>& table, unsigned left, unsigned top, unsigned right, unsigned bottom)
{
    for (unsigned y = top; y <= bottom && y < table.GetHeight(); ++y) {
        for (unsigned x = left; x <= right && x < table.GetWidth(); ++x) {
            table.At(x, y) = -1;
        }
    }
}

bool Shape(VariableSizeVirtualTable<int>& table, unsigned side)
{
    if (!table.Resize(side, side)) {
        return false;
    }
    table.Fill(0);
    return true;
}

// The zigzag of Model 2 and Micro QR: column pairs from the right, the right
// module before the left, upward first and then turning at each end; `skip`
// the column of a vertical timing pattern (none past the side). Each free
// cell gets the number `next` hands out.
template <class Next>
void Zigzag(VariableSizeVirtualTable<int>& table, unsigned skip, Next&& next)
{
    int const side = static_cast<int>(table.GetWidth());
    bool upward = true;
    for (int right = side - 1; right >= 1; right -= 2) {
        if (right == static_cast<int>(skip)) {
            --right;
        }
        for (int step = 0; step < side; ++step) {
            unsigned const y = static_cast<unsigned>(upward ? side - 1 - step : step);
            for (int k = 0; k < 2; ++k) {
                int& cell = table.At(static_cast<unsigned>(right - k), y);
                if (cell == 0) {
                    cell = next(k == 1);
                }
            }
        }
        upward = !upward;
    }
}

// The three finders with their separators and the format information
// beside them, and the two timing patterns (Model 1 and Model 2 alike).
void MarkFindersAndTiming(VariableSizeVirtualTable<int>& table)
{
    unsigned const s = table.GetWidth();
    Mark(table, 0, 0, 8, 8);
    Mark(table, s - 8, 0, s - 1, 8);
    Mark(table, 0, s - 8, 8, s - 1);
    Mark(table, 6, 0, 6, s - 1);
    Mark(table, 0, 6, s - 1, 6);
}

}  // namespace

void CalcDataSequenceSubroutineForQRCode::SetFunctionPatternModel2(unsigned version,
                                                                   VariableSizeVirtualTable<int>& table)
{
    unsigned const s = table.GetWidth();
    MarkFindersAndTiming(table);
    if (version >= 7) {
        Mark(table, s - 11, 0, s - 9, 5);
        Mark(table, 0, s - 11, 5, s - 9);
    }
    unsigned char positions[QRVersionTables::kMaxAlignment];
    unsigned const count = QRVersionTables::GetAlignmentPositions(version, positions);
    for (unsigned i = 0; i < count; ++i) {
        for (unsigned j = 0; j < count; ++j) {
            bool const finder = (i == 0 && j == 0) || (i == 0 && j + 1 == count) || (i + 1 == count && j == 0);
            if (!finder) {
                Mark(table, positions[i] - 2u, positions[j] - 2u, positions[i] + 2u, positions[j] + 2u);
            }
        }
    }
}

void CalcDataSequenceSubroutineForQRCode::SetFunctionPatternModel1(unsigned version,
                                                                   VariableSizeVirtualTable<int>& table)
{
    unsigned const s = table.GetWidth();
    MarkFindersAndTiming(table);
    // Extension patterns: blocks of four along the bottom rows and the right
    // columns, and the corner between them.
    for (unsigned c = version % 2 == 1 ? 21u : 17u; c < s; c += 8) {
        Mark(table, c - 4, s - 2, c - 1, s - 1);
        Mark(table, s - 2, c - 4, s - 1, c - 1);
    }
    Mark(table, s - 2, s - 2, s - 1, s - 1);
}

void CalcDataSequenceSubroutineForQRCode::SetFunctionPatternMicro(unsigned /*version*/,
                                                                  VariableSizeVirtualTable<int>& table)
{
    unsigned const s = table.GetWidth();
    Mark(table, 0, 0, 8, 8);
    Mark(table, 9, 0, s - 1, 0);
    Mark(table, 0, 9, 0, s - 1);
}

int CalcDataSequenceSubroutineForQRCode::StartForModel2(unsigned version, QRFormatInformation const& format,
                                                        VariableSizeVirtualTable<int>& table, unsigned& codewords)
{
    if (version < 1 || version > QRVersionTables::kMaxVersion) {
        return 0;
    }
    QRBlockLayout const& layout = QRVersionTables::GetBlockLayout(version, format.level);
    unsigned const total = layout.TotalCount();
    unsigned const blocks = layout.BlockCount();
    if (total > kMaxCodewords || blocks == 0 || !Shape(table, QRVersionTables::GetSize(version))) {
        return 0;
    }
    // Transmitted order: the s-th data codeword of every block, block after
    // block, the longer blocks' last ones after all those, then the check
    // codewords the same way.
    unsigned const dataTotal = layout.DataCount();
    unsigned position = 0;
    for (unsigned s = 0; s <= layout.data1; ++s) {
        for (unsigned j = 0; j < blocks; ++j) {
            bool const longer = j >= layout.blocks1;
            if (s == layout.data1 && !longer) {
                continue;
            }
            unsigned const offset = j * layout.data1 + (longer ? j - layout.blocks1 : 0u);
            interleave_[position++] = static_cast<unsigned short>(offset + s);
        }
    }
    for (unsigned e = 0; e < layout.check; ++e) {
        for (unsigned j = 0; j < blocks; ++j) {
            interleave_[position++] = static_cast<unsigned short>(dataTotal + j * layout.check + e);
        }
    }
    placed_ = position;
    SetFunctionPatternModel2(version, table);
    SetDataSequencePatternModel2(version, format, table);
    codewords = total;
    return 1;
}

void CalcDataSequenceSubroutineForQRCode::SetDataSequencePatternModel2(unsigned /*version*/,
                                                                       QRFormatInformation const& /*format*/,
                                                                       VariableSizeVirtualTable<int>& table) const
{
    unsigned bit = 0;
    unsigned const bits = 8 * placed_;
    Zigzag(table, 6, [&](bool) {
        unsigned const b = bit++;
        return b < bits ? static_cast<int>(8 * interleave_[b / 8] + b % 8) : -1;
    });
}

int CalcDataSequenceSubroutineForQRCode::StartForModel1(unsigned version, QRFormatInformation const& format,
                                                        VariableSizeVirtualTable<int>& table,
                                                        unsigned& codewords) const
{
    QRModel1Blocks const* const layout = QRModel1Tables::GetBlocks(version, format.level);
    if (layout == nullptr || layout->TotalCount() > kMaxCodewords ||
        !Shape(table, QRVersionTables::GetSize(version))) {
        return 0;
    }
    SetFunctionPatternModel1(version, table);
    SetDataSequencePatternModel1(table);
    codewords = layout->TotalCount();
    return 1;
}

void CalcDataSequenceSubroutineForQRCode::SetDataSequencePatternModel1(VariableSizeVirtualTable<int>& table) const
{
    // The first four bits of the stream are not in the matrix.
    int bit = 4;
    int const side = static_cast<int>(table.GetWidth());
    auto upward = [&](int const* columns, int count, int fromRow) {
        for (int y = fromRow; y >= 0; --y) {
            for (int k = 0; k < count; ++k) {
                int& cell = table.At(static_cast<unsigned>(columns[k]), static_cast<unsigned>(y));
                if (cell == 0) {
                    cell = bit++;
                }
            }
        }
    };
    int const first[2] = {side - 1, side - 2};
    int const second[2] = {side - 3, side - 4};
    upward(first, 2, side - 3);
    upward(second, 2, side - 1);
    int c = side - 5;
    for (; c > 8; c -= 4) {
        int const group[4] = {c, c - 1, c - 2, c - 3};
        upward(group, 4, side - 1);
    }
    for (int right = c; right >= 1; right -= 2) {
        if (right == 6) {
            right = 5;
        }
        int const pair[2] = {right, right - 1};
        upward(pair, 2, side - 1);
    }
}

int CalcDataSequenceSubroutineForQRCode::StartForMicro(unsigned version, QRFormatInformation const& format,
                                                       VariableSizeVirtualTable<int>& table,
                                                       unsigned& codewords) const
{
    MicroQRSymbol const* const symbol = QRVersionTables::GetMicroSymbol(format.level);
    if (symbol == nullptr || symbol->version != version || !Shape(table, QRVersionTables::GetMicroSize(version))) {
        return 0;
    }
    SetFunctionPatternMicro(version, table);
    SetDataSequencePatternMicro(version, format, table);
    codewords = symbol->data + symbol->check;
    return 1;
}

void CalcDataSequenceSubroutineForQRCode::SetDataSequencePatternMicro(unsigned version,
                                                                      QRFormatInformation const& format,
                                                                      VariableSizeVirtualTable<int>& table) const
{
    MicroQRSymbol const* const symbol = QRVersionTables::GetMicroSymbol(format.level);
    if (symbol == nullptr) {
        return;
    }
    unsigned const bits = 8u * (symbol->data + symbol->check);
    // M1 and M3 end their data with a codeword of 4 bits: its lower half is
    // not in the matrix.
    bool const half = version == 1 || version == 3;
    unsigned const skipAt = 8u * symbol->data - 4u;
    unsigned bit = 0;
    Zigzag(table, table.GetWidth(), [&](bool left) {
        unsigned const b = bit++;
        if (half && left && bit == skipAt) {
            bit += 4;
        }
        return b < bits ? static_cast<int>(b) : -1;
    });
}

}  // namespace DEC2DIvra
