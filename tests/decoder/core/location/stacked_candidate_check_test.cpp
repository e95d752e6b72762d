// What sends a bar-like region to the PDF417 reader before the linear
// decoders: a start or stop pattern in its profile, and lines across it that
// show different rows. A linear symbol whose bars happen to look like a start
// or stop pattern must still show the same bars on every line. A MicroPDF417
// symbol has neither pattern: its rows begin and end with row address
// patterns, which no linear symbol shows at both its ends.
#include <gtest/gtest.h>

#include <cmath>
#include <initializer_list>
#include <vector>

#include "decoder/core/gray_image.h"
#include "decoder/core/location/stacked_candidate_check.h"
#include "tests/support/symbol_renderer.h"

namespace {

using DEC2DIvra::BarRegionAxis;
using DEC2DIvra::BarRegionCandidate;
using DEC2DIvra::GrayImage;

// The candidate a locator would build around the symbol: the axis through its
// centre across the bars, a few modules of quiet zone at both ends, the
// middle four fifths of its height.
BarRegionCandidate Around(support::Rendering const& r, double module)
{
    support::Point const centre = r.symbol.toFrame({r.symbol.widthModules / 2, r.symbol.heightModules / 2});
    support::Point const right = r.symbol.toFrame({r.symbol.widthModules, r.symbol.heightModules / 2});
    double const dx = right.x - centre.x;
    double const dy = right.y - centre.y;
    double const half = std::hypot(dx, dy);
    BarRegionCandidate c;
    c.axis.originX = std::llround(centre.x * BarRegionAxis::kOne);
    c.axis.originY = std::llround(centre.y * BarRegionAxis::kOne);
    c.axis.ux = static_cast<int>(std::lround(dx / half * BarRegionAxis::kOne));
    c.axis.uy = static_cast<int>(std::lround(dy / half * BarRegionAxis::kOne));
    c.s0 = -static_cast<int>(half + 3 * module);
    c.s1 = static_cast<int>(half + 3 * module);
    int const height = static_cast<int>(r.symbol.heightModules * module * 0.4);
    c.t0 = -height;
    c.t1 = height;
    return c;
}

// A 200 x 40 region about the centre of a 640 x 480 frame.
BarRegionCandidate FlatFrameRegion()
{
    BarRegionCandidate c;
    c.axis.originX = 320LL * BarRegionAxis::kOne;
    c.axis.originY = 240LL * BarRegionAxis::kOne;
    c.s0 = -100;
    c.s1 = 100;
    c.t0 = -20;
    c.t1 = 20;
    return c;
}

TEST(StackedCandidateCheckTest, RowsDifferAcrossStackedSymbolsOnly)
{
    struct Case {
        char const* name;
        support::SymbolInput input;
        double module;
        double angle;
        bool stacked;
    };
    Case const cases[] = {
        {"PDF417, 3 columns", {.symbology = BARCODE_PDF417, .data = "PDF417 level 2", .option1 = 2, .option2 = 3},
         2.0, 0, true},
        {"PDF417, 6 columns, turned",
         {.symbology = BARCODE_PDF417, .data = "Read rate of PDF417 at level 3, six columns", .option1 = 3,
          .option2 = 6},
         2.0, 30, true},
        {"PDF417 upside down", {.symbology = BARCODE_PDF417, .data = "A taller symbol", .option1 = 5, .option2 = 4},
         1.5, 180, true},
        {"Code 128", {.symbology = BARCODE_CODE128, .data = "CODE128 1234"}, 2.0, 0, false},
        {"Code 128, turned", {.symbology = BARCODE_CODE128, .data = "CODE128 1234"}, 2.0, 30, false},
        {"EAN-13", {.symbology = BARCODE_EANX, .data = "331234567890"}, 2.0, 15, false},
        {"UPC-E", {.symbology = BARCODE_UPCE, .data = "0123456"}, 2.5, 0, false},
        {"Interleaved 2 of 5", {.symbology = BARCODE_C25INTER, .data = "12345678"}, 2.0, 45, false},
    };
    for (Case const& c : cases) {
        SCOPED_TRACE(c.name);
        support::Rendering const r = support::render(c.input, {.moduleSize = c.module, .angle = c.angle});
        ASSERT_TRUE(r.symbol.ok) << r.symbol.error;
        GrayImage const image(r.frame.width, r.frame.height, r.frame.width, r.frame.pixels.data());
        BarRegionCandidate const candidate = Around(r, c.module);
        EXPECT_EQ(DEC2DIvra::HasDifferingRows(image, candidate), c.stacked);
        if (c.stacked) {
            EXPECT_TRUE(DEC2DIvra::IsStackedCandidate(image, candidate));
        }
    }
    // A flat region and one off the image tell nothing.
    support::Frame const flat = support::makeFrame();
    GrayImage const image(flat.width, flat.height, flat.width, flat.pixels.data());
    BarRegionCandidate candidate = FlatFrameRegion();
    EXPECT_FALSE(DEC2DIvra::HasDifferingRows(image, candidate));
    candidate.s1 = 1000;
    EXPECT_FALSE(DEC2DIvra::HasDifferingRows(image, candidate));
}

TEST(StackedCandidateCheckTest, MicroPdf417RowsAndNoLinearSymbolShowRowAddressPatterns)
{
    struct Case {
        char const* name;
        support::SymbolInput input;
        double module;
        double angle;
        bool inverted;
        bool blurred;
        bool micro;
    };
    Case const cases[] = {
        {"MicroPDF417, 1 column", {.symbology = BARCODE_MICROPDF417, .data = "MicroPDF417", .option2 = 1}, 2.0,
         0, false, false, true},
        {"MicroPDF417, 2 columns, turned",
         {.symbology = BARCODE_MICROPDF417, .data = "Two columns 12345", .option2 = 2}, 2.0, 30, false, false,
         true},
        {"MicroPDF417, 3 columns, upside down",
         {.symbology = BARCODE_MICROPDF417, .data = "THREE COLUMNS 0123456789", .option2 = 3}, 2.0, 165, false,
         false, true},
        {"MicroPDF417, 4 columns, light on dark",
         {.symbology = BARCODE_MICROPDF417, .data = "FOUR COLUMNS 1234567890", .option2 = 4}, 2.0, 300, true,
         false, true},
        {"MicroPDF417, 2 columns, small and blurred",
         {.symbology = BARCODE_MICROPDF417, .data = "Two columns 12345", .option2 = 2}, 1.5, 75, false, true,
         true},
        {"Code 128", {.symbology = BARCODE_CODE128, .data = "CODE128 1234"}, 2.0, 0, false, false, false},
        {"Code 128, upside down", {.symbology = BARCODE_CODE128, .data = "ABC"}, 2.0, 180, false, false, false},
        {"GS1-128", {.symbology = BARCODE_GS1_128, .data = "[01]09501101530003", .inputMode = GS1_MODE}, 2.0, 45,
         false, false, false},
        {"EAN-13", {.symbology = BARCODE_EANX, .data = "331234567890"}, 2.0, 15, false, false, false},
        {"EAN-8", {.symbology = BARCODE_EANX, .data = "1234567"}, 2.0, 200, false, false, false},
        {"UPC-E", {.symbology = BARCODE_UPCE, .data = "0123456"}, 2.5, 0, false, false, false},
        {"Code 39", {.symbology = BARCODE_CODE39, .data = "CODE39"}, 2.0, 0, false, false, false},
        {"Codabar", {.symbology = BARCODE_CODABAR, .data = "A123456B"}, 2.0, 90, false, false, false},
        {"Interleaved 2 of 5", {.symbology = BARCODE_C25INTER, .data = "12345678"}, 2.0, 45, false, false, false},
        {"GS1 DataBar", {.symbology = BARCODE_DBAR_OMN, .data = "0950110153000"}, 2.0, 0, false, false, false},
    };
    for (Case const& c : cases) {
        SCOPED_TRACE(c.name);
        support::Rendering const r = support::render(
            c.input, {.moduleSize = c.module, .angle = c.angle, .inverted = c.inverted, .blur = c.blurred ? 0.5 : 0});
        ASSERT_TRUE(r.symbol.ok) << r.symbol.error;
        GrayImage const image(r.frame.width, r.frame.height, r.frame.width, r.frame.pixels.data());
        BarRegionCandidate const candidate = Around(r, c.module);
        // Taken for MicroPDF417: the patterns and differing rows.
        EXPECT_EQ(DEC2DIvra::ShowsRowAddressPatterns(image, candidate) &&
                      DEC2DIvra::HasDifferingRowAddressRows(image, candidate),
                  c.micro);
    }
    // A flat region and one off the image show nothing.
    support::Frame const flat = support::makeFrame();
    GrayImage const image(flat.width, flat.height, flat.width, flat.pixels.data());
    BarRegionCandidate candidate = FlatFrameRegion();
    EXPECT_FALSE(DEC2DIvra::ShowsRowAddressPatterns(image, candidate));
    candidate.s1 = 100000;
    EXPECT_FALSE(DEC2DIvra::ShowsRowAddressPatterns(image, candidate));
}

TEST(StackedCandidateCheckTest, CompositeLinearPartBesidePdf417PartOnly)
{
    // A region over a composite's PDF417 2D part and the linear part below it
    // reads its linear label first: lines across the linear bars read alike.
    // Those across a PDF417 symbol's rows never do.
    struct Case {
        char const* name;
        support::SymbolInput input;
        double module;
        double angle;
        bool linear;
    };
    support::SymbolInput const composite{.symbology = BARCODE_GS1_128_CC,
                                         .data = "[99]1234-abcd[21]1234567890",
                                         .option1 = 3,
                                         .inputMode = GS1_MODE,
                                         .primary = "[01]09501101530003"};
    Case const cases[] = {
        {"PDF417", {.symbology = BARCODE_PDF417, .data = "PDF417 level 2", .option1 = 2, .option2 = 3}, 2.0, 0, false},
        {"PDF417, turned",
         {.symbology = BARCODE_PDF417, .data = "Read rate of PDF417 at level 3", .option1 = 3, .option2 = 6}, 2.0,
         120, false},
        {"PDF417, tall", {.symbology = BARCODE_PDF417, .data = "A taller symbol", .option1 = 5, .option2 = 4}, 1.5,
         200, false},
        {"GS1-128 + CC-C", composite, 2.0, 0, true},
        {"GS1-128 + CC-C, turned", composite, 2.0, 30, true},
    };
    for (Case const& c : cases) {
        SCOPED_TRACE(c.name);
        support::Rendering const r = support::render(c.input, {.moduleSize = c.module, .angle = c.angle});
        ASSERT_TRUE(r.symbol.ok) << r.symbol.error;
        GrayImage const image(r.frame.width, r.frame.height, r.frame.width, r.frame.pixels.data());
        EXPECT_EQ(DEC2DIvra::HoldsBarsBesideStartOrStop(image, Around(r, c.module)), c.linear);
    }
}

TEST(StackedCandidateCheckTest, StartAndStopPatternsCountBesideAQuietZoneOnly)
{
    // Matrix data passes for a start or stop pattern now and then, with data
    // beside it; a PDF417 symbol's patterns lie at its sides, beside a quiet
    // zone of two modules at least (here the label's ten), a line leaving a
    // bar at a slant now and then crossing a blip of a module first.
    std::vector<double> const start = {8, 1, 1, 1, 1, 1, 1, 3};
    std::vector<double> const stop = {7, 1, 1, 3, 1, 1, 1, 2, 1};
    std::vector<double> const codeword = {3, 1, 1, 2, 4, 1, 2, 3};
    std::vector<double> const data = {2, 1, 1, 3, 2, 1};
    auto join = [](std::initializer_list<std::vector<double>> parts) {
        std::vector<double> all;
        for (std::vector<double> const& part : parts) {
            all.insert(all.end(), part.begin(), part.end());
        }
        return all;
    };
    struct Case {
        char const* name;
        std::vector<double> bars;
        double angle;
        bool stacked;
    };
    Case const cases[] = {
        {"start beside the quiet zone", join({start, codeword, data}), 0, true},
        {"start beside the quiet zone, upside down", join({start, codeword, data}), 180, true},
        {"start behind a blip", join({{1, 1}, start, codeword, data}), 0, true},
        {"start after data", join({data, start, codeword}), 0, false},
        {"start after data, upside down", join({data, start, codeword}), 180, false},
        {"start behind a two-module bar", join({{2, 1}, start, codeword, data}), 0, false},
        {"stop beside the quiet zone", join({data, codeword, stop}), 0, true},
        {"stop beside the quiet zone, upside down", join({data, codeword, stop}), 180, true},
        {"stop before data", join({codeword, stop, {1}, data}), 0, false},
        {"stop before data, upside down", join({codeword, stop, {1}, data}), 180, false},
    };
    for (Case const& c : cases) {
        SCOPED_TRACE(c.name);
        support::Rendering const r = support::render({.bars = c.bars}, {.moduleSize = 2.0, .angle = c.angle});
        ASSERT_TRUE(r.symbol.ok) << r.symbol.error;
        GrayImage const image(r.frame.width, r.frame.height, r.frame.width, r.frame.pixels.data());
        EXPECT_EQ(DEC2DIvra::IsStackedCandidate(image, Around(r, 2.0)), c.stacked);
    }
}

}  // namespace
