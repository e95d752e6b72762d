// The codeword model the image reader's stages share: the row vote of a data
// column, the codeword and erasure lists built from columns and character
// stacks, the filler rule, the module-centre lines of a character column and
// the row indicator characters a symbol's parameters call for.
#include <gtest/gtest.h>

#include <vector>

#include "decoder/core/geometry/geometry.h"
#include "decoder/stacked/pdf417/data_column_array.h"
#include "decoder/stacked/pdf417/data_stack_array.h"
#include "decoder/stacked/pdf_character_table.h"
#include "tests/decoder/stacked/pdf_symbol_fixture.h"

namespace {

using namespace DEC2DIvra;

struct Reading {
    int row;
    unsigned short value;
    unsigned short score;
};

// A data column over its own buffer, holding the readings in order.
struct Column {
    std::vector<ColumnDataElement> buffer = std::vector<ColumnDataElement>(64);
    DataColumnData data{buffer.data(), 64};

    explicit Column(std::vector<Reading> const& readings)
    {
        data.Reset(0);
        for (Reading const& r : readings) {
            ColumnDataElement e;
            e.row = static_cast<signed char>(r.row);
            e.codeword = r.value;
            e.score = r.score;
            data.Push(e);
        }
    }
};

TEST(Pdf417CodewordModel, RowVoteTakesTheSurestValueAndLeavesTiesAndWeakReadingsMissing)
{
    struct Case {
        char const* name;
        std::vector<Reading> readings;
        unsigned short expected;  // row 0
        unsigned count;
    };
    std::vector<Case> const cases = {
        {"one sure reading", {{0, 7, 40000}}, 7, 1},
        {"score 26214 does not vote", {{0, 7, 26214}}, 65535, 0},
        {"score 26215 votes", {{0, 7, 26215}}, 7, 1},
        {"tie of two values", {{0, 7, 30000}, {0, 8, 30000}}, 65535, 0},
        {"a value keeps its best score", {{0, 7, 30000}, {0, 8, 40000}, {0, 7, 50000}}, 7, 1},
        {"weaker repeat does not lower it", {{0, 8, 40000}, {0, 7, 50000}, {0, 7, 27000}}, 7, 1},
        {"fifth distinct value is dropped",
         {{0, 1, 30000}, {0, 2, 30001}, {0, 3, 30002}, {0, 4, 30003}, {0, 5, 60000}},
         4,
         1},
        {"no reading", {{1, 3, 60000}}, 65535, 1},
    };
    for (Case const& c : cases) {
        Column column(c.readings);
        Array<unsigned short, 90> values;
        column.data.GetValue(values);
        EXPECT_EQ(values[0], c.expected) << c.name;
        EXPECT_EQ(column.data.CountValue(), c.count) << c.name;
    }
}

TEST(Pdf417CodewordModel, RowMetTwiceInTheListCountsOnce)
{
    Column column({{0, 5, 40000}, {1, 6, 40000}, {0, 5, 40000}});
    Array<unsigned short, 90> values;
    column.data.GetValue(values);
    EXPECT_EQ(values[0], 5);
    EXPECT_EQ(values[1], 6);
    EXPECT_EQ(column.data.CountValue(), 2u);
}

TEST(Pdf417CodewordModel, CodewordListPlacesRowsAcrossColumnsAndErasuresColumnByColumn)
{
    // Two columns of three rows; column 0 misses row 1, column 1 misses rows 0 and 2.
    Column first({{0, 10, 60000}, {2, 12, 60000}});
    Column second({{1, 21, 60000}});
    DataColumnData columns[2] = {first.data, second.data};
    DataColumnArray array;
    array.Set(columns, 2, 3);
    std::vector<unsigned short> cw(2700, 999);
    std::vector<unsigned short> er(2700);
    StackInterface<unsigned short> codewords(cw.data(), 2700);
    StackInterface<unsigned short> erasures(er.data(), 2700);
    erasures.Push(77);
    ASSERT_TRUE(array.GetCodeWords(codewords, erasures));
    EXPECT_EQ(std::vector<unsigned short>(cw.begin(), cw.begin() + 6), (std::vector<unsigned short>{10, 0, 0, 21, 12, 0}));
    EXPECT_EQ(codewords.GetCount(), 6u);
    EXPECT_EQ(std::vector<unsigned short>(er.begin(), er.begin() + erasures.GetCount()),
              (std::vector<unsigned short>{2, 1, 5}));

    // An erasure list without room records what fits; the codewords are all written.
    StackInterface<unsigned short> small(er.data(), 1);
    ASSERT_TRUE(array.GetCodeWords(codewords, small));
    EXPECT_EQ(small.GetCount(), 1u);
    EXPECT_EQ(cw[5], 0);

    // More cells than the list holds is refused.
    StackInterface<unsigned short> shortList(cw.data(), 5);
    EXPECT_FALSE(array.GetCodeWords(shortList, erasures));
}

TEST(Pdf417CodewordModel, CharacterStacksGiveOnlySureCharacters)
{
    std::vector<DataCharacterStack> stacks(2);
    for (unsigned c = 0; c < 2; ++c) {
        stacks[c].Clear(2);
        stacks[c][0].value = static_cast<unsigned short>(100 + c);
        stacks[c][1].value = static_cast<unsigned short>(200 + c);
        stacks[c].score[0] = 45875;
        stacks[c].score[1] = 45874;
    }
    DataStackArray array;
    array.Set(stacks.data(), 2, 2);
    std::vector<unsigned short> cw(2700);
    std::vector<unsigned short> er(2700);
    StackInterface<unsigned short> codewords(cw.data(), 2700);
    StackInterface<unsigned short> erasures(er.data(), 2700);
    ASSERT_TRUE(array.GetCodeWords(codewords, erasures));
    EXPECT_EQ(std::vector<unsigned short>(cw.begin(), cw.begin() + 4), (std::vector<unsigned short>{100, 101, 0, 0}));
    EXPECT_EQ(std::vector<unsigned short>(er.begin(), er.begin() + erasures.GetCount()),
              (std::vector<unsigned short>{2, 3}));
}

TEST(Pdf417CodewordModel, TrailingErasuresAfterAFillerPairBecomeFillers)
{
    // Data: 6, 100, 900, 900, ?, ?; one erasure (index 1) before the pair stays.
    std::vector<unsigned short> cw = {6, 0, 900, 900, 0, 0, 55, 66};
    std::vector<unsigned short> er = {1, 4, 5, 7};
    StackInterface<unsigned short> codewords(cw.data(), 8);
    codewords.SetCount(8);
    StackInterface<unsigned short> erasures(er.data(), 4);
    erasures.SetCount(4);
    DataColumnArray array;
    ASSERT_TRUE(array.SetFillers(6, codewords, erasures));
    EXPECT_EQ(cw, (std::vector<unsigned short>{6, 0, 900, 900, 900, 900, 55, 66}));
    EXPECT_EQ(std::vector<unsigned short>(er.begin(), er.begin() + erasures.GetCount()),
              (std::vector<unsigned short>{1, 7}));
    // No pair of equal fillers: the rule does not apply.
    std::vector<unsigned short> lone = {4, 900, 5, 900};
    StackInterface<unsigned short> loneList(lone.data(), 4);
    loneList.SetCount(4);
    EXPECT_FALSE(array.SetFillers(4, loneList, erasures));
}

TEST(Pdf417CodewordModel, ModuleCentreLinesDivideTheColumnAndNarrowColumnsAreFlagged)
{
    struct Case {
        int width;  // 1/256 pixel
        bool narrow;
    };
    for (Case const c : {Case{34 * 256, false}, Case{6528, false}, Case{6527, true}}) {
        DataCharacterStack stack;
        stack.Clear(3);
        stack.Boundary(0) = LineSegment{Point{1000, 2000}, Point{1000 + c.width, 2000}};
        stack.Boundary(3) = LineSegment{Point{1000, 8000}, Point{1000 + c.width, 8000}};
        ASSERT_TRUE(stack.SetVerticalData());
        EXPECT_EQ(stack.narrow, c.narrow) << c.width;
        // A rectangle: line k is vertical at (2k + 1) / 34 of the width.
        for (unsigned k = 0; k < 17; ++k) {
            Line const& line = stack.moduleLine[k];
            ASSERT_EQ(line.b, 0);
            long long const x = 1000 + (static_cast<long long>(c.width) * (2 * k + 1) + 17) / 34;
            EXPECT_NEAR(static_cast<double>(-line.c) / line.a, static_cast<double>(x), 1.0) << k;
        }
    }
    // A column longer on its right side is nearer the camera there: its middle
    // module shows at left length / (left + right) of the way across.
    DataCharacterStack stack;
    stack.Clear(1);
    stack.Boundary(0) = LineSegment{Point{0, 0}, Point{3400, -500}};
    stack.Boundary(1) = LineSegment{Point{0, 1000}, Point{3400, 1500}};
    ASSERT_TRUE(stack.SetVerticalData());
    Point centre;
    Line row;
    ASSERT_TRUE(Geometry::CalcLine(Point{0, 500}, Point{3400, 500}, row));
    ASSERT_TRUE(Geometry::CalcCrossPoint(stack.moduleLine[8], row, centre));
    EXPECT_NEAR(centre.x, 3400 * 1000 / 3000, 2);
    // No character: nothing to divide.
    DataCharacterStack empty;
    empty.Clear(0);
    EXPECT_FALSE(empty.SetVerticalData());
}

TEST(Pdf417CodewordModel, RowCentreSegmentJoinsTheMidpointsOfItsBorders)
{
    DataCharacterStack stack;
    stack.Clear(2);
    stack.Boundary(0) = LineSegment{Point{0, 0}, Point{100, 10}};
    stack.Boundary(1) = LineSegment{Point{0, 40}, Point{100, 50}};
    stack.Boundary(2) = LineSegment{Point{0, 80}, Point{100, 90}};
    stack.SetRowCenterSegment(1);
    EXPECT_EQ(stack[1].rowCenter, (LineSegment{Point{0, 60}, Point{100, 70}}));
}

// The row indicators a zint symbol carries beside its start and stop
// patterns are those its rows, columns and level call for.
TEST(Pdf417CodewordModel, ExpectedRowIndicatorsMatchEncodedSymbols)
{
    PDFCharacterTable::Initialize();
    struct Case {
        int columns;
        int level;
        char const* data;
    };
    for (Case const c : {Case{1, 0, "A"}, Case{3, 2, "ROW INDICATORS 0123456789"},
                         Case{5, 5, "The quick brown fox jumps over the lazy dog 1234567890"}}) {
        pdf_test::Options options;
        options.data = c.data;
        options.option1 = c.level;
        options.option2 = c.columns;
        pdf_test::Encoded const symbol = pdf_test::Encode(options);
        ASSERT_TRUE(symbol.ok) << symbol.error;
        DecodeParameterForPDF parameter;
        parameter.rows = static_cast<unsigned>(symbol.rows.size());
        parameter.columns = static_cast<unsigned>(c.columns);
        parameter.level = static_cast<unsigned>(c.level);
        for (bool right : {false, true}) {
            RowIndicatorStack stack;
            stack.Initialize(right, parameter);
            ASSERT_EQ(stack.rows, parameter.rows);
            for (unsigned r = 0; r < stack.rows; ++r) {
                std::vector<int> const& row = symbol.rows[r];
                // Start (17 modules), left indicator, data, right indicator, stop (18).
                size_t const from = right ? row.size() - 18 - 17 : 17;
                unsigned pattern = 0;
                for (size_t m = 0; m < 17; ++m) {
                    pattern = pattern << 1 | static_cast<unsigned>(1 - row[from + m]);  // bars 0
                }
                EXPECT_EQ(stack.expectedPattern[r], pattern) << c.data << " row " << r << (right ? " right" : " left");
                EXPECT_EQ(stack.matched[r], 0);
            }
        }
    }
    // Parameters no symbol has give an empty stack.
    DecodeParameterForPDF none;
    RowIndicatorStack stack;
    stack.Initialize(false, none);
    EXPECT_EQ(stack.rows, 0u);
    EXPECT_EQ(stack.GetCount(), 0u);
}

}  // namespace
