// Telling matrix data from bars in a bar-like region: lines along a bar
// code's bars keep one colour, even with the region's axis a few degrees off
// or rows of different characters; lines across Data Matrix data change
// colour every few modules. Regions that tell nothing are not matrix data.
// A narrow region along a Data Matrix clock track crosses runs of one width;
// one across the bars of a linear symbol crosses runs of one and of two or
// more modules.
#include <gtest/gtest.h>

#include <cmath>
#include <limits>
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

// A noisy symbol at two pixels a module, turned by `angle` degrees.
support::Rendering RenderNoisy(int symbology, std::string const& data, int size, double angle)
{
    support::Rendering r = support::render({.symbology = symbology, .data = data, .option2 = size},
                                           {.moduleSize = 2.0, .angle = angle, .noise = 20.0});
    EXPECT_TRUE(r.symbol.ok) << r.symbol.error;
    return r;
}

TEST(MatrixDataCheckTest, MatrixDataLooksLikeItAndBarsOrEmptyRegionsDoNot)
{
    support::Rendering const code128 = RenderNoisy(BARCODE_CODE128, "ABCDEFGHIJ1234567890", 0, 30.0);
    support::Rendering const codablock =
        RenderNoisy(BARCODE_CODABLOCKF, "CODABLOCK F HOLDS ROWS OF CODE 128 0123456789", 0, 15.0);
    support::Rendering const dataMatrix = RenderNoisy(BARCODE_DATAMATRIX, std::string(300, 'D'), 20, 75.0);
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

// A region along the line from module point `from` to `to` of the symbol,
// reaching `beyond` modules past both, `half` modules either side of it.
BarRegionCandidate RegionAlong(support::RenderedSymbol const& symbol, double module, support::Point from,
                               support::Point to, double beyond, double half)
{
    support::Point const a = symbol.toFrame(from);
    support::Point const b = symbol.toFrame(to);
    double const length = std::hypot(b.x - a.x, b.y - a.y);
    double const ux = (b.x - a.x) / length;
    double const uy = (b.y - a.y) / length;
    BarRegionCandidate c;
    c.axis.originX = std::llround((a.x + b.x) / 2 * BarRegionAxis::kOne);
    c.axis.originY = std::llround((a.y + b.y) / 2 * BarRegionAxis::kOne);
    c.axis.ux = static_cast<int>(std::lround(ux * BarRegionAxis::kOne));
    c.axis.uy = static_cast<int>(std::lround(uy * BarRegionAxis::kOne));
    c.s1 = static_cast<int>(length / 2 + beyond * module);
    c.s0 = -c.s1;
    c.t1 = static_cast<int>(half * module);
    c.t0 = -c.t1;
    c.spacing = static_cast<unsigned>(std::lround(module));
    return c;
}

TEST(MatrixDataCheckTest, ClockTracksAreToldFromTheBarsOfLinearSymbols)
{
    struct Case {
        char const* name;
        int symbology;
        char const* data;
        double module;
        double angle;
        bool track;
        double noise = 0.0;
    };
    // Data Matrix 24 x 24 (its clock tracks along the top and the right);
    // the linear symbols at one module or two in places, MSI's bits as runs
    // of one and two modules in turn.
    Case const cases[] = {
        {"Data Matrix, 2 px", BARCODE_DATAMATRIX, "CLOCK TRACK 0123456789 ABCDEF", 2.0, 20.0, true},
        {"Data Matrix, 2.5 px", BARCODE_DATAMATRIX, "CLOCK TRACK 0123456789 ABCDEF", 2.5, 0.0, true},
        {"Data Matrix, 3 px", BARCODE_DATAMATRIX, "CLOCK TRACK 0123456789 ABCDEF", 3.0, 70.0, true},
        {"Code 128", BARCODE_CODE128, "ABCDEFGHIJ1234567890", 2.0, 20.0, false},
        {"Code 128, 3 px", BARCODE_CODE128, "aaaaaaaaaaaa", 3.0, 0.0, false},
        {"MSI, zeros", BARCODE_MSI_PLESSEY, "0000000000", 2.0, 20.0, false},
        {"MSI, 3 px", BARCODE_MSI_PLESSEY, "1234567890", 3.0, 70.0, false},
        {"Interleaved 2 of 5", BARCODE_C25INTER, "00000000001111111111", 2.0, 0.0, false},
        {"EAN-13", BARCODE_EANX, "400638133393", 2.0, 20.0, false},
        {"Code 39", BARCODE_CODE39, "ABC123XYZ", 2.5, 70.0, false},
        {"EAN-13, digits 1 and 2", BARCODE_EANX, "121212121212", 2.0, 0.0, false},
        {"Code 93", BARCODE_CODE93, "CODE93 TRACK", 2.0, 20.0, false},
        {"Data Matrix, noisy", BARCODE_DATAMATRIX, "CLOCK TRACK 0123456789 ABCDEF", 2.5, 40.0, true, 20.0},
        {"Code 128, noisy", BARCODE_CODE128, "ABCDEFGHIJ1234567890", 2.0, 40.0, false, 20.0},
    };
    for (Case const& c : cases) {
        support::Rendering const r =
            support::render({.symbology = c.symbology, .data = c.data},
                            {.moduleSize = c.module, .angle = c.angle, .noise = c.noise});
        ASSERT_TRUE(r.symbol.ok) << c.name << ": " << r.symbol.error;
        GrayImage const image(r.frame.width, r.frame.height, r.frame.width, r.frame.pixels.data());
        double const w = r.symbol.widthModules;
        double const h = r.symbol.heightModules;
        // Along the top row of modules, or across the bars' middle.
        BarRegionCandidate const candidate =
            c.track ? RegionAlong(r.symbol, c.module, {0.0, 0.5}, {w, 0.5}, 3.0, 2.5)
                    : RegionAlong(r.symbol, c.module, {0.0, h / 2}, {w, h / 2}, 3.0, 2.5);
        EXPECT_EQ(DEC2DIvra::LiesAlongClockTrack(image, candidate), c.track) << c.name;
        // The same lines in a region as tall as bars are: no track.
        BarRegionCandidate wide = candidate;
        wide.t1 = static_cast<int>(4 * c.module);
        wide.t0 = -wide.t1;
        EXPECT_FALSE(DEC2DIvra::LiesAlongClockTrack(image, wide)) << c.name;
        if (c.track) {
            // Nothing to tell from: no pixels, a flat frame, off the frame,
            // reversed across, too short, across at the end of the range.
            std::vector<unsigned short> flat(r.frame.pixels.size(), 600);
            GrayImage const flatImage(r.frame.width, r.frame.height, r.frame.width, flat.data());
            BarRegionCandidate off = candidate;
            off.axis.originX = -100000LL * BarRegionAxis::kOne;
            BarRegionCandidate reversed = candidate;
            std::swap(reversed.t0, reversed.t1);
            BarRegionCandidate shortened = candidate;
            shortened.s1 = shortened.s0 + 20;
            BarRegionCandidate farAcross = candidate;
            farAcross.t1 = std::numeric_limits<int>::max();
            farAcross.t0 = farAcross.t1 - 4;
            EXPECT_FALSE(DEC2DIvra::LiesAlongClockTrack(image, farAcross)) << c.name;
            EXPECT_FALSE(DEC2DIvra::LiesAlongClockTrack(GrayImage(), candidate)) << c.name;
            EXPECT_FALSE(DEC2DIvra::LiesAlongClockTrack(flatImage, candidate)) << c.name;
            EXPECT_FALSE(DEC2DIvra::LiesAlongClockTrack(image, off)) << c.name;
            EXPECT_FALSE(DEC2DIvra::LiesAlongClockTrack(image, reversed)) << c.name;
            EXPECT_FALSE(DEC2DIvra::LiesAlongClockTrack(image, shortened)) << c.name;
        }
    }
}

}  // namespace

