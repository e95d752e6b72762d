// The column lattice of a stacked symbol: codeword columns with their fits,
// built columns stepped sideways onto the image's edges, row scan lines
// spaced by perspective, and thick scan lines turned into runs, on columns
// made up here and on PDF417 symbols drawn by zint.
#include <gtest/gtest.h>

#include <cmath>
#include <string>
#include <vector>

#include "decoder/core/geometry/geometry.h"
#include "decoder/core/gray_image.h"
#include "decoder/core/shared_memory_distributor.h"
#include "decoder/linear/roads/pick_line_subroutine.h"
#include "decoder/linear/roads/scan_buffer.h"
#include "decoder/linear/roads/scan_subroutine.h"
#include "decoder/stacked/pdf417/calc_pdf_column_subroutine.h"
#include "decoder/stacked/pdf417/column_data.h"
#include "decoder/stacked/pdf417/pdf_column.h"
#include "decoder/stacked/pdf417/pdf_scan_line.h"
#include "decoder/stacked/pdf417/row_scan_line_generator.h"
#include "tests/support/symbol_renderer.h"

namespace {

using namespace DEC2DIvra;

struct Column {
    std::vector<ColumnDataElement> storage = std::vector<ColumnDataElement>(ColumnData::kCapacity);
    ColumnData data{storage.data(), ColumnData::kCapacity};
    Column() { data.SetOrientation(1); }
    // A codeword of `row` across the column at height y (pixels), from x0 to x1.
    void Add(int row, double y, double x0, double x1)
    {
        ColumnDataElement e;
        e.row = static_cast<signed char>(row);
        e.segment = LineSegment{{static_cast<int>(x0 * 256), static_cast<int>(y * 256)},
                                {static_cast<int>(x1 * 256), static_cast<int>(y * 256)}};
        e.contrast = 100;
        e.score = 65535;
        ASSERT_TRUE(data.Push(e));
    }
};

int Pixel(int v) { return static_cast<int>(std::lround(v / 256.0)); }

TEST(Pdf417ColumnData, OneRowNumberGivesNoSegmentNorPickParameter)
{
    Column c;
    for (int i = 0; i < 6; ++i) {
        c.Add(5, 100 + 4 * i, 50, 100);
    }
    ASSERT_TRUE(c.data.CalcCenterLine());
    LineSegment segment;
    EXPECT_FALSE(c.data.CalcLineSegment(10, segment));
    Line across;
    ASSERT_TRUE(Geometry::CalcLine(Point{0, 110 * 256}, Point{256, 110 * 256}, across));
    GrayImage const image;
    int row = 0;
    EXPECT_FALSE(c.data.CalcPickParameter(image, across, row));
}

TEST(Pdf417ColumnData, RowsExtendToTheSymbolsFirstAndLastRow)
{
    // Rows 2..7 at 10 pixels a row starting at y = 120 for row 2: row 0 lies
    // at y = 100 and row 11 of 12 at y = 210.
    Column c;
    for (int row = 2; row <= 7; ++row) {
        c.Add(row, 100 + 10 * row - 2, 40, 60);
        c.Add(row, 100 + 10 * row + 2, 40, 60);
    }
    LineSegment s;
    ASSERT_TRUE(c.data.CalcLineSegment(12, s));
    EXPECT_EQ(Pixel(s.begin.x), 50);
    EXPECT_EQ(Pixel(s.begin.y), 100);
    EXPECT_EQ(Pixel(s.end.y), 210);

    unsigned width = 0;
    unsigned height = 0;
    ASSERT_TRUE(c.data.CalcChebyshevWidth(width));
    ASSERT_TRUE(c.data.CalcChebyshevHeight(height));
    EXPECT_EQ(width, 20u * 256);
    EXPECT_EQ(height, 54u * 256);

    // A line across at row 4's height picks row 4, inside the column.
    ASSERT_TRUE(c.data.CalcCenterLine());
    Line across;
    ASSERT_TRUE(Geometry::CalcLine(Point{0, 140 * 256}, Point{256, 140 * 256}, across));
    unsigned contrast = 0;
    int row = -1;
    bool outside = true;
    ASSERT_TRUE(c.data.CalcPickParameter(GrayImage{}, across, contrast, row, outside));
    EXPECT_EQ(row, 4);
    EXPECT_EQ(contrast, 400u);
    EXPECT_FALSE(outside);
    // Beyond the last element the crossing is outside.
    ASSERT_TRUE(Geometry::CalcLine(Point{0, 200 * 256}, Point{256, 200 * 256}, across));
    ASSERT_TRUE(c.data.CalcPickParameter(GrayImage{}, across, contrast, row, outside));
    EXPECT_TRUE(outside);
    EXPECT_EQ(row, 10);
}

TEST(Pdf417ColumnData, IrregularWidthsAndRowsAreRemoved)
{
    struct Case {
        const char* name;
        std::vector<double> widths;
        unsigned kept;
    };
    // Neighbours in length order within 19/17 all stay; a jump beyond it
    // cuts the list there.
    Case const cases[] = {
        {"steady growth within 19/17", {17, 18.5, 20, 21.5, 23.5, 26}, 6},
        {"one short outlier", {8, 20, 20.5, 21, 21, 21.5}, 5},
        {"one long outlier", {20, 20.5, 21, 21, 21.5, 30}, 5},
    };
    for (Case const& k : cases) {
        SCOPED_TRACE(k.name);
        Column c;
        for (size_t i = 0; i < k.widths.size(); ++i) {
            c.Add(static_cast<int>(i), 100 + 10 * static_cast<double>(i), 40, 40 + k.widths[i]);
        }
        c.data.DeleteIrregularWidth();
        EXPECT_EQ(c.data.GetCount(), k.kept);
        for (unsigned i = 1; i < c.data.GetCount(); ++i) {
            EXPECT_LE(c.data[i - 1].segment.begin.y, c.data[i].segment.begin.y);  // sorted again
        }
    }

    // A misread row number among rising rows is the one removed.
    Column c;
    int const rows[] = {0, 1, 2, 9, 4, 5, 6};
    for (int i = 0; i < 7; ++i) {
        c.Add(rows[i], 100 + 10 * i, 40, 60);
    }
    c.data.AdjustY();
    ASSERT_EQ(c.data.GetCount(), 6u);
    EXPECT_TRUE(c.data.CheckRowNumbers());
    for (unsigned i = 0; i < c.data.GetCount(); ++i) {
        EXPECT_NE(c.data[i].row, 9);
    }
}

TEST(Pdf417RowScanLines, StepInsideTheirRowAndNeedThreeRows)
{
    RowScanLineGenerator g;
    Point const corners[4] = {{100 * 256, 100 * 256}, {300 * 256, 100 * 256}, {300 * 256, 190 * 256},
                              {100 * 256, 190 * 256}};
    EXPECT_FALSE(g.Set(2, corners));
    ASSERT_TRUE(g.Set(10, corners));
    LineSegment row4;
    LineSegment s;
    ASSERT_TRUE(g.GetScanLine(0, 4, row4));
    EXPECT_EQ(Pixel(row4.begin.y), 140);
    ASSERT_TRUE(g.CalcLineSegment(4, s));
    EXPECT_EQ(s, row4);
    ASSERT_TRUE(g.GetScanLine(1, 4, s));
    EXPECT_EQ(s.begin.y, row4.begin.y - 256);  // towards the previous row
    ASSERT_TRUE(g.GetScanLine(2, 4, s));
    EXPECT_EQ(s.begin.y, row4.begin.y + 256);  // towards the next row
    // 10-pixel rows: 5 pixels towards the previous row still lie inside
    // (its half height rounds up), 5 towards the next row do not.
    EXPECT_TRUE(g.GetScanLine(8, 4, s));
    EXPECT_TRUE(g.GetScanLine(9, 4, s));
    EXPECT_FALSE(g.GetScanLine(10, 4, s));
    EXPECT_FALSE(g.GetScanLine(11, 4, s));
    // Outside the rows the lines are extrapolated.
    ASSERT_TRUE(g.GetScanLine(0, -1, s));
    EXPECT_EQ(Pixel(s.begin.y), 90);

    // A first row twice as wide as the last: rows crowd towards the last.
    Point const keystone[4] = {{100 * 256, 100 * 256}, {300 * 256, 100 * 256}, {250 * 256, 190 * 256},
                               {150 * 256, 190 * 256}};
    ASSERT_TRUE(g.Set(10, keystone));
    LineSegment r1;
    LineSegment r8;
    ASSERT_TRUE(g.GetScanLine(0, 1, r1));
    ASSERT_TRUE(g.GetScanLine(0, 8, r8));
    LineSegment r0;
    LineSegment r9;
    ASSERT_TRUE(g.GetScanLine(0, 0, r0));
    ASSERT_TRUE(g.GetScanLine(0, 9, r9));
    EXPECT_GT(r1.begin.y - r0.begin.y, r9.begin.y - r8.begin.y);
}

// A PDF417 symbol drawn upright, with helpers to place codewords of the
// drawn rows into columns.
struct DrawnSymbol {
    support::Rendering r;
    std::vector<unsigned short> pixels;
    GrayImage image;
    double rowHeight = 0;

