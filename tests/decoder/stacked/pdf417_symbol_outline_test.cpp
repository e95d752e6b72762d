// Placing a PDF417 symbol in the image: the row direction from its start and
// stop columns, and the symbol's region.
#include <gtest/gtest.h>

#include <zint.h>

#include <algorithm>
#include <cmath>
#include <string>
#include <vector>

#include "decoder/core/gray_image.h"
#include "decoder/core/shared_memory_distributor.h"
#include "decoder/stacked/pdf417/calc_code_region_subroutine.h"
#include "decoder/stacked/pdf417/calc_code_vector_subroutine.h"
#include "decoder/stacked/pdf417/calc_symbol_outline_subroutine.h"
#include "decoder/stacked/pdf417/data_column_array.h"
#include "decoder/stacked/pdf417/micro_finder_column_data.h"
#include "decoder/stacked/pdf417/row_indicator_column_data.h"
#include "decoder/stacked/pdf417/row_indicator_scan_subroutine.h"
#include "decoder/stacked/pdf417/search_finder_subroutine.h"
#include "decoder/stacked/pdf417/start_stop_column_data.h"
#include "decoder/stacked/pdf_character_table.h"
#include "tests/support/symbol_renderer.h"

namespace {

using namespace DEC2DIvra;

// A column of `count` patterns one row (4 pixels) apart, starting at x.
struct FinderColumn {
    std::vector<ColumnDataElement> buffer = std::vector<ColumnDataElement>(64);
    StartStopColumnData data{buffer.data(), 64};

    FinderColumn(unsigned count, int x)
    {
        for (unsigned i = 0; i < count; ++i) {
            ColumnDataElement e;
            int const y = static_cast<int>(i) * 4 * 256;
            e.segment = LineSegment{Point{x, y}, Point{x + 17 * 256, y}};
            static_cast<ColumnData&>(data).Push(e);
        }
    }
};

TEST(Pdf417SymbolOutline, CodeVectorNeedsColumnsOfComparableLength)
{
    struct Case {
        unsigned starts;
        unsigned stops;
        bool found;
    };
    for (Case const c : {Case{10, 21, false}, Case{10, 20, true}, Case{21, 10, false}, Case{20, 10, true},
                         Case{1, 1, true}, Case{0, 5, false}}) {
        FinderColumn start(c.starts, 1000);
        FinderColumn stop(c.stops, 1000 + 100 * 256);
        Vector vector{7, 7};
        CalcCodeVectorSubroutine calc;
        EXPECT_EQ(calc.Start(&start.data, &stop.data, vector), c.found) << c.starts << " / " << c.stops;
        if (c.found) {
            // From the middle of the start column to the middle of the stop column.
            int const dy = (static_cast<int>(c.stops) - static_cast<int>(c.starts)) * 2 * 256;
            EXPECT_EQ(vector, (Vector{100 * 256, dy}));
        } else {
            EXPECT_EQ(vector, (Vector{7, 7}));
        }
    }
    FinderColumn one(5, 0);
    Vector vector;
    CalcCodeVectorSubroutine calc;
    EXPECT_FALSE(calc.Start(&one.data, nullptr, vector));
    EXPECT_FALSE(calc.Start(nullptr, &one.data, vector));
}

}  // namespace

