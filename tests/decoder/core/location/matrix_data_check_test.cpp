// Telling matrix data from bars in a bar-like region: lines along the bars
// of a bar code keep one colour, even when the region's axis is a few
// degrees off or its rows hold different characters; lines across a Data
// Matrix or QR symbol's data change colour every few modules. Regions off
// the image, empty or flat tell nothing.
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

// The region over the symbol's middle, the axis along its rows turned by
// `skew` degrees, `share` of its height across.
BarRegionCandidate RegionOver(support::RenderedSymbol const& symbol, double module, double skew, double share)
{
    double const w = symbol.widthModules;
    double const h = symbol.heightModules;
    support::Point const centre = symbol.toFrame({w / 2, h / 2});
    support::Point const end = symbol.toFrame({w, h / 2});
    double const angle = std::atan2(end.y - centre.y, end.x - centre.x) + skew * M_PI / 180.0;
    double const half = std::hypot(end.x - centre.x, end.y - centre.y);
    BarRegionCandidate c;
    c.axis.originX = std::llround(centre.x * BarRegionAxis::kOne);
    c.axis.originY = std::llround(centre.y * BarRegionAxis::kOne);
    c.axis.ux = static_cast<int>(std::lround(std::cos(angle) * BarRegionAxis::kOne));
    c.axis.uy = static_cast<int>(std::lround(std::sin(angle) * BarRegionAxis::kOne));
    c.s0 = static_cast<int>(-half);
    c.s1 = static_cast<int>(half);
    c.t1 = static_cast<int>(h * module * share / 2);
    c.t0 = -c.t1;
    c.spacing = static_cast<unsigned>(std::lround(module * 1.5));
    return c;
}

TEST(MatrixDataCheckTest, MatrixDataLooksLikeItAndBarsDoNot)
{
    struct Case {
        char const* name;
        int symbology;
        std::string data;
        int size;  // zint's option 2
        double module;
        double angle;
        double skew;  // degrees between the region's axis and the rows
        double noise;
        bool matrix;
    };
    Case const cases[] = {
        {"Code 128", BARCODE_CODE128, "ABCDEFGHIJ1234567890", 0, 2.0, 0.0, 0.0, 0.0, false},
        {"Code 128 turned, axis 3 degrees off", BARCODE_CODE128, "ABCDEFGHIJ1234567890", 0, 2.0, 30.0, 3.0, 0.0,
         false},
        {"Code 128 noisy, axis 2 degrees off", BARCODE_CODE128, "ABCDEFGHIJ", 0, 3.0, 120.0, -2.0, 25.0, false},
        {"Interleaved 2 of 5", BARCODE_C25INTER, "1234567890", 0, 3.0, 45.0, 0.0, 0.0, false},
        {"EAN-13", BARCODE_EANX, "501234567890", 0, 2.0, 200.0, 1.0, 0.0, false},
        // Rows of different characters, each many modules high.
        {"Codablock F", BARCODE_CODABLOCKF, "CODABLOCK F HOLDS ROWS OF CODE 128 0123456789", 0, 2.0, 15.0, 0.0, 0.0,
         false},
        {"Data Matrix 52 x 52", BARCODE_DATAMATRIX, std::string(120, 'x') + "0123456789", 15, 2.0, 0.0, 0.0, 0.0,
         true},
        {"Data Matrix 44 x 44 turned", BARCODE_DATAMATRIX, "Data Matrix ECC 200 reads ASCII, C40 and TEXT", 13, 3.0,
         30.0, 0.0, 0.0, true},
        {"Data Matrix 96 x 96 noisy", BARCODE_DATAMATRIX, std::string(300, 'D') + "0123456789", 20, 2.0, 75.0,
         2.0, 25.0, true},
        {"QR Code", BARCODE_QRCODE, std::string(150, 'q') + "0123456789", 10, 3.0, 10.0, 0.0, 0.0, true},
    };
    for (Case const& c : cases) {
        SCOPED_TRACE(c.name);
        support::Rendering const r = support::render({.symbology = c.symbology, .data = c.data, .option2 = c.size},
                                                     {.moduleSize = c.module, .angle = c.angle, .noise = c.noise});
        ASSERT_TRUE(r.symbol.ok) << r.symbol.error;
        GrayImage const image(r.frame.width, r.frame.height, r.frame.width, r.frame.pixels.data());
        // A band across the middle, as the bar-region finder cuts them, and
        // the whole height.
        for (double share : {0.3, 0.8}) {
            SCOPED_TRACE(share);
            EXPECT_EQ(DEC2DIvra::LooksLikeMatrixData(image, RegionOver(r.symbol, c.module, c.skew, share)),
                      c.matrix);
        }
    }
}

TEST(MatrixDataCheckTest, RegionsThatTellNothingAreNotMatrixData)
{
    support::Rendering const r =
        support::render({.symbology = BARCODE_DATAMATRIX, .data = std::string(120, 'x'), .option2 = 15},
                        {.moduleSize = 3.0});
    ASSERT_TRUE(r.symbol.ok) << r.symbol.error;
    GrayImage const image(r.frame.width, r.frame.height, r.frame.width, r.frame.pixels.data());
    std::vector<unsigned short> flat(static_cast<std::size_t>(r.frame.width) * r.frame.height, 600);
    GrayImage const flatImage(r.frame.width, r.frame.height, r.frame.width, flat.data());
    BarRegionCandidate const over = RegionOver(r.symbol, 3.0, 0.0, 0.8);
    ASSERT_TRUE(DEC2DIvra::LooksLikeMatrixData(image, over));

    BarRegionCandidate offImage = over;
    offImage.axis.originX = -100000LL * BarRegionAxis::kOne;
    BarRegionCandidate reversed = over;
    reversed.t0 = over.t1;
    reversed.t1 = over.t0;
    BarRegionCandidate empty = over;
    empty.s1 = empty.s0;
    BarRegionCandidate narrow = over;
    narrow.t0 = -3;
    narrow.t1 = 3;
    BarRegionCandidate noSpacing = over;
    noSpacing.spacing = 0;
    struct Case {
        char const* name;
        GrayImage const* image;
        BarRegionCandidate candidate;
        bool matrix;
    };
    GrayImage const none;
    Case const cases[] = {
        {"no pixels", &none, over, false},
        {"flat", &flatImage, over, false},
        {"off the image", &image, offImage, false},
        {"reversed across", &image, reversed, false},
        {"no length", &image, empty, false},
        {"two modules across", &image, narrow, false},
        // The least module assumed: more changes needed, still found.
        {"no spacing known", &image, noSpacing, true},
    };
    for (Case const& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(DEC2DIvra::LooksLikeMatrixData(*c.image, c.candidate), c.matrix);
    }
}

}  // namespace
