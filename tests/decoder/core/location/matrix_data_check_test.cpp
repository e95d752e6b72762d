// Telling matrix data from bars in a bar-like region: lines along a bar
// code's bars keep one colour, even with the region's axis a few degrees off
// or rows of different characters; lines across Data Matrix data change
// colour every few modules. Regions that tell nothing are not matrix data.
#include <gtest/gtest.h>

#include <cmath>
#include <string>
#include <vector>

#include "decoder/core/gray_image.h"
#include "decoder/core/location/matrix_data_check.h"
#include "tests/support/symbol_renderer.h"

namespace {

using DEC2DIvra::BarRegionAxis;
using DEC2DIvra::BarRegionCandidate;
using DEC2DIvra::GrayImage;

// The region over the middle half of the symbol's height, the axis along its
// rows turned by `skew` degrees.
BarRegionCandidate RegionOver(support::RenderedSymbol const& symbol, double module, double skew)
{
    support::Point const centre = symbol.toFrame({symbol.widthModules / 2, symbol.heightModules / 2});
    support::Point const end = symbol.toFrame({symbol.widthModules, symbol.heightModules / 2});
    double const angle = std::atan2(end.y - centre.y, end.x - centre.x) + skew * M_PI / 180.0;
    BarRegionCandidate c;
    c.axis.originX = std::llround(centre.x * BarRegionAxis::kOne);
    c.axis.originY = std::llround(centre.y * BarRegionAxis::kOne);
    c.axis.ux = static_cast<int>(std::lround(std::cos(angle) * BarRegionAxis::kOne));
    c.axis.uy = static_cast<int>(std::lround(std::sin(angle) * BarRegionAxis::kOne));
    c.s1 = static_cast<int>(std::hypot(end.x - centre.x, end.y - centre.y));
    c.s0 = -c.s1;
    c.t1 = static_cast<int>(symbol.heightModules * module / 4);
    c.t0 = -c.t1;
    c.spacing = static_cast<unsigned>(std::lround(module * 1.5));
    return c;
}

TEST(MatrixDataCheckTest, MatrixDataLooksLikeItAndBarsOrEmptyRegionsDoNot)
{
    auto render = [](int symbology, std::string const& data, int size, double angle) {
        support::Rendering r = support::render({.symbology = symbology, .data = data, .option2 = size},
                                               {.moduleSize = 2.0, .angle = angle, .noise = 20.0});
        EXPECT_TRUE(r.symbol.ok) << r.symbol.error;
        return r;
    };
    support::Rendering const code128 = render(BARCODE_CODE128, "ABCDEFGHIJ1234567890", 0, 30.0);
    support::Rendering const codablock =
        render(BARCODE_CODABLOCKF, "CODABLOCK F HOLDS ROWS OF CODE 128 0123456789", 0, 15.0);
    support::Rendering const dataMatrix = render(BARCODE_DATAMATRIX, std::string(300, 'D'), 20, 75.0);
    std::vector<unsigned short> flat(static_cast<std::size_t>(support::kFrameWidth) * support::kFrameHeight, 600);
    GrayImage const none;
    GrayImage const flatImage(support::kFrameWidth, support::kFrameHeight, support::kFrameWidth, flat.data());
    auto image = [](support::Rendering const& r) {
        return GrayImage(r.frame.width, r.frame.height, r.frame.width, r.frame.pixels.data());
    };
    BarRegionCandidate const data = RegionOver(dataMatrix.symbol, 2.0, 0.0);
    auto changed = [&](auto&& change) {
        BarRegionCandidate c = data;
        change(c);
        return c;
    };
    struct Case {
        char const* name;
        GrayImage image;
        BarRegionCandidate candidate;
        bool matrix;
    };
    Case const cases[] = {
        {"Code 128, axis 3 degrees off", image(code128), RegionOver(code128.symbol, 2.0, 3.0), false},
        {"Codablock F rows", image(codablock), RegionOver(codablock.symbol, 2.0, 0.0), false},
        {"Data Matrix, axis 2 degrees off", image(dataMatrix), RegionOver(dataMatrix.symbol, 2.0, 2.0), true},
        {"no spacing known", image(dataMatrix), changed([](BarRegionCandidate& c) { c.spacing = 0; }), true},
        {"no pixels", none, data, false},
        {"flat", flatImage, data, false},
        {"off the image", image(dataMatrix),
         changed([](BarRegionCandidate& c) { c.axis.originX = -100000LL * BarRegionAxis::kOne; }), false},
        {"reversed across", image(dataMatrix), changed([](BarRegionCandidate& c) { std::swap(c.t0, c.t1); }),
         false},
        {"no length", image(dataMatrix), changed([](BarRegionCandidate& c) { c.s1 = c.s0; }), false},
        {"two modules across", image(dataMatrix), changed([](BarRegionCandidate& c) { c.t0 = -2, c.t1 = 2; }),
         false},
    };
    for (Case const& c : cases) {
        EXPECT_EQ(DEC2DIvra::LooksLikeMatrixData(c.image, c.candidate), c.matrix) << c.name;
    }
}

}  // namespace
