// MicroPDF417 row address columns as the search leaves them: the choice of
// left, center and right, the size vote and the row numbers.

#include <gtest/gtest.h>

#include <vector>

#include "decoder/stacked/pdf417/micro_finder_column_data.h"
#include "decoder/stacked/pdf417/mod3_of_cluster.h"

using namespace DEC2DIvra;

namespace {

constexpr int kModule = 3 * 256;  // 3 pixels, in 1/256 pixel

// A column of row address patterns at `x` modules (its left end), one record
// per number, 3 modules apart down the symbol, as the search pushes them.
struct Column {
    std::vector<ColumnDataElement> buffer = std::vector<ColumnDataElement>(96);
    MicroFinderColumnData data{buffer.data(), 96};

    Column(double x, std::vector<int> const& numbers, bool center = false, bool reversed = false,
           bool inverted = false)
    {
        data.SetOrientation(1);
        data.center = center;
        data.reversed = reversed;
        data.inverted = inverted;
        int y = 0;
        for (int n : numbers) {
            int const left = static_cast<int>(x * kModule);
            data.Push(LineSegment{Point{left, y}, Point{left + 10 * kModule, y}}, 10 * kModule,
                      static_cast<unsigned>(n), 0);
            y += 3 * kModule;
        }
        unsigned const count = data.GetCount();
        if (count > 0) {
            data.lineSegment = LineSegment{ColumnData::CalcCenter(data[0]), ColumnData::CalcCenter(data[count - 1])};
        }
    }
};

std::vector<int> Numbers(int first, int count)
{
    std::vector<int> numbers;
    for (int i = 0; i < count; ++i) {
        numbers.push_back((first - 1 + i) % 52 + 1);
    }
    return numbers;
}

unsigned Vote(MicroFinderColumnData const* left, MicroFinderColumnData const* center,
              MicroFinderColumnData const* right, MicroPDFVersionTable::Element& element)
{
    MicroFinderColumnData stackColumns[1];
    MicroFinderColumnDataStack stack(stackColumns, 1);
    MicroPDFVersionBallotBox box;
    box.Load();
    Mod3OfCluster order;
    return stack.GetMicroPDFVersion(box, left, center, right, element, order);
}

}  // namespace

// Votes from the left and right columns: enough rows seen wins the size,
// too few wins none; two sizes sharing their row addresses go by the
// distance between the columns.
TEST(PDF417MicroVersion, SizeVoteFromSideColumns)
{
    struct Case {
        char const* what;
        int rightAt;          // modules from the left column to the right one
        int leftFirst, rightFirst, rows;  // numbers seen in each column
        unsigned columns;     // 0: no size; 99: not the size of sizeRows rows
        unsigned sizeRows;
    };
    Case const cases[] = {
        {"1 x 11, all rows", 27, 1, 9, 11, 1, 11},
        {"2 x 11, 7 rows a column", 44, 1, 9, 7, 2, 11},
        // The same numbers between neighbouring columns are the 1-column size.
        {"1 x 11, 7 rows a column", 27, 1, 9, 7, 1, 11},
        // Too few rows for 2 x 11 (a CC-A size whose row addresses overlap
        // them may still win).
        {"2 x 11, 5 rows a column", 44, 1, 9, 5, 99, 11},
        // A distance that fits no column layout.
        {"columns too far apart", 70, 1, 9, 11, 0, 0},
    };
    for (Case const& c : cases) {
        Column const left(0, Numbers(c.leftFirst, c.rows));
        Column const right(c.rightAt, Numbers(c.rightFirst, c.rows));
        MicroPDFVersionTable::Element element{};
        unsigned const answer = Vote(&left.data, nullptr, &right.data, element);
        if (c.columns == 99) {
            EXPECT_TRUE(answer == 0 || element.rows != c.sizeRows) << c.what;
            continue;
        }
        EXPECT_EQ(answer != 0, c.columns != 0) << c.what;
        if (answer != 0) {
            EXPECT_EQ(element.columns, c.columns) << c.what;
            EXPECT_EQ(element.rows, c.sizeRows) << c.what;
        }
    }
    // A left column alone is no symbol.
    Column const lone(0, Numbers(1, 11));
    MicroPDFVersionTable::Element element{};
    EXPECT_EQ(Vote(&lone.data, nullptr, nullptr, element), 0u);
}