namespace {

using namespace DEC2DIvra;

// Drawn symbols: the start and stop columns the search builds give the row
// direction, and with the row indicators the symbol's region.
TEST(Pdf417SymbolOutline, CodeVectorAndRegionOfDrawnSymbols)
{
    PDFCharacterTable::Initialize();
    std::vector<unsigned char> work(1u << 21);
    SharedMemoryDistributor memory{work.data(), static_cast<unsigned>(work.size())};
    SearchFinderSubroutine finder{memory};
    RowIndicatorScanSubroutine scan{memory};
    ASSERT_TRUE(finder.IsReady() && scan.IsReady());
    std::vector<StartStopColumnData> startStopColumns(SearchFinderSubroutine::kStartStopColumns);
    std::vector<MicroFinderColumnData> microColumns(SearchFinderSubroutine::kMicroColumns);
    std::vector<ColumnDataElement> storage(2 * ColumnData::kCapacity);
    struct Case {
        int columns;
        double angle;
        bool inverted;
    };
    for (Case const c : {Case{3, 0, false}, Case{5, 15, false}, Case{2, -25, true}, Case{4, 180, false}}) {
        SCOPED_TRACE(std::to_string(c.columns) + " columns at " + std::to_string(c.angle));
        support::SymbolInput input;
        input.symbology = BARCODE_PDF417;
        input.data = "Region of a drawn symbol 0123456789";
        input.option1 = 2;
        input.option2 = c.columns;
        support::Rendering const r =
            support::render(input, {.moduleSize = 3.0, .angle = c.angle, .inverted = c.inverted, .blur = 0.6, .noise = 4});
        ASSERT_TRUE(r.symbol.ok);
        GrayImage const image(r.frame.width, r.frame.height, r.frame.width, r.frame.pixels.data());
        auto const toPoint = [](support::Point const& p) {
            return Point{static_cast<int>(std::lround(p.x)), static_cast<int>(std::lround(p.y))};
        };
        double const middle = r.symbol.heightModules / 2;
        LineSegment const segment{toPoint(r.symbol.toFrame({-5.0, middle})),
                                  toPoint(r.symbol.toFrame({r.symbol.widthModules + 5.0, middle}))};
        StartStopColumnDataStack startStop{startStopColumns.data(), SearchFinderSubroutine::kStartStopColumns};
        MicroFinderColumnDataStack micro{microColumns.data(), SearchFinderSubroutine::kMicroColumns};
        ASSERT_EQ(finder.Start(image, segment, 5, true, false, true, true, true, false, startStop, micro), 1u);
        StartStopColumnData const* start = nullptr;
        StartStopColumnData const* stop = nullptr;
        bool reversed = false;
        ASSERT_TRUE(startStop.GetStartStopColumnDataPtr(start, stop, reversed));
        EXPECT_EQ(reversed, c.inverted);

        Vector vector;
        ASSERT_TRUE(CalcCodeVectorSubroutine().Start(start, stop, vector));
        // Along the rows, about the distance from the start to the stop pattern.
        double const length = std::hypot(vector.dx / 256.0, vector.dy / 256.0) / 3.0;
        EXPECT_NEAR(length, r.symbol.widthModules - 18, 3.0);
        double const along = std::atan2(vector.dy, vector.dx) * 180 / M_PI;
        EXPECT_NEAR(std::remainder(along - c.angle, 360.0), 0.0, 3.0);

        RowIndicatorColumnData left{storage.data(), ColumnData::kCapacity};
        RowIndicatorColumnData right{storage.data() + ColumnData::kCapacity, ColumnData::kCapacity};
        Mod3OfCluster order;
        DecodeParameterForPDF parameter;
        ASSERT_TRUE(scan.Start(image, vector, start, stop, reversed, left, right, order, parameter));
        DataColumnArray columns;
        Region region;
        ASSERT_TRUE(
            CalcCodeRegionSubroutine().Start(image, start, stop, &left, &right, parameter, columns, region));
        // From the start pattern's outer edge to the stop pattern's, through
        // the middles of the first and last rows.
        double const rowHeight = r.symbol.heightModules / r.symbol.rows;
        support::Point const expected[4] = {
            r.symbol.toFrame({0.0, rowHeight / 2}), r.symbol.toFrame({r.symbol.widthModules, rowHeight / 2}),
            r.symbol.toFrame({r.symbol.widthModules, r.symbol.heightModules - rowHeight / 2}),
            r.symbol.toFrame({0.0, r.symbol.heightModules - rowHeight / 2})};
        for (unsigned i = 0; i < 4; ++i) {
            EXPECT_NEAR(region[i].x, expected[i].x, 6.0) << i;
            EXPECT_NEAR(region[i].y, expected[i].y, 6.0) << i;
        }
    }
}

}  // namespace

namespace {

using namespace DEC2DIvra;

// A light frame with one character drawn as vertical stripes, 4 pixels a
// module, from x = 40 and from row `top` down to row `bottom` (exclusive).
struct StripeFrame {
    static constexpr int kWidth = 200;
    static constexpr int kHeight = 200;
    static constexpr int kLeft = 40;
    static constexpr int kModule = 4;
    std::vector<unsigned short> pixels = std::vector<unsigned short>(kWidth * kHeight, 900);

