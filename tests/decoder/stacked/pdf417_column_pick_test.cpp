// Characters read from the grey values at their module centres: a column
// of a drawn symbol picked from its outline or between its border lines,
// and the rules by which a reading is booked to a row.
#include <gtest/gtest.h>

#include <vector>

#include "decoder/core/geometry/geometry.h"
#include "decoder/core/shared_memory_distributor.h"
#include "decoder/linear/line/rate_for_tuning_calculator.h"
#include "decoder/stacked/pdf417/column_data.h"
#include "decoder/stacked/pdf417/data_stack_array.h"
#include "decoder/stacked/pdf417/mod3_of_cluster.h"
#include "decoder/stacked/pdf417/pdf_column_pick_subroutine.h"
#include "decoder/stacked/pdf417/pdf_column_scan_subroutine.h"
#include "tests/decoder/stacked/pdf417_symbol_cells.h"

namespace {

using DEC2DIvra::ColumnData;
using DEC2DIvra::ColumnDataElement;
using DEC2DIvra::DataCharacterStack;
using DEC2DIvra::Line;
using DEC2DIvra::LineSegment;
using DEC2DIvra::Mod3OfCluster;
using DEC2DIvra::PDFCharacterWithScore;
using DEC2DIvra::PDFColumnPickSubroutine;
using DEC2DIvra::Point;

class Pdf417ColumnPick : public ::testing::Test {
protected:
    std::vector<unsigned char> work = std::vector<unsigned char>(400000);
    DEC2DIvra::SharedMemoryDistributor memory{work.data(), static_cast<unsigned>(work.size())};
    DEC2DIvra::RateForTuningCalculator tuning;
    DEC2DIvra::CalcSegmentScoreSubroutine score;
    PDFColumnPickSubroutine pick{memory, tuning, score};
};

TEST_F(Pdf417ColumnPick, ReadsEveryCharacterOfAnOutlinedColumn)
{
    struct Case {
        char const* name;
        double moduleSize;
        double angle;
        bool inverted;
        double blur;
        double perspective;
    };
    Case const cases[] = {
        {"upright", 3.0, 0.0, false, 0.0, 0.0},
        // Light on dark reads the same values.
        {"inverted", 3.0, 0.0, true, 0.0, 0.0},
        {"turned and blurred", 3.5, 23.0, false, 0.7, 0.0},
        {"in perspective", 4.0, -12.0, true, 0.5, 0.3},
    };
    ASSERT_TRUE(pick.IsReady());
    for (Case const& c : cases) {
        pdf417_test::DrawnSymbol const symbol =
            pdf417_test::Draw({.data = "Picked from the grey values of the mesh", .option2 = 3},
                              {.moduleSize = c.moduleSize, .angle = c.angle, .inverted = c.inverted,
                               .perspectiveX = c.perspective, .blur = c.blur});
        ASSERT_TRUE(symbol.ok) << c.name;
        for (int column = 1; column <= symbol.dataColumns; ++column) {
            DataCharacterStack stack;
            ASSERT_TRUE(pdf417_test::OutlineColumn(symbol, column, stack));
            ASSERT_TRUE(pick.Start(symbol.Image(), c.inverted, 0, 16, false, stack)) << c.name;
            unsigned read = 0;
            for (int r = 0; r < symbol.rows; ++r) {
                if (stack.score[r] == 0) {
                    continue;
                }
                ++read;
                EXPECT_EQ(stack[static_cast<unsigned>(r)].value, symbol.At(r, column)->value)
                    << c.name << " row " << r << " column " << column;
                EXPECT_EQ(stack[static_cast<unsigned>(r)].pattern, symbol.At(r, column)->pattern16) << c.name;
            }
            EXPECT_EQ(read, static_cast<unsigned>(symbol.rows)) << c.name << " column " << column;
        }
    }
}

TEST_F(Pdf417ColumnPick, ReadsAColumnBetweenBorderLinesIntoItsRows)
{
    pdf417_test::DrawnSymbol const symbol = pdf417_test::Draw(
        {.data = "Between four border lines", .option2 = 2}, {.moduleSize = 3.0, .angle = 8.0, .blur = 0.4});
    ASSERT_TRUE(symbol.ok);
    // The left row indicator as read, for the row numbers.
    std::vector<ColumnDataElement> buffer(ColumnData::kCapacity);
    ColumnData reference(buffer.data(), ColumnData::kCapacity);
    reference.SetOrientation(1);
    for (int r = 0; r < symbol.rows; ++r) {
        pdf417_test::Cell const& cell = *symbol.At(r, 0);
        ColumnDataElement element;
        element.row = static_cast<signed char>(r);
        element.codeword = static_cast<unsigned short>(cell.value);
        element.score = 60000;
        element.segment = cell.segment;
        element.cluster = cell.cluster;
        ASSERT_TRUE(reference.Push(element));
    }
    reference.Sort();
    ASSERT_TRUE(reference.CalcCenterLine());
    Mod3OfCluster order;
    order.SetIdentity();
    // Data column 1: its borders at module 34 and 51, closed at the top
    // and bottom of the symbol.
    double const height = symbol.rendering.symbol.heightModules;
    DEC2DIvra::RegionBorderLine border;
    ASSERT_TRUE(DEC2DIvra::Geometry::CalcLine(symbol.PointAt(0, 0), symbol.PointAt(60, 0), border.line[0]));
    ASSERT_TRUE(DEC2DIvra::Geometry::CalcLine(symbol.PointAt(51, 0), symbol.PointAt(51, height), border.line[1]));
    ASSERT_TRUE(DEC2DIvra::Geometry::CalcLine(symbol.PointAt(0, height), symbol.PointAt(60, height), border.line[2]));
    ASSERT_TRUE(DEC2DIvra::Geometry::CalcLine(symbol.PointAt(34, 0), symbol.PointAt(34, height), border.line[3]));
    std::vector<ColumnDataElement> outBuffer(ColumnData::kCapacity);
    ColumnData out(outBuffer.data(), ColumnData::kCapacity);
    ASSERT_TRUE(pick.Start(symbol.Image(), &order, static_cast<unsigned>(symbol.rows), reference, border, 16, false,
                           false, false, true, out));
    EXPECT_EQ(out.GetOrientation(), 1u);
    std::vector<int> seen(static_cast<size_t>(symbol.rows));
    for (unsigned i = 0; i < out.GetCount(); ++i) {
        ColumnDataElement const& e = out[i];
        ASSERT_GE(e.row, 0);
        ASSERT_LT(e.row, symbol.rows);
        EXPECT_EQ(e.codeword, symbol.At(e.row, 1)->value) << "row " << int(e.row);
        EXPECT_EQ(e.cluster, symbol.At(e.row, 1)->cluster);
        seen[static_cast<size_t>(e.row)] = 1;
    }
    for (int r = 0; r < symbol.rows; ++r) {
        EXPECT_EQ(seen[static_cast<size_t>(r)], 1) << "row " << r << " of " << symbol.rows;
    }
}

TEST_F(Pdf417ColumnPick, StepsAlongTheColumnFollowItsLength)
{
    // A square column 16 units wide (modules 0 to 15 of a 17-module one)
    // makes 16 steps; a long one at most 270; a short one at least rows - 1.
    std::vector<unsigned short> pixels(640 * 480, 512);
    DEC2DIvra::GrayImage const image(640, 480, 640, pixels.data());
    std::vector<ColumnDataElement> buffer(ColumnData::kCapacity);
    ColumnData reference(buffer.data(), ColumnData::kCapacity);
    ColumnData out(buffer.data(), ColumnData::kCapacity);
    struct Case {
        char const* name;
        int width;   // pixels across 17 modules
        int length;  // pixels along the column
        unsigned rows;
        unsigned meshRows;
    };
    Case const cases[] = {
        {"square", 160, 160, 3, 16 + 3},
        {"long", 17, 420, 3, 270 + 3},
        {"short", 170, 20, 30, 29 + 3},
    };
    for (Case const& c : cases) {
        int const x0 = 20 * 256;
        int const y0 = 30 * 256;
        int const x1 = x0 + c.width * 256;
        int const y1 = y0 + c.length * 256;
        DEC2DIvra::RegionBorderLine border;
        border.line[0] = Line(0, 1, -y0);
        border.line[1] = Line(1, 0, -x1);
        border.line[2] = Line(0, 1, -y1);
        border.line[3] = Line(1, 0, -x0);
        ASSERT_TRUE(pick.Start(image, nullptr, c.rows, reference, border, 16, false, false, false, false, out))
            << c.name;
        EXPECT_EQ(pick.GetMesh().GetHeight(), c.meshRows) << c.name;
    }
}

TEST_F(Pdf417ColumnPick, ClusterOfAPatternNeedsFourBarsAndFourSpaces)
{
    struct Case {
        unsigned short pattern;  // modules 1 to 16, a space 1
        bool ok;
        int cluster;
    };
    unsigned pattern17 = 0;
    ASSERT_TRUE(DEC2DIvra::PDFCharacterTable::ValueAndClusterToPattern(0, 3, pattern17));
    Case const cases[] = {
        {static_cast<unsigned short>(pattern17 & 0xFFFF), true, 3},
        {0b0111'1111'1111'1111, false, 0},  // one bar, one space
        {0b1010'1010'1010'1011, false, 0},  // too many bars
        {0b1010'1010'1010'1010, false, 0},  // ends on a bar
    };
    for (Case const& c : cases) {
        int cluster = -1;
        EXPECT_EQ(pick.CalcClusterFromPattern(c.pattern, cluster), c.ok) << c.pattern;
        if (c.ok) {
            EXPECT_EQ(cluster, c.cluster);
        }
    }
}

TEST_F(Pdf417ColumnPick, RegisterBooksAReadingToTheRowItsClusterNames)
{
    unsigned patterns[3] = {};
    for (unsigned k = 0; k < 3; ++k) {
        ASSERT_TRUE(DEC2DIvra::PDFCharacterTable::ValueAndClusterToPattern(100, 3 * k, patterns[k]));
    }
    Line const scanLine(0, 1, -50 * 256);     // y = 50
    Line const firstBorder(1, 0, -10 * 256);  // x = 10
    Line const secondBorder(1, 0, -61 * 256); // x = 61
    struct Case {
        char const* name;
        unsigned char place[3];  // places of clusters 0, 3, 6
        unsigned cluster;
        unsigned row;
        unsigned rows;
        bool ok;
        int booked;  // -1: nothing stored
    };
    Case const cases[] = {
        {"cluster in its place", {0, 1, 2}, 3, 4, 10, true, 4},
        {"place 2 at row 4: the row below", {0, 1, 2}, 6, 4, 10, true, 5},
        {"place 0 at row 5: the row below", {0, 1, 2}, 0, 5, 10, true, 6},
        {"place 1 at row 5: the row above", {0, 1, 2}, 3, 5, 10, true, 4},
        {"booked at the row count", {0, 1, 2}, 0, 8, 9, false, -1},
    };
    for (Case const& c : cases) {
        Mod3OfCluster order;
        order.count = 3;
        for (unsigned k = 0; k < 3; ++k) order.place[k] = c.place[k];
        std::vector<ColumnDataElement> buffer(4);
        ColumnData out(buffer.data(), 4);
        PDFCharacterWithScore const character{100, 50000};
        EXPECT_EQ(pick.Register(&order, firstBorder, secondBorder, c.row, c.rows, scanLine,
                                patterns[c.cluster / 3] & 0xFFFF, character, 400, false, out),
                  c.ok)
            << c.name;
        ASSERT_EQ(out.GetCount(), c.booked < 0 ? 0u : 1u) << c.name;
        if (c.booked >= 0) {
            EXPECT_EQ(out[0].row, c.booked) << c.name;
            EXPECT_EQ(out[0].cluster, c.cluster) << c.name;
            EXPECT_EQ(out[0].contrast, 100) << c.name;
            EXPECT_EQ(out[0].segment, (LineSegment{{10 * 256, 50 * 256}, {61 * 256, 50 * 256}})) << c.name;
        }
    }
    // Reversed: the segment runs from the second border to the first. Full:
    // success, nothing stored.
    std::vector<ColumnDataElement> one(1);
    ColumnData out(one.data(), 1);
    PDFCharacterWithScore const character{100, 50000};
    ASSERT_TRUE(pick.Register(nullptr, firstBorder, secondBorder, 3, 10, scanLine, patterns[0] & 0xFFFF, character,
                              400, true, out));
    EXPECT_EQ(out[0].segment, (LineSegment{{61 * 256, 50 * 256}, {10 * 256, 50 * 256}}));
    EXPECT_EQ(out[0].row, 3);
    EXPECT_TRUE(pick.Register(nullptr, firstBorder, secondBorder, 4, 10, scanLine, patterns[0] & 0xFFFF, character,
                              400, false, out));
    EXPECT_EQ(out.GetCount(), 1u);
    EXPECT_EQ(out[0].row, 3);
}

TEST_F(Pdf417ColumnPick, OneModuleOffIsCorrectedTowardsTheExpectedCluster)
{
    unsigned pattern17 = 0;
    ASSERT_TRUE(DEC2DIvra::PDFCharacterTable::ValueAndClusterToPattern(417, 3, pattern17));
    unsigned short const truth = static_cast<unsigned short>(pattern17 & 0xFFFF);
    // Greys that follow the true pattern, module 0 dark and 16 light.
    DEC2DIvra::Array<unsigned, 17> luminance;
    luminance[0] = 100;
    luminance[16] = 900;
    for (unsigned m = 1; m <= 15; ++m) {
        luminance[m] = ((truth >> (16 - m)) & 1u) != 0 ? 900 : 100;
    }
    // The binarisation got one module wrong; its grey is halfway.
    unsigned const wrong = 7;
    luminance[wrong] = 520;
    unsigned short const measured = static_cast<unsigned short>(truth ^ (1u << (16 - wrong)));
    unsigned short pattern = 0;
    unsigned value = 0;
    unsigned short corrected = 0;
    ASSERT_TRUE(pick.CalcPatternFromCluster(luminance, false, 500, 3, measured, pattern, value, corrected));
    EXPECT_EQ(pattern, truth);
    EXPECT_EQ(value, 417u);
    EXPECT_GT(corrected, PDFColumnPickSubroutine::kCorrectedScore);
    // Asked for another cluster, no single flip gives a character there
    // that fits the greys well enough.
    EXPECT_FALSE(pick.CalcPatternFromCluster(luminance, false, 500, 6, measured, pattern, value, corrected));
    // Flat greys score 0 everywhere: nothing is taken.
    DEC2DIvra::Array<unsigned, 17> flat;
    for (unsigned m = 0; m < 17; ++m) flat[m] = 500;
    EXPECT_FALSE(pick.CalcPatternFromCluster(flat, false, 500, 3, measured, pattern, value, corrected));
}

// With the tuning statistics on, every character read passes its bars and
// spaces to them; off, nothing is passed.
TEST_F(Pdf417ColumnPick, ReadCharactersFeedTheTuningStatistics)
{
    pdf417_test::DrawnSymbol const symbol =
        pdf417_test::Draw({.data = "Tuning statistics", .option2 = 2}, {.moduleSize = 3.0, .blur = 0.4});
    ASSERT_TRUE(symbol.ok);
    for (bool enabled : {false, true}) {
        tuning.Initialize(enabled);
        DataCharacterStack stack;
        ASSERT_TRUE(pdf417_test::OutlineColumn(symbol, 1, stack));
        ASSERT_TRUE(pick.Start(symbol.Image(), false, 0, 16, false, stack));
        // Four bars and four spaces per character read.
        EXPECT_EQ(tuning.GetDarkCount(), enabled ? 4u * static_cast<unsigned>(symbol.rows) : 0u);
        EXPECT_EQ(tuning.GetLightCount(), enabled ? 4u * static_cast<unsigned>(symbol.rows) : 0u);
        int separation = 0;
        int normalised = 0;
        signed char angle = 0;
        unsigned overlaps = 0;
        EXPECT_EQ(tuning.CalcResult(separation, normalised, angle, overlaps), enabled);
        if (enabled) {
            EXPECT_GT(separation, 200);
            EXPECT_EQ(overlaps, 0u);
        }
    }
}

}  // namespace
