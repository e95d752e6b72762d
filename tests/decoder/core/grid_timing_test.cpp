#include <gtest/gtest.h>

#include <zint.h>

#include <algorithm>
#include <cmath>
#include <vector>

#include "decoder/core/sampling/adjust_to_timing_pattern_subroutine.h"
#include "decoder/core/sampling/common_code_grid.h"
#include "decoder/core/sampling/common_code_mesh.h"
#include "tests/support/symbol_renderer.h"

namespace DEC2DIvra {
namespace {

Point At(support::RenderedSymbol const& symbol, double column, double row)
{
    support::Point const p = symbol.toFrame(support::Point{column, row});
    return Point{static_cast<int>(std::lround((p.x - 0.5) * 256)), static_cast<int>(std::lround((p.y - 0.5) * 256))};
}

// The largest distance, in modules, of a mesh point of the symbol from its
// module's true centre.
double WorstError(support::RenderedSymbol const& symbol, CommonCodeMesh const& mesh, int side)
{
    double worst = 0;
    for (int r = 0; r < side; ++r) {
        for (int c = 0; c < side; ++c) {
            Point const p = mesh.At(static_cast<unsigned>(c + 1), static_cast<unsigned>(r + 1));
            support::Point const m = symbol.toModule(support::Point{p.x / 256.0 + 0.5, p.y / 256.0 + 0.5});
            worst = std::max(worst, std::hypot(m.x - (c + 0.5), m.y - (r + 0.5)));
        }
    }
    return worst;
}

struct MeshBuffers {
    std::vector<Line> columns = std::vector<Line>(64);
    std::vector<Line> rows = std::vector<Line>(64);
    std::vector<Point> points = std::vector<Point>(64 * 64);
    CommonCodeGrid grid{VirtualArray<Line>(columns.data(), 64), VirtualArray<Line>(rows.data(), 64)};
    CommonCodeMesh mesh{VirtualArray<Point>(points.data(), 64 * 64)};
};

// A mesh (symbol and a one-module ring) from corner-module centres that are
// off by `scale` about the symbol's centre, as a slightly wrong outline gives.
bool BuildScaledMesh(GrayImage const& image, support::RenderedSymbol const& symbol, int side, double scale,
                     MeshBuffers& b)
{
    double const middle = side / 2.0;
    auto corner = [&](double c, double r) {
        return At(symbol, middle + (c - middle) * scale, middle + (r - middle) * scale);
    };
    Region const corners{{corner(0.5, 0.5), corner(side - 0.5, 0.5), corner(side - 0.5, side - 0.5),
                          corner(0.5, side - 0.5)}};
    return b.grid.SetForShogiban(image, corners, Rectangle{-1, -1, side, side}, 8, side - 1, side - 1) &&
           b.mesh.SetSize(static_cast<unsigned>(side + 2), static_cast<unsigned>(side + 2), 8) &&
           b.grid.CalcMesh(image, Vector{1, 1}, b.mesh);
}

TEST(GridTimingTest, TimingRefitPullsAnOutgrownMeshBackOntoTheModules)
{
    struct {
        char const* what;
        support::SymbolInput input;
        support::RenderOptions options;
        int side;
        bool micro;
        double scale;
    } const cases[] = {
        {"QR version 3, too large", {.symbology = BARCODE_QRCODE, .data = "TIMING", .option2 = 3},
         {.moduleSize = 4.0, .angle = 20, .blur = 0.7, .noise = 6}, 29, false, 1.02},
        {"QR version 5, too small, inverted", {.symbology = BARCODE_QRCODE, .data = "TIMING", .option2 = 5},
         {.moduleSize = 3.5, .angle = -105, .inverted = true, .blur = 0.6, .noise = 8}, 37, false, 0.98},
        {"Micro QR M4", {.symbology = BARCODE_MICROQR, .data = "TIMING", .option2 = 4},
         {.moduleSize = 5.0, .angle = 45, .blur = 0.8}, 17, true, 1.03},
    };
    AdjustToTimingPatternSubroutine const adjust;
    for (auto const& c : cases) {
        auto const rendered = support::render(c.input, c.options);
        ASSERT_TRUE(rendered.symbol.ok) << c.what << ": " << rendered.symbol.error;
        ASSERT_EQ(rendered.symbol.rows, c.side) << c.what;
        GrayImage const image(rendered.frame.width, rendered.frame.height, rendered.frame.width,
                              rendered.frame.pixels.data());
        MeshBuffers b;
        ASSERT_TRUE(BuildScaledMesh(image, rendered.symbol, c.side, c.scale, b)) << c.what;
        double const before = WorstError(rendered.symbol, b.mesh, c.side);
        EXPECT_GT(before, 0.25) << c.what;
        ASSERT_TRUE(adjust.Start(image, c.options.inverted, c.micro, b.mesh)) << c.what;
        EXPECT_LT(WorstError(rendered.symbol, b.mesh, c.side), 0.08) << c.what << " from " << before;
    }
}

TEST(GridTimingTest, TimingRefitRefusesAndLeavesTheMeshAlone)
{
    support::SymbolInput const input{.symbology = BARCODE_QRCODE, .data = "TIMING", .option2 = 3};
    auto const rendered = support::render(input, {.moduleSize = 4.0});
    ASSERT_TRUE(rendered.symbol.ok);
    GrayImage const image(rendered.frame.width, rendered.frame.height, rendered.frame.width,
                          rendered.frame.pixels.data());
    std::vector<unsigned short> blankPixels(640 * 480, 700);
    GrayImage const blank(640, 480, 640, blankPixels.data());
    struct {
        char const* what;
        GrayImage image;
        bool micro;
        unsigned width;
        unsigned height;
    } const cases[] = {
        {"not square", image, false, 31, 30},
        {"no QR side", image, false, 30, 30},
        {"too large for Micro QR", image, true, 31, 31},
        {"nothing to measure", blank, false, 31, 31},
        {"empty image", GrayImage(), false, 31, 31},
    };
    AdjustToTimingPatternSubroutine const adjust;
    for (auto const& c : cases) {
        MeshBuffers b;
        ASSERT_TRUE(BuildScaledMesh(image, rendered.symbol, 29, 1.0, b));
        ASSERT_TRUE(b.mesh.SetSize(c.width, c.height, 8));
        std::vector<Point> const kept = b.points;
        EXPECT_FALSE(adjust.Start(c.image, false, c.micro, b.mesh)) << c.what;
        EXPECT_EQ(b.points, kept) << c.what;
    }
}

}  // namespace
}  // namespace DEC2DIvra