    StripeFrame(unsigned pattern, int top, int bottom)
    {
        for (int y = top; y < bottom; ++y) {
            for (int m = 0; m < 17; ++m) {
                // Bars are the clear bits of a pattern.
                bool const bar = ((pattern >> (16 - m)) & 1u) == 0;
                for (int x = 0; x < kModule; ++x) {
                    pixels[static_cast<size_t>(y * kWidth + kLeft + m * kModule + x)] = bar ? 100 : 900;
                }
            }
        }
    }
    GrayImage Image() const { return GrayImage(kWidth, kHeight, kWidth, pixels.data()); }
    // The character's segment across row y, in 1/256 pixel.
    static LineSegment Row(int y)
    {
        return LineSegment{Point{kLeft * 256, y * 256}, Point{(kLeft + 17 * kModule) * 256, y * 256}};
    }
};

TEST(Pdf417SymbolOutline, OuterEdgeIsWhereTheComplementOfTheRowWins)
{
    PDFCharacterTable::Initialize();
    unsigned pattern = 0;
    ASSERT_TRUE(PDFCharacterTable::ValueAndClusterToPattern(17, 0, pattern));
    CalcSymbolOutlineSubroutine outline;
    Vector const down{0, 4 * 256};
    LineSegment outer;
    // The character ends 8 pixels below the row: the quiet zone there wins.
    StripeFrame const ending(pattern, 60, 108);
    ASSERT_TRUE(outline.CalcSymbolOuterSegment(ending.Image(), false, StripeFrame::Row(100), pattern, down, outer));
    EXPECT_GE(outer.begin.y, 108 * 256);
    EXPECT_LE(outer.begin.y, 112 * 256);
    // The border against the quiet zone lies on the character's lower edge.
    LineSegment border;
    ASSERT_TRUE(outline.CalcSymbolBorderSegment(ending.Image(), false, StripeFrame::Row(100), pattern, outer, border));
    EXPECT_NEAR(border.begin.y / 256.0, 108.0, 1.0);
    EXPECT_NEAR(border.end.y / 256.0, 108.0, 1.0);
    // Ten steps that all show the row's own pattern: no edge.
    StripeFrame const endless(pattern, 20, 190);
    EXPECT_FALSE(outline.CalcSymbolOuterSegment(endless.Image(), false, StripeFrame::Row(60), pattern, down, outer));
}

TEST(Pdf417SymbolOutline, RowsThatDoNotShowTheirPatternGetNoMeasuredBorder)
{
    PDFCharacterTable::Initialize();
    unsigned upper = 0;
    unsigned lower = 0;
    ASSERT_TRUE(PDFCharacterTable::ValueAndClusterToPattern(17, 0, upper));
    ASSERT_TRUE(PDFCharacterTable::ValueAndClusterToPattern(402, 3, lower));
    CalcSymbolOutlineSubroutine outline;
    LineSegment border;
    // Two rows of their own patterns: the border falls between them.
    StripeFrame both(upper, 40, 60);
    StripeFrame const second(lower, 60, 80);
    std::copy(second.pixels.begin() + 60 * StripeFrame::kWidth, second.pixels.begin() + 80 * StripeFrame::kWidth,
              both.pixels.begin() + 60 * StripeFrame::kWidth);
    ASSERT_TRUE(outline.CalcCharacterBorder(both.Image(), false, StripeFrame::Row(50), upper, StripeFrame::Row(70), lower,
                                            border));
    EXPECT_NEAR(border.begin.y / 256.0, 60.0, 2.5);
    // A blank frame scores below 256: the caller takes the midpoint.
    StripeFrame const blank(upper, 0, 0);
    EXPECT_FALSE(outline.CalcCharacterBorder(blank.Image(), false, StripeFrame::Row(50), upper, StripeFrame::Row(70),
                                             lower, border));
    // One data column is never outlined.
    DecodeParameterForPDF parameter;
    parameter.rows = 10;
    parameter.columns = 1;
    std::vector<DataCharacterStack> stacks(1);
    DataStackArray array;
    array.Set(stacks.data(), 1, 10);
    unsigned ratio = 0;
    bool narrow = false;
    std::vector<ColumnDataElement> buffer(16);
    ColumnData column(buffer.data(), 16);
    EXPECT_FALSE(outline.Start(blank.Image(), false, &column, &column, parameter, ratio, narrow, array));
}

}  // namespace
