// The row indicators read from drawn PDF417 symbols: the start and stop
// columns found by the search, then the two row indicator columns read
// beside them and the symbol's size voted from what they say.
#include <gtest/gtest.h>
#include <zint.h>

#include <cmath>
#include <string>
#include <vector>

#include "decoder/core/geometry/geometry.h"
#include "decoder/core/gray_image.h"
#include "decoder/core/shared_memory_distributor.h"
#include "decoder/stacked/pdf417/calc_pdf_column_subroutine.h"
#include "decoder/linear/line/rate_for_tuning_calculator.h"
#include "decoder/stacked/pdf417/pdf_column_pick_subroutine.h"
#include "decoder/stacked/pdf417/pdf_column_scan_subroutine.h"
#include "decoder/stacked/pdf417/row_indicator_column_data.h"
#include "decoder/stacked/pdf417/row_indicator_pick_subroutine.h"
#include "decoder/stacked/pdf417/row_indicator_scan_subroutine.h"
#include "decoder/stacked/pdf417/row_scan_line_generator.h"
#include "decoder/stacked/pdf417/search_finder_subroutine.h"
#include "decoder/stacked/pdf_character_table.h"
#include "tests/support/random.h"
#include "tests/support/symbol_renderer.h"

namespace {

using namespace DEC2DIvra;

struct Case {
    int columns;
    int level;
    double module;
    double angle;
    bool inverted;
    bool againstRows;
    double perspective = 0;
};

class RowIndicatorRead : public ::testing::Test {
protected:
    void SetUp() override { PDFCharacterTable::Initialize(); }

    // The midpoint of a pattern column: between the start points of its
    // first and last records.
    static Point Middle(StartStopColumnData const& column)
    {
        Point m;
        Geometry::CalcCenterPoint(column[0].segment.begin, column[column.GetCount() - 1].segment.begin, m);
        return m;
    }

    template <class Reader>
    void ReadDrawnSymbols(Reader const& reader, bool perspective);

