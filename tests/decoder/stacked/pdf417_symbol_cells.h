#pragma once
// A PDF417 symbol drawn by libzint into a frame, with what each of its
// codeword cells holds (from zint's own module rows) and where the cell lies
// in the frame, so that the single-cell readers can be checked on real
// symbols without the stages before them.

#include <zint.h>

#include <cmath>
#include <vector>

#include "decoder/core/geometry/line_segment.h"
#include "decoder/core/gray_image.h"
#include "decoder/stacked/pdf417/data_stack_array.h"
#include "decoder/stacked/pdf_character_table.h"
#include "tests/decoder/stacked/pdf_symbol_fixture.h"
#include "tests/support/symbol_renderer.h"

namespace pdf417_test {

// Frame coordinates (a pixel covers [x, x + 1)) to 1/256 pixel about the
// pixel centres, as the decoder's points count.
inline DEC2DIvra::Point ToDecoderPoint(support::Point const& f)
{
    return DEC2DIvra::Point{static_cast<int>(std::lround((f.x - 0.5) * 256.0)),
                            static_cast<int>(std::lround((f.y - 0.5) * 256.0))};
}

struct Cell {
    int row = 0;
    int column = 0;  // 0 the left row indicator, columns + 1 the right one
    unsigned value = 0;
    unsigned cluster = 0;
    unsigned pattern16 = 0;  // modules 1 to 16, a space 1
    DEC2DIvra::LineSegment segment;  // along the row's centre line, 1/256 pixel
};

struct DrawnSymbol {
    bool ok = false;
    support::Rendering rendering;
    int rows = 0;
    int dataColumns = 0;
    int level = 0;  // error correction
    std::vector<Cell> cells;

    DEC2DIvra::GrayImage Image() const
    {
        return DEC2DIvra::GrayImage(rendering.frame.width, rendering.frame.height, rendering.frame.width,
                                    rendering.frame.pixels.data());
    }
    // The line between rows (boundary 0 above the first row) across
    // codeword column `column`, from its left edge to its right, or any point
    // of the symbol in module units.
    DEC2DIvra::LineSegment Boundary(int boundary, int column) const
    {
        double const y = boundary * rendering.symbol.heightModules / rows;
        double const x0 = 17.0 + 17.0 * column;
        return {ToDecoderPoint(rendering.symbol.toFrame({x0, y})), ToDecoderPoint(rendering.symbol.toFrame({x0 + 17, y}))};
    }
    DEC2DIvra::Point PointAt(double x, double y) const { return ToDecoderPoint(rendering.symbol.toFrame({x, y})); }
    double RowHeight() const { return rendering.symbol.heightModules / rows; }

    Cell const* At(int row, int column) const
    {
        for (Cell const& c : cells) {
            if (c.row == row && c.column == column) {
                return &c;
            }
        }
        return nullptr;
    }
};

inline DrawnSymbol Draw(pdf_test::Options const& options, support::RenderOptions const& render)
{
    DrawnSymbol out;
    pdf_test::Encoded const encoded = pdf_test::Encode(options);
    if (!encoded.ok || encoded.rows.empty()) {
        return out;
    }
    support::SymbolInput input{.symbology = options.symbology, .data = options.data, .option1 = options.option1,
                               .option2 = options.option2};
    out.rendering = support::render(input, render);
    if (!out.rendering.symbol.ok || out.rendering.symbol.rows != static_cast<int>(encoded.rows.size())) {
        return out;
    }
    DEC2DIvra::PDFCharacterTable::Initialize();
    int const width = static_cast<int>(encoded.rows[0].size());
    out.rows = static_cast<int>(encoded.rows.size());
    out.dataColumns = (width - 17 - 18) / 17 - 2;
    {
        // The level from the left row indicator of row 1 (cluster 3):
        // 30 (r div 3) + 3 level + (rows - 1) mod 3.
        std::vector<int> const& second = encoded.rows.size() > 1 ? encoded.rows[1] : encoded.rows[0];
        unsigned pattern = 0;
        for (int m = 1; m <= 16; ++m) {
            pattern = (pattern << 1) | (second[static_cast<size_t>(17 + m)] == 0 ? 1u : 0u);
        }
        unsigned const value = DEC2DIvra::PDFCharacterTable::PatternToValue(pattern >> 1);
        out.level = encoded.rows.size() > 1 ? static_cast<int>((value % 30 - (out.rows - 1) % 3) / 3) : 0;
    }
    double const rowHeight = out.rendering.symbol.heightModules / out.rows;
    for (int r = 0; r < out.rows; ++r) {
        std::vector<int> const& modules = encoded.rows[static_cast<size_t>(r)];
        double const y = (r + 0.5) * rowHeight;
        for (int c = 0; c < out.dataColumns + 2; ++c) {
            int const x0 = 17 + 17 * c;
            Cell cell;
            cell.row = r;
            cell.column = c;
            cell.cluster = static_cast<unsigned>(r % 3) * 3;
            for (int m = 1; m <= 16; ++m) {
                cell.pattern16 = (cell.pattern16 << 1) | (modules[static_cast<size_t>(x0 + m)] == 0 ? 1u : 0u);
            }
            cell.value = DEC2DIvra::PDFCharacterTable::PatternToValue(cell.pattern16 >> 1);
            cell.segment.begin = ToDecoderPoint(out.rendering.symbol.toFrame({double(x0), y}));
            cell.segment.end = ToDecoderPoint(out.rendering.symbol.toFrame({double(x0 + 17), y}));
            out.cells.push_back(cell);
        }
    }
    out.ok = true;
    return out;
}

// Data column `column` (1 the first) of a drawn symbol as the outline
// would hand it over: its row boundaries, row centres and module lines.
inline bool OutlineColumn(DrawnSymbol const& symbol, int column, DEC2DIvra::DataCharacterStack& stack)
{
    stack.Clear(static_cast<unsigned>(symbol.rows));
    for (int b = 0; b <= symbol.rows; ++b) {
        stack.Boundary(static_cast<unsigned>(b)) = symbol.Boundary(b, column);
    }
    for (int r = 0; r < symbol.rows; ++r) {
        stack.SetRowCenterSegment(static_cast<unsigned>(r));
    }
    return stack.SetVerticalData();
}

}  // namespace pdf417_test
