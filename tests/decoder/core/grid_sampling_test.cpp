#include <gtest/gtest.h>

#include <zint.h>

#include <cmath>
#include <memory>
#include <string>
#include <vector>

#include "decoder/core/sampling/binarization_subroutine.h"
#include "decoder/core/sampling/common_code_grid.h"
#include "decoder/core/sampling/common_code_mesh.h"
#include "decoder/core/sampling/common_gap_and_threshold_map.h"
#include "decoder/core/sampling/common_luminance_map.h"
#include "tests/support/symbol_renderer.h"

namespace DEC2DIvra {
namespace {

// zint's own module matrix of the symbol the renderer draws (same input).
std::vector<std::vector<bool>> ModuleMatrix(support::SymbolInput const& input)
{
    std::unique_ptr<zint_symbol, void (*)(zint_symbol*)> symbol(ZBarcode_Create(), ZBarcode_Delete);
    symbol->symbology = input.symbology;
    symbol->option_1 = input.option1;
    symbol->option_2 = input.option2;
    symbol->option_3 = input.option3;
    symbol->input_mode = input.inputMode;
    auto const* bytes = reinterpret_cast<unsigned char const*>(input.data.data());
    if (ZBarcode_Encode(symbol.get(), bytes, static_cast<int>(input.data.size())) >= ZINT_ERROR) {
        return {};
    }
    std::vector<std::vector<bool>> matrix(static_cast<size_t>(symbol->rows));
    for (int r = 0; r < symbol->rows; ++r) {
        for (int c = 0; c < symbol->width; ++c) {
            matrix[static_cast<size_t>(r)].push_back((symbol->encoded_data[r][c >> 3] >> (c & 7)) & 1);
        }
    }
    return matrix;
}

// Frame coordinates put pixel centres at +0.5; the decoder's at whole
// numbers, in 1/256 pixel.
Point ToFixed(support::Point const& p)
{
    return Point{static_cast<int>(std::lround((p.x - 0.5) * 256)), static_cast<int>(std::lround((p.y - 0.5) * 256))};
}

Point ModuleCentre(support::RenderedSymbol const& symbol, double column, double row)
{
    return ToFixed(symbol.toFrame(support::Point{column + 0.5, row + 0.5}));
}

// Every buffer a symbol of up to 181 mesh points a side needs.
struct Sampler {
    static constexpr unsigned kSide = 181;
    std::vector<Line> columnLines = std::vector<Line>(kSide);
    std::vector<Line> rowLines = std::vector<Line>(kSide);
    std::vector<Point> points = std::vector<Point>(kSide * kSide);
    std::vector<unsigned short> cells = std::vector<unsigned short>(kSide * kSide);
    std::vector<GapAndThreshold> blockCells = std::vector<GapAndThreshold>(kSide * kSide);
    std::unique_ptr<bool[]> decided{new bool[kSide * kSide]};
    CommonCodeGrid grid{VirtualArray<Line>(columnLines.data(), kSide), VirtualArray<Line>(rowLines.data(), kSide)};
    CommonCodeMesh mesh{VirtualArray<Point>(points.data(), kSide * kSide)};
    CommonLuminanceMap map{VirtualArray<unsigned short>(cells.data(), kSide * kSide)};
    CommonGapAndThresholdMap blocks{VirtualArray<GapAndThreshold>(blockCells.data(), kSide * kSide)};
    VariableSizeVirtualTable<bool> table{decided.get(), kSide * kSide};
};

struct Case {
    char const* what;
    support::SymbolInput input;
    support::RenderOptions options;
    bool cellwise;  // mesh through measured points every 8 modules, else from the four corners
};

// Module centres of the symbol and a ring of one module around it, from the
// corner modules' centres or cell by cell between measured centres.
bool BuildMesh(GrayImage const& image, support::RenderedSymbol const& symbol, int side, bool cellwise, Sampler& s)
{
    if (!s.mesh.SetSize(static_cast<unsigned>(side + 2), static_cast<unsigned>(side + 2), 8)) {
        return false;
    }
    std::vector<int> stops{0};
    int const spacing = cellwise ? 8 : side - 1;
    while (stops.back() < side - 1) {
        stops.push_back(std::min(stops.back() + spacing, side - 1));
    }
    for (size_t j = 0; j + 1 < stops.size(); ++j) {
        for (size_t i = 0; i + 1 < stops.size(); ++i) {
            int const a = stops[i];
            int const b = stops[i + 1];
            int const c = stops[j];
            int const d = stops[j + 1];
            Region const corners{{ModuleCentre(symbol, a, c), ModuleCentre(symbol, b, c), ModuleCentre(symbol, b, d),
                                  ModuleCentre(symbol, a, d)}};
            Rectangle const range{a == 0 ? -1 : 0, c == 0 ? -1 : 0, b - a + (b == side - 1 ? 1 : 0),
                                  d - c + (d == side - 1 ? 1 : 0)};
            if (!s.grid.SetForShogiban(image, corners, range, 8, b - a, d - c) ||
                !s.grid.CalcMesh(image, Vector{a + 1, c + 1}, s.mesh)) {
                return false;
            }
        }
    }
    return true;
}

TEST(GridSamplingTest, GridFromTheTrueCornersSamplesEveryModuleAsZintEncodedIt)
{
    support::SymbolInput const qr{.symbology = BARCODE_QRCODE, .data = "GRID SAMPLING 0123456789 grid sampling"};
    support::SymbolInput const qrLarge{.symbology = BARCODE_QRCODE, .data = std::string(180, 'Q'), .option1 = 2};
    support::SymbolInput const dm{.symbology = BARCODE_DATAMATRIX, .data = "Data Matrix module grid 2024"};
    support::SymbolInput const dmSquare{
        .symbology = BARCODE_DATAMATRIX, .data = "Data Matrix of several data regions 0123456789 ABCDEFGHIJ"};
    Case const cases[] = {
        {"QR upright", qr, {.moduleSize = 4.0}, false},
        {"QR rotated, blurred, noisy", qr,
         {.moduleSize = 3.3, .angle = 23, .blur = 0.9, .noise = 12, .seed = 3}, false},
        {"QR upside down, small modules", qr, {.moduleSize = 2.2, .angle = 181, .blur = 0.6, .noise = 6}, false},
        {"QR inverted", qr, {.moduleSize = 3.5, .angle = -40, .inverted = true, .blur = 0.7, .noise = 8}, false},
        {"QR keystone, four corners", qr, {.moduleSize = 3.5, .angle = 12, .perspectiveX = 0.3, .blur = 0.6}, false},
        {"QR large, uneven light", qrLarge,
         {.moduleSize = 2.4, .angle = 7, .lighting = 0.8, .lightingAngle = 30, .blur = 0.7, .noise = 8}, false},
        {"QR two-way perspective, cell by cell", qrLarge,
         {.moduleSize = 2.6, .angle = -15, .perspectiveX = 0.3, .perspectiveY = -0.25, .blur = 0.6, .noise = 6}, true},
        {"Data Matrix rotated", dm, {.moduleSize = 4.0, .angle = 67, .blur = 1.0, .noise = 10}, false},
        {"Data Matrix, two-way perspective, cell by cell", dmSquare,
         {.moduleSize = 5.0, .angle = 200, .perspectiveX = -0.25, .perspectiveY = 0.2, .blur = 0.8}, true},
    };
    for (Case const& c : cases) {
        auto const matrix = ModuleMatrix(c.input);
        auto const rendered = support::render(c.input, c.options);
        ASSERT_TRUE(rendered.symbol.ok) << c.what << ": " << rendered.symbol.error;
        int const side = static_cast<int>(matrix.size());
        ASSERT_EQ(side, rendered.symbol.rows) << c.what;
        ASSERT_EQ(static_cast<int>(matrix[0].size()), rendered.symbol.columns) << c.what;
        ASSERT_EQ(side, rendered.symbol.columns) << c.what << ": the cases use square symbols";
        support::Frame const& frame = rendered.frame;
        GrayImage const image(frame.width, frame.height, frame.width, frame.pixels.data());

        Sampler s;
        ASSERT_TRUE(BuildMesh(image, rendered.symbol, side, c.cellwise, s)) << c.what;
        ASSERT_TRUE(s.map.SetLuminance(image, s.mesh, false)) << c.what;
        BinarizationSubroutine const binarize;
        ASSERT_EQ(binarize.Start(image, s.map, Rectangle{1, 1, side, side}, s.blocks, Vector{5, 5},
                                 c.options.inverted, s.table),
                  1)
            << c.what;
        ASSERT_EQ(s.table.GetWidth(), static_cast<unsigned>(side));
        int wrong = 0;
        for (int r = 0; r < side; ++r) {
            for (int col = 0; col < side; ++col) {
                // Light XOR polarity: true for a light module of the symbol,
                // whichever way round it is printed.
                bool const expected = !matrix[r][col];
                if (s.table.At(static_cast<unsigned>(col), static_cast<unsigned>(r)) != expected && ++wrong <= 3) {
                    ADD_FAILURE() << c.what << ": module (" << col << ", " << r << ")";
                }
            }
        }
        EXPECT_EQ(wrong, 0) << c.what;
    }
}

}  // namespace
}  // namespace DEC2DIvra