// A region that reaches far past a symbol's data into its quiet zone has most
// of its lines there: the median line changes nothing, a third of the lines
// still change as matrix data do. Bars keep one colour along their length for
// any number of lines asked.
TEST(MatrixDataCheckTest, FewerLinesTellMatrixDataInARegionReachingIntoTheQuietZone)
{
    support::Rendering const code128 = RenderNoisy(BARCODE_CODE128, "ABCDEFGHIJ1234567890", 0, 30.0);
    support::Rendering const codablock =
        RenderNoisy(BARCODE_CODABLOCKF, "CODABLOCK F HOLDS ROWS OF CODE 128 0123456789", 0, 15.0);
    support::Rendering const dataMatrix = RenderNoisy(BARCODE_DATAMATRIX, std::string(300, 'D'), 20, 75.0);
    auto image = [](support::Rendering const& r) {
        return GrayImage(r.frame.width, r.frame.height, r.frame.width, r.frame.pixels.data());
    };
    // The region's far end pushed out by its own length, into the
    // quiet zone.
    auto reaching = [](BarRegionCandidate c) {
        c.s0 -= c.s1 - c.s0;
        return c;
    };
    BarRegionCandidate const data = reaching(RegionOver(dataMatrix.symbol, 2.0, 0.0));
    struct Case {
        char const* name;
        GrayImage image;
        BarRegionCandidate candidate;
        unsigned lines;
        bool matrix;
        unsigned leastChanges = DEC2DIvra::kMatrixDataLeastChanges;
    };
    Case const cases[] = {
        {"Data Matrix, median line in the quiet zone", image(dataMatrix), data, 5, false},
        {"Data Matrix, a third of the lines", image(dataMatrix), data, 3, true},
        {"Data Matrix, axis 2 degrees off", image(dataMatrix), reaching(RegionOver(dataMatrix.symbol, 2.0, 2.0)), 3,
         true},
        {"Code 128, axis 3 degrees off", image(code128), reaching(RegionOver(code128.symbol, 2.0, 3.0)), 3, false},
        {"Code 128, one line", image(code128), RegionOver(code128.symbol, 2.0, 3.0), 1, false},
        {"Codablock F rows", image(codablock), reaching(RegionOver(codablock.symbol, 2.0, 0.0)), 3, false},
        {"no lines", image(dataMatrix), data, 0, false},
        {"more lines than drawn", image(dataMatrix), data, DEC2DIvra::kMatrixDataLines + 1, false},
        {"Data Matrix, three changes asked", image(dataMatrix), data, 3, true, 3},
        {"Data Matrix, more changes asked than modules crossed", image(dataMatrix), data, 3, false, 60},
    };
    for (Case const& c : cases) {
        EXPECT_EQ(DEC2DIvra::LooksLikeMatrixData(c.image, c.candidate, c.lines, c.leastChanges), c.matrix) << c.name;
    }
}
