// The bull's-eye search along a row's own runs, as the common finder search
// hands them on: a row across a drawn bull's-eye finds it at its centre; a
// bar code row never passes a window to the check; lines the search does not
// take are refused before any run is read.
#include <gtest/gtest.h>

#include <cmath>

#include "decoder/legacy/engine/legacy_driver.h"
#include "decoder/legacy/engine/legacy_geometry.h"
#include "decoder/legacy/engine/legacy_reader_entries.h"
#include "decoder/legacy/engine/legacy_result.h"
#include "decoder/legacy/engine/legacy_scan_line.h"
#include "decoder/legacy/maxicode/maxi_finder.h"
#include "decoder/legacy/maxicode/maxi_finder_check.h"
#include "tests/support/symbol_renderer.h"

namespace {

void Attach(support::Frame const& frame)
{
    decode_image_info = DECODE_IMAGE_INFO_st{};
    decode_image_info.pixels = decode_image_info.samplePixels = frame.pixels.data();
    decode_image_info.width = decode_image_info.sampleWidth = frame.width;
    decode_image_info.height = decode_image_info.sampleHeight = frame.height;
    decode_image_info.currentMaxValue = 1000;
    COM_set_screen_size(frame.width, frame.height);
    current_region_id = 3;
    calc_decode_regions();
    reset_MULTI_runlength_param();
}

// The row's grey runs as the finder search keeps them: from the first dark
// run, with the margin before it as the lead.
int SearchRow(support::Frame const& frame, int y)
{
    Attach(frame);
    reset_max00();
    POINT_st start{0, y};
    POINT_st end{frame.width - 1, y};
    int samples = 0;
    EXPECT_EQ(scan_pdf_1D78(start.x, start.y, end.x, end.y, 0, &samples), 0);
    EXPECT_GT(copy_runlength_MX(MULTI_RunlenA.runs + 1, MULTI_RunlenA.count - 1, MULTI_RunlenA.runs[0]), 0);
    return search_finder_mx(&start, &end, 2);
}

TEST(MaxiFinderSearchTest, ARowAcrossTheBullsEyeFindsItAtItsCentre)
{
    struct Case {
        double module;
        double dy;  // rows off the centre
    } const cases[] = {{4.0, 0}, {5.0, 1}, {6.0, -2}};
    for (Case const& c : cases) {
        SCOPED_TRACE(testing::Message() << c.module << " px, " << c.dy << " off");
        auto const r = support::render({.symbology = BARCODE_MAXICODE, .data = "ROW SEARCH 123", .option1 = 4},
                                       {.moduleSize = c.module});
        ASSERT_TRUE(r.symbol.ok) << r.symbol.error;
        support::Point const centre = r.symbol.toFrame({14.5, 14.43335});
        ASSERT_EQ(SearchRow(r.frame, static_cast<int>(centre.y + c.dy)), 23);
        EXPECT_NEAR(finder_MX.eye.x, centre.x, 1.0);
        EXPECT_NEAR(finder_MX.eye.y, centre.y, 1.0);
    }
}

// Two symbols on one row: once the left one has been measured, the search
// runs on to the right one. Each check re-measures its horizontal line in
// the buffer the windows come from; the row's own runs must be back in it
// for the next window.
TEST(MaxiFinderSearchTest, TheSearchRunsOnAfterABullsEyeAlreadyMeasured)
{
    support::Frame frame = support::makeFrame(640, 300, 900);
    support::RenderedSymbol symbols[2];
    double const xs[2] = {160, 480};
    for (int k = 0; k < 2; ++k) {
        symbols[k] = support::drawSymbol(frame, {.symbology = BARCODE_MAXICODE, .data = "TWO ON A ROW", .option1 = 4},
                                         {.moduleSize = 4.0, .centre = support::Point{xs[k], 150}, .quietZone = 2});
        ASSERT_TRUE(symbols[k].ok) << symbols[k].error;
    }
    support::Point const left = symbols[0].toFrame({14.5, 14.43335});
    support::Point const right = symbols[1].toFrame({14.5, 14.43335});
    int const y = static_cast<int>(left.y);
    ASSERT_EQ(SearchRow(frame, y), 23);
    EXPECT_NEAR(finder_MX.eye.x, left.x, 1.0);
    // The same row again in the same image: the left bull's-eye is refused
    // as seen before, the right one is found.
    POINT_st start{0, y};
    POINT_st end{frame.width - 1, y};
    ASSERT_GT(copy_runlength_MX(MULTI_RunlenA.runs + 1, MULTI_RunlenA.count - 1, MULTI_RunlenA.runs[0]), 0);
    ASSERT_EQ(search_finder_mx(&start, &end, 2), 23);
    EXPECT_NEAR(finder_MX.eye.x, right.x, 1.0);
    // A third time both are refused as seen, after their lines were measured
    // again; every window read the row's own runs, which the buffer holds
    // once more.
    EXPECT_EQ(search_finder_mx(&start, &end, 2), 129);
    int const count = MULTI_RunlenA.count - 1 < kMaxiCheckRuns ? MULTI_RunlenA.count - 1 : kMaxiCheckRuns;
    for (int i = 0; i < count; ++i) {
        ASSERT_EQ(MX_Bg32lenbarA[i], MULTI_RunlenA.runs[i + 1]) << i;
    }
}

TEST(MaxiFinderSearchTest, RowsWithoutABullsEyeAndLinesItDoesNotTakeAreRefused)
{
    auto const bars = support::render({.symbology = BARCODE_CODE128, .data = "NO RINGS HERE 0123"}, {.moduleSize = 3.0});
    ASSERT_TRUE(bars.symbol.ok) << bars.symbol.error;
    EXPECT_EQ(SearchRow(bars.frame, bars.frame.height / 2), 129);
    EXPECT_EQ(MX_try_cnt, 0) << "no window reached the outline";

    // Only rows walked left to right: the windows' positions are x values.
    POINT_st a{10, 10};
    POINT_st b{10, 100};
    POINT_st c{300, 10};
    EXPECT_EQ(search_finder_mx(&a, &b, 2), 129);
    EXPECT_EQ(search_finder_mx(&c, &a, 2), 129);
    EXPECT_EQ(search_finder_mx(nullptr, &a, 2), 129);
    unsigned short const runs[1] = {64};
    EXPECT_EQ(copy_runlength_MX(runs, 0, 0), -1);
    EXPECT_EQ(copy_runlength_MX(nullptr, 5, 0), -1);
    EXPECT_EQ(search_finder_mx(&a, &c, 2), 129) << "no runs kept after a refused copy";
}

}  // namespace