// Equal votes and rows: the fewer data columns first, the next size when the
// columns measured were not neighbours.
TEST(PDF417MicroVersion, TieGoesByNeighbouringColumns)
{
    MicroPDFVersionBallotBox box;
    box.Load();
    for (unsigned i = 0; i < 12; ++i) {
        box.Vote(13);  // 3 x 6
        box.Vote(24);  // 4 x 6
    }
    MicroPDFVersionTable::Element element{};
    ASSERT_TRUE(box.GetVersion(true, element));
    EXPECT_EQ(element.columns, 3);
    ASSERT_TRUE(box.GetVersion(false, element));
    EXPECT_EQ(element.columns, 4);
    // Too few votes for either.
    box.Load();
    for (unsigned i = 0; i < 8; ++i) {
        box.Vote(13);
    }
    EXPECT_FALSE(box.GetVersion(true, element));
}

TEST(PDF417MicroVersion, RowNumbersFromPatternNumbers)
{
    MicroPDFVersionTable::Element const element{2, 8, 8, 50, 0, 0};
    // 52 is kept as 0; 49 lies before the column's first pattern.
    Column column(0, {50, 52, 3, 49});
    column.data.SetRowNumbers(MicroPDFVersionTable::kLeft, element);
    ASSERT_EQ(column.data.GetCount(), 3u);
    EXPECT_EQ(column.data[0].row, 0);
    EXPECT_EQ(column.data[1].row, 2);
    EXPECT_EQ(column.data[2].row, 5);
}

TEST(PDF417MicroVersion, RowsAndSkippedRowsRoundTheCycle)
{
    struct Case {
        std::vector<int> numbers;
        unsigned rows;
        unsigned skipped;
    };
    Case const cases[] = {
        {{5, 5, 6, 8, 8, 9}, 4, 1},
        {{50, 51, 52, 1, 2}, 5, 0},
        {{51, 1, 2}, 3, 1},
        {{2, 1, 52, 51}, 4, 0},
    };
    for (Case const& c : cases) {
        Column const column(0, c.numbers);
        EXPECT_EQ(column.data.CountRows(), c.rows) << c.numbers[0];
        EXPECT_EQ(column.data.CountSkippedRows(), c.skipped) << c.numbers[0];
    }
}

// Left and right are the two heaviest side columns in scan order; a center
// column stays only between them; the heaviest polarity wins.
TEST(PDF417MicroVersion, ChoiceOfLeftCenterRight)
{
    std::vector<Column> columns;
    columns.reserve(6);
    columns.emplace_back(0, Numbers(1, 10));                 // 0: left
    columns.emplace_back(30, Numbers(20, 3));                // 1: a weak side column
    columns.emplace_back(27, Numbers(1, 10), true);          // 2: center, between
    columns.emplace_back(54, Numbers(9, 8));                 // 3: right
    columns.emplace_back(80, Numbers(1, 10), true);          // 4: center beyond the right
    columns.emplace_back(0, Numbers(1, 4), false, false, true);  // 5: another polarity
    std::vector<MicroFinderColumnData> stackColumns;
    for (Column const& c : columns) {
        stackColumns.push_back(c.data);
    }
    MicroFinderColumnDataStack stack(stackColumns.data(), static_cast<unsigned>(stackColumns.size()));
    stack.SetCount(static_cast<unsigned>(stackColumns.size()));
    MicroFinderColumnData* left = nullptr;
    MicroFinderColumnData* center = nullptr;
    MicroFinderColumnData* right = nullptr;
    bool inverted = true;
    ASSERT_NE(stack.GetLeftCenterRightColumnDataPtr(left, center, right, inverted), 0u);
    EXPECT_FALSE(inverted);
    EXPECT_EQ(left, &stackColumns[0]);
    EXPECT_EQ(right, &stackColumns[3]);
    EXPECT_EQ(center, &stackColumns[2]);
    // Without the center between, the one beyond the right column is dropped.
    stackColumns[2].inverted = true;
    ASSERT_NE(stack.GetLeftCenterRightColumnDataPtr(left, center, right, inverted), 0u);
    EXPECT_EQ(center, nullptr);
    EXPECT_EQ(right, &stackColumns[3]);
}