    explicit DrawnSymbol(double module, double angle = 0)
    {
        support::SymbolInput input;
        input.symbology = BARCODE_PDF417;
        input.data = "Column lattice 0123456789";
        input.option2 = 3;
        r = support::render(input, {.moduleSize = module, .angle = angle, .blur = 0.5});
        pixels.assign(r.frame.pixels.begin(), r.frame.pixels.end());
        image = GrayImage(r.frame.width, r.frame.height, r.frame.width, pixels.data());
        rowHeight = r.symbol.heightModules / r.symbol.rows;
    }
    Point At(double mx, double my) const
    {
        support::Point const p = r.symbol.toFrame({mx, my});
        return Point{static_cast<int>(std::lround(p.x * 256)), static_cast<int>(std::lround(p.y * 256))};
    }
    // The codewords of module columns [x0, x0 + 17) in every row.
    void Fill(ColumnData& column, double x0) const
    {
        for (int row = 0; row < r.symbol.rows; ++row) {
            double const y = (row + 0.5) * rowHeight;
            ColumnDataElement e;
            e.row = static_cast<signed char>(row);
            e.segment = LineSegment{At(x0, y), At(x0 + 17, y)};
            column.Push(e);
        }
    }
};

TEST(Pdf417ColumnLattice, StepsOneColumnOntoTheSymbolsEdges)
{
    CalcPDFColumnSubroutine const columns;
    for (double angle : {0.0, 20.0, -35.0}) {
        DrawnSymbol s(3.0, angle);
        ASSERT_TRUE(s.r.symbol.ok);
        Column start;
        start.data.SetOrientation(std::abs(angle) < 45 ? 1 : 0);
        s.Fill(start.data, 0);
        PDFColumn startColumn;
        ASSERT_TRUE(columns.Start(start.data, 0, startColumn));
        EXPECT_NEAR(startColumn.width, 51 * 256 * std::max(std::cos(angle * M_PI / 180), std::abs(std::sin(angle * M_PI / 180))), 300);
        EXPECT_FALSE(startColumn.narrow);

        Point const from = s.At(0, 0);
        Point const to = s.At(100, 0);
        Vector const codeVector{to.x - from.x, to.y - from.y};
        auto moduleX = [&s](Line const& border) {
            Line across;
            Point cross;
            EXPECT_TRUE(Geometry::CalcLine(s.At(0, 3 * s.rowHeight), s.At(60, 3 * s.rowHeight), across));
            EXPECT_TRUE(Geometry::CalcCrossPoint(across, border, cross));
            return s.r.symbol.toModule({cross.x / 256.0, cross.y / 256.0}).x;
        };
        for (unsigned rows : {0u, 9u}) {  // the plain edge fit, and the fine one
            SCOPED_TRACE(std::to_string(angle) + " degrees, rows " + std::to_string(rows));
            PDFColumn indicator;
            ASSERT_TRUE(columns.Start(s.image, startColumn, codeVector, rows, false, 0, indicator));
            // The fitted second border is the row indicator's far edge.
            EXPECT_NEAR(moduleX(indicator.second), 34, 0.3);
            EXPECT_NEAR(moduleX(indicator.first), 17, 0.3);
            // Module-centre line 8 runs through the middle of the column.
            EXPECT_NEAR(moduleX(indicator.inner[8]), 25.5, 0.3);
            // And back: the start pattern's column from the row indicator's.
            PDFColumn back;
            ASSERT_TRUE(columns.Start(s.image, indicator, codeVector, rows, false, 1, back));
            EXPECT_NEAR(moduleX(back.first), 0, 0.3);

            // Between the start column and the stepped one lies the same border.
            PDFColumn between;
            ASSERT_TRUE(columns.Start(startColumn, indicator, between));
            EXPECT_EQ(between.first, startColumn.second);
            EXPECT_EQ(between.second, indicator.first);
        }
    }

    Vector const codeVector{256 * 100, 0};
    // Stepping out from a column 16 pixels wide is refused.
    DrawnSymbol small(16.0 / 17);
    Column thin;
    small.Fill(thin.data, 0);
    PDFColumn thinColumn;
    ASSERT_TRUE(columns.Start(thin.data, 0, thinColumn));
    EXPECT_TRUE(thinColumn.narrow);
    PDFColumn refused;
    EXPECT_FALSE(columns.Start(small.image, thinColumn, codeVector, 0, false, 0, refused));
}

TEST(Pdf417ColumnLattice, RowLinesFollowTheDrawnRows)
{
    DrawnSymbol s(2.0);
    ASSERT_TRUE(s.r.symbol.ok);
    Column left;
    Column right;
    s.Fill(left.data, 17);
    s.Fill(right.data, s.r.symbol.widthModules - 35);
    // Leave rows out of both sides: they are divided between measured rows.
    left.data.Remove(4);
    right.data.Remove(4);
    RowScanLineGenerator g;
    unsigned const rows = static_cast<unsigned>(s.r.symbol.rows);
    ASSERT_TRUE(g.Set(s.image, rows, left.data, right.data));
    for (unsigned row = 0; row < rows; ++row) {
        LineSegment line;
        ASSERT_TRUE(g.GetScanLine(0, static_cast<int>(row), line));
        support::Point const m = s.r.symbol.toModule({line.begin.x / 256.0, line.begin.y / 256.0});
        EXPECT_NEAR(m.y, (row + 0.5) * s.rowHeight, 0.25 * s.rowHeight) << row;
    }
}

TEST(Pdf417ColumnLattice, ScanParameterLiesAcrossTheNextCodeword)
{
    for (double angle : {0.0, 25.0}) {
        DrawnSymbol s(3.0, angle);
        ASSERT_TRUE(s.r.symbol.ok);
        Column indicator;
        s.Fill(indicator.data, 17);  // the left row indicator, modules 17 to 34
        ASSERT_TRUE(indicator.data.CalcCenterLine());
        for (bool narrow : {true, false}) {
            SCOPED_TRACE(std::to_string(angle) + (narrow ? " degrees, 23 modules" : " degrees, 25.5 modules"));
            Line row;
            double const y = 4.5 * s.rowHeight;
            ASSERT_TRUE(Geometry::CalcLine(s.At(0, y), s.At(60, y), row));
            ScanParameter parameter;
            ASSERT_TRUE(indicator.data.CalcScanParameter(s.image, row, parameter, false, narrow));
            EXPECT_EQ(parameter.row, 4);
            EXPECT_FALSE(parameter.outside);
            EXPECT_EQ(parameter.loose, !narrow);
            LineSegment const& line = parameter.line.GetSegment();
            support::Point const begin = s.r.symbol.toModule({static_cast<double>(line.begin.x), static_cast<double>(line.begin.y)});
            support::Point const end = s.r.symbol.toModule({static_cast<double>(line.end.x), static_cast<double>(line.end.y)});
            EXPECT_NEAR(begin.x, 32, 0.5);
            EXPECT_NEAR(end.x, narrow ? 55 : 57.5, 0.5);
            EXPECT_NEAR(begin.y, 4.5 * s.rowHeight, 0.5);
            // The expected width is the reference codeword's, along the line.
            EXPECT_NEAR(parameter.line.GetCodeWidth() / 256.0, 51 * std::max(std::cos(angle * M_PI / 180), std::sin(angle * M_PI / 180)), 1.0);
        }
        // On the far side the scan line runs back from the column's start.
        Line row;
        ASSERT_TRUE(Geometry::CalcLine(s.At(0, 2.5 * s.rowHeight), s.At(60, 2.5 * s.rowHeight), row));
        ScanParameter back;
        ASSERT_TRUE(indicator.data.CalcScanParameter(s.image, row, back, true, true));
        support::Point const begin = s.r.symbol.toModule({static_cast<double>(back.line.GetSegment().begin.x), static_cast<double>(back.line.GetSegment().begin.y)});
        EXPECT_NEAR(begin.x, 19, 0.5);
        // Beyond the last row the crossing is outside.
        ASSERT_TRUE(Geometry::CalcLine(s.At(0, s.r.symbol.rows * s.rowHeight + 5), s.At(60, s.r.symbol.rows * s.rowHeight + 5), row));
        ScanParameter beyond;
        if (indicator.data.CalcScanParameter(s.image, row, beyond, false, true)) {
            EXPECT_TRUE(beyond.outside);
        }
    }
}

TEST(Pdf417ScanLine, ThickLinesReadTheRunsOfARowAtAnyAngle)
{
    std::vector<unsigned char> work(ScanSubroutine::kWorkBytes + 4096 * 16 + 1024);
    SharedMemoryDistributor memory(work.data(), static_cast<unsigned>(work.size()));
    ScanSubroutine const scan(memory);
    ScanBuffer buffer;
    ASSERT_TRUE(buffer.Initialize(memory, 2048, 1024));
    PickLineSubroutine const pick(buffer.GetSamples(), 8);

    for (double angle : {0.0, 30.0, 45.0, 100.0}) {
        DrawnSymbol s(2.0, angle);
        ASSERT_TRUE(s.r.symbol.ok);
        // Across row 2 from the quiet zone before to the quiet zone after.
        double const y = 2.5 * s.rowHeight;
        Point const a = s.At(-5, y);
        Point const b = s.At(s.r.symbol.widthModules + 5, y);
        LineSegment const across{{a.x / 256, a.y / 256}, {b.x / 256, b.y / 256}};
        for (unsigned thickness : {1u, 3u}) {
            SCOPED_TRACE(std::to_string(angle) + " degrees, thickness " + std::to_string(thickness));
            PDFScanLine line;
            ASSERT_TRUE(line.Set(s.image, across, thickness));
            unsigned contrast = 0;
            ASSERT_TRUE(line.Scan(s.image, pick, scan, buffer, contrast));
            EXPECT_GT(contrast, 500u);
            unsigned dark = 0;
            for (unsigned i = 0; i < buffer.GetRuns().GetCount(); ++i) {
                dark += buffer.GetRuns()[i].colour == kDarkRun ? 1 : 0;
            }
            // start (4 bars) + 5 codewords (4 bars each) + stop (5 bars)
            EXPECT_EQ(dark, 4u + 5 * 4 + 5);
            // The 4-connected walk visits a pixel more for every diagonal step.
            ASSERT_TRUE(line.PickForManhattan(s.image, pick, buffer));
            LineSegment const& t = line.GetSegment();
            EXPECT_EQ(buffer.GetSamples().GetCount(),
                      static_cast<unsigned>(std::abs(t.end.x - t.begin.x) + std::abs(t.end.y - t.begin.y) + 1));
            // Line coordinates map back onto the image.
            Point p;
            int coordinate = 0;
            ASSERT_TRUE(line.CalcRealLineCoordPoint(s.image, 10 << 8, 8, p));
            ASSERT_TRUE(line.CalcRealLineCoord(s.image, 8, p, coordinate));
            EXPECT_EQ(coordinate, 10 << 8);
        }
    }
    // A line with no part inside the image margin is refused; a move that
    // would leave the image is refused and changes nothing.
    DrawnSymbol s(2.0);
    PDFScanLine line;
    EXPECT_FALSE(line.Set(s.image, LineSegment{{0, 0}, {0, 200}}, 3));
    ASSERT_TRUE(line.Set(s.image, LineSegment{{10, 100}, {600, 100}}, 1));
    EXPECT_FALSE(line.Move(s.image, Vector{0, 400}));
    EXPECT_EQ(line.GetSegment(), (LineSegment{{10, 100}, {600, 100}}));
    ASSERT_TRUE(line.Move(s.image, Vector{0, 50}));
    EXPECT_EQ(line.GetSegment().begin.y, 150);
}

}  // namespace