    std::vector<unsigned char> work = std::vector<unsigned char>(1u << 22);
    SharedMemoryDistributor memory{work.data(), static_cast<unsigned>(work.size())};
    SearchFinderSubroutine finder{memory};
    RowIndicatorScanSubroutine scan{memory};
    StartStopColumnData startStopColumns[SearchFinderSubroutine::kStartStopColumns];
    MicroFinderColumnData microColumns[SearchFinderSubroutine::kMicroColumns];
    StartStopColumnDataStack startStop{startStopColumns, SearchFinderSubroutine::kStartStopColumns};
    MicroFinderColumnDataStack micro{microColumns, SearchFinderSubroutine::kMicroColumns};
    std::vector<ColumnDataElement> storage = std::vector<ColumnDataElement>(2 * ColumnData::kCapacity);
    RowIndicatorColumnData left{storage.data(), ColumnData::kCapacity};
    RowIndicatorColumnData right{storage.data() + ColumnData::kCapacity, ColumnData::kCapacity};
};

// Reads every case with `reader` (either row indicator reader) and checks
// the size, the row numbers and the row scan lines laid from the columns.
template <class Reader>
void RowIndicatorRead::ReadDrawnSymbols(Reader const& reader, bool perspective)
{
    ASSERT_TRUE(finder.IsReady());
    ASSERT_TRUE(reader.IsReady());
    Case const cases[] = {
        {3, 2, 3.0, 0, false, false},  {5, 3, 2.5, 12, false, false}, {2, 1, 3.0, -20, true, false},
        {4, 4, 2.0, 180, false, false}, {3, 2, 3.0, 0, false, true},  {4, 3, 2.5, 6, false, false, 0.15},
        {3, 5, 2.5, -4, false, false, -0.15},
        // Three rows upside down: one group of rows, no direction from it.
        {8, 0, 2.2, 180, false, false},          {4, 0, 2.2, 90, false, false},
    };
    for (Case const& c : cases) {
        if (c.perspective != 0 && !perspective) {
            continue;
        }
        SCOPED_TRACE(std::to_string(c.columns) + " columns at " + std::to_string(c.angle) + " degrees" +
                     (c.inverted ? ", light on dark" : "") + (c.againstRows ? ", searched from the stop end" : "") +
                     (c.perspective != 0 ? ", in perspective" : ""));
        support::SymbolInput input;
        input.symbology = BARCODE_PDF417;
        input.data = c.level == 0 ? "Short" : "Row indicators 0123456789 abcdefghijklmnopqrstuvwxyz";
        input.option1 = c.level;
        input.option2 = c.columns;
        support::Rendering const r = support::render(
            input, {.moduleSize = c.module,
                                                  .angle = c.angle,
                                                  .inverted = c.inverted,
                                                  .perspectiveX = c.perspective,
                                                  .blur = 0.6,
                                                  .noise = 4});
        ASSERT_TRUE(r.symbol.ok);
        GrayImage const image(r.frame.width, r.frame.height, r.frame.width, r.frame.pixels.data());
        support::Point const a = r.symbol.toFrame({-5.0, r.symbol.heightModules / 2});
        support::Point const b = r.symbol.toFrame({r.symbol.widthModules + 5.0, r.symbol.heightModules / 2});
        LineSegment segment{Point{static_cast<int>(std::lround(a.x)), static_cast<int>(std::lround(a.y))},
                            Point{static_cast<int>(std::lround(b.x)), static_cast<int>(std::lround(b.y))}};
        if (c.againstRows) {
            segment = LineSegment{segment.end, segment.begin};
        }
        startStop.Clear();
        micro.Clear();
        ASSERT_EQ(finder.Start(image, segment, 5, true, false, true, true, true, false, startStop, micro), 1u);
        StartStopColumnData const* start = nullptr;
        StartStopColumnData const* stop = nullptr;
        bool reversedPolarity = false;
        ASSERT_TRUE(startStop.GetStartStopColumnDataPtr(start, stop, reversedPolarity));
        Point const from = Middle(*start);
        Point const to = Middle(*stop);
        Vector const codeVector{to.x - from.x, to.y - from.y};

        Mod3OfCluster order;
        DecodeParameterForPDF parameter;
        ASSERT_TRUE(reader.Start(image, codeVector, start, stop, reversedPolarity, left, right, order, parameter));
        EXPECT_EQ(parameter.rows, static_cast<unsigned>(r.symbol.rows));
        EXPECT_EQ(parameter.columns, static_cast<unsigned>(c.columns));
        EXPECT_EQ(parameter.level, static_cast<unsigned>(c.level));
        // Every row number read lies at its row (a line read near a row's
        // edge may reach into the next), and most rows were read.
        double const rowHeight = r.symbol.heightModules / r.symbol.rows;
        for (RowIndicatorColumnData const* column : {&left, &right}) {
            for (unsigned i = 0; i < column->GetCount(); ++i) {
                Point const p = ColumnData::CalcCenter((*column)[i]);
                support::Point const m = r.symbol.toModule({p.x / 256.0, p.y / 256.0});
                EXPECT_NEAR((*column)[i].row + 0.5, m.y / rowHeight, 1.0) << i;
            }
        }
        EXPECT_GT(left.CalcRowCount(), static_cast<unsigned>(r.symbol.rows) / 2);
        EXPECT_GT(right.CalcRowCount(), static_cast<unsigned>(r.symbol.rows) / 2);

        // Row scan lines from both columns, and from the left one alone with
        // the code vector: each runs along the middle of its row.
        ASSERT_GT(left.GetCount(), 0u);
        ASSERT_GT(right.GetCount(), 0u);
        for (bool both : {true, false}) {
            SCOPED_TRACE(both ? "both row indicators" : "left row indicator alone");
            RowScanLineGenerator rows;
            ASSERT_TRUE(CalcRowScanLineSubroutine().Start(image, codeVector, &left, both ? &right : nullptr,
                                                          parameter.rows, rows));
            for (unsigned row = 0; row < parameter.rows; ++row) {
                LineSegment line;
                ASSERT_TRUE(rows.GetScanLine(0, static_cast<int>(row), line));
                // A lone column's far side is only moved by the code vector,
                // which perspective does not follow.
                bool const farSideMeasured = both || c.perspective == 0;
                for (Point const& p : {line.begin, farSideMeasured ? line.end : line.begin}) {
                    support::Point const m = r.symbol.toModule({p.x / 256.0, p.y / 256.0});
                    EXPECT_NEAR(m.y / rowHeight, row + 0.5, 0.3) << row;
                }
            }
        }
    }
}

// The scan lines of the fallback follow the start and stop columns'
// middle records, so it is held to symbols seen square on.
TEST_F(RowIndicatorRead, ScanReadsTheSizeOfDrawnSymbols) { ReadDrawnSymbols(scan, false); }

TEST_F(RowIndicatorRead, PickReadsTheSizeOfDrawnSymbols)
{
    RateForTuningCalculator tuning;
    CalcSegmentScoreSubroutine score;
    PDFColumnScanSubroutine columnScan(memory, tuning);
    PDFColumnPickSubroutine columnPick(memory, tuning, score);
    RowIndicatorPickSubroutine const pick(memory, columnScan, columnPick);
    ReadDrawnSymbols(pick, true);
}

// Pattern columns laid anywhere over noise, with any direction (off the
// image, degenerate, crossing themselves): both readers answer, and never
// with a symbol whose size they could not have read.
TEST_F(RowIndicatorRead, ColumnsOverNoiseGiveNoSymbol)
{
    RateForTuningCalculator tuning;
    CalcSegmentScoreSubroutine score;
    PDFColumnScanSubroutine columnScan(memory, tuning);
    PDFColumnPickSubroutine columnPick(memory, tuning, score);
    RowIndicatorPickSubroutine const pick(memory, columnScan, columnPick);
    support::Random random(7);
    std::vector<unsigned short> pixels(640 * 480);
    for (unsigned short& p : pixels) {
        p = static_cast<unsigned short>(random.integer(0, 1023));
    }
    GrayImage const image(640, 480, 640, pixels.data());
    StartStopColumnData& start = startStopColumns[0];
    StartStopColumnData& stop = startStopColumns[1];
    std::vector<ColumnDataElement> records(2 * ColumnData::kCapacity);
    for (int trial = 0; trial < 40; ++trial) {
        SCOPED_TRACE(trial);
        start = StartStopColumnData(records.data(), ColumnData::kCapacity);
        stop = StartStopColumnData(records.data() + ColumnData::kCapacity, ColumnData::kCapacity);
        start.SetPattern(343);
        stop.SetPattern(747);
        int const count = random.integer(0, 12);
        for (int i = 0; i < count; ++i) {
            for (StartStopColumnData* column : {&start, &stop}) {
                Point const p{random.integer(-2000, 700) * 256 + random.integer(0, 255), random.integer(-100, 600) * 256};
                Point const q{p.x + random.integer(-60, 60) * 256, p.y + random.integer(-8, 8) * 256};
                column->Push(LineSegment{p, q}, static_cast<unsigned>(random.integer(0, 20000)));
            }
        }
        for (StartStopColumnData* column : {&start, &stop}) {
            column->SetOrientation(static_cast<unsigned>(random.integer(0, 2)));
            column->Sort();
            column->CalcCenterLine();
        }
        Vector const codeVector{random.integer(-200, 200) * 256, random.integer(-20, 20) * 256};
        Mod3OfCluster order;
        DecodeParameterForPDF parameter;
        EXPECT_FALSE(pick.Start(image, codeVector, &start, &stop, false, left, right, order, parameter));
        EXPECT_FALSE(scan.Start(image, codeVector, &start, trial % 2 == 0 ? &stop : nullptr, true, left, right,
                                order, parameter));
    }
}

}  // namespace
