// The row indicator vote: symbol size from the codewords beside the start
// and stop patterns, the cluster order, row numbers and the clean-up of the
// two columns, on columns laid out as a symbol's row indicators are.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "decoder/stacked/pdf417/row_indicator_ballot.h"
#include "decoder/stacked/pdf417/row_indicator_column_data.h"
#include "decoder/stacked/pdf417/row_indicator_pick_subroutine.h"

namespace {

using namespace DEC2DIvra;

struct Symbol {
    unsigned rows;
    unsigned columns;
    unsigned level;
};

// The row indicator codeword of row r on a side.
unsigned Indicator(Symbol const& s, bool right, unsigned r)
{
    unsigned const cluster = (r % 3) * 3;
    unsigned const vr = (s.rows - 1) / 3;
    unsigned const vl = 3 * s.level + (s.rows - 1) % 3;
    unsigned const vc = s.columns - 1;
    unsigned const left[3] = {vr, vl, vc};
    unsigned const rightValues[3] = {vc, vr, vl};
    return 30 * (r / 3) + (right ? rightValues : left)[cluster / 3];
}

struct Side {
    std::vector<ColumnDataElement> storage = std::vector<ColumnDataElement>(ColumnData::kCapacity);
    RowIndicatorColumnData data{storage.data(), ColumnData::kCapacity};

    explicit Side(bool right)
    {
        data.Reset();
        data.right = right;
        data.SetOrientation(1);
    }
    // Reads rows in the given order, each twice, voting as a reader does.
    void Read(Symbol const& s, std::vector<unsigned> const& rows, RowIndicatorBallot& ballot)
    {
        for (unsigned r : rows) {
            for (int k = 0; k < 2; ++k) {
                ColumnDataElement e;
                e.row = 0;
                e.cluster = (r % 3) * 3;
                e.codeword = static_cast<unsigned short>(Indicator(s, data.right, r));
                e.score = 60000;
                int const y = static_cast<int>(100 + 6 * r) * 256 + k * 512;
                int const x = data.right ? 400 * 256 : 100 * 256;
                e.segment = LineSegment{{x, y}, {x + 34 * 256, y}};
                ASSERT_TRUE(data.Push(e));
                ballot.Vote(data.right, e.cluster, e.codeword, e.score);
            }
        }
    }
};

std::vector<unsigned> Rows(unsigned from, unsigned to)  // inclusive, either way
{
    std::vector<unsigned> rows;
    for (unsigned r = from;; r = from <= to ? r + 1 : r - 1) {
        rows.push_back(r);
        if (r == to) {
            break;
        }
    }
    return rows;
}

TEST(Pdf417RowIndicators, TheSymbolMustHoldMoreThanItsCorrectionCodewords)
{
    struct Case {
        Symbol symbol;
        bool accepted;
    };
    Case const cases[] = {
        {{3, 1, 0}, true},     // 3 > 2
        {{1, 1, 0}, false},    // 1 > 2 is false
        {{35, 30, 9}, true},   // 1050 > 1024, level value 27 + 1
        {{34, 30, 9}, false},  // 1020
        {{90, 12, 9}, true},   // level value 29
        {{30, 2, 4}, true},
    };
    for (Case const& c : cases) {
        SCOPED_TRACE(std::to_string(c.symbol.rows) + " rows, " + std::to_string(c.symbol.columns) + " columns");
        RowIndicatorBallot ballot;
        Side left(false);
        Side right(true);
        left.Read(c.symbol, Rows(0, c.symbol.rows - 1), ballot);
        right.Read(c.symbol, Rows(0, c.symbol.rows - 1), ballot);
        Mod3OfCluster order;
        DecodeParameterForPDF parameter;
        bool leftDone = false;
        bool rightDone = false;
        // One row holds only one or two clusters: feed every cluster's box.
        if (c.symbol.rows < 3) {
            ballot.Vote(false, 3, 3 * c.symbol.level + (c.symbol.rows - 1) % 3, 1);
            ballot.Vote(false, 6, c.symbol.columns - 1, 1);
        }
        EXPECT_EQ(ballot.Accept(left.data, right.data, 1, 1, order, parameter, leftDone, rightDone), c.accepted);
        EXPECT_EQ(left.data.valuesSet, c.accepted);
        if (c.accepted) {
            EXPECT_EQ(parameter.rows, c.symbol.rows);
            EXPECT_EQ(parameter.columns, c.symbol.columns);
            EXPECT_EQ(parameter.level, c.symbol.level);
            EXPECT_EQ(leftDone, c.symbol.rows >= 3);
        }
    }
}

TEST(Pdf417RowIndicators, ATieForFirstPlaceWinsNothing)
{
    RowIndicatorBallot ballot;
    RowIndicatorBallot::Box const& box = ballot.GetColumnBox();
    ballot.Vote(false, 6, 4, 10);
    ballot.Vote(false, 6, 7, 10);
    unsigned value = 0;
    EXPECT_FALSE(RowIndicatorBallot::CalcWinner(box, value));
    ballot.Vote(true, 0, 30 + 7, 1);  // the right side's cluster 0 votes the same box
    ASSERT_TRUE(RowIndicatorBallot::CalcWinner(box, value));
    EXPECT_EQ(value, 7u);
    ballot.Vote(false, 5, 4, 100);  // no such cluster: no vote
    ASSERT_TRUE(RowIndicatorBallot::CalcWinner(box, value));
    EXPECT_EQ(value, 7u);

    // A tie in one box accepts nothing and clears values set before.
    Symbol const symbol{9, 2, 1};
    RowIndicatorBallot tied;
    Side left(false);
    Side right(true);
    left.Read(symbol, Rows(0, 8), tied);
    Mod3OfCluster order;
    DecodeParameterForPDF parameter;
    bool done[2] = {false, false};
    ASSERT_TRUE(tied.Accept(left.data, right.data, 1, 1, order, parameter, done[0], done[1]));
    EXPECT_TRUE(left.data.valuesSet);
    unsigned const votes = 2 * 60000 * 3;  // what the level value got
    tied.Vote(false, 3, 29, votes);
    EXPECT_FALSE(tied.Accept(left.data, right.data, 1, 1, order, parameter, done[0], done[1]));
    EXPECT_FALSE(left.data.valuesSet);
    EXPECT_FALSE(right.data.valuesSet);
}

TEST(Pdf417RowIndicators, EitherReadingDirectionGivesTheSameRows)
{
    Symbol const symbol{14, 4, 2};
    for (bool upward : {false, true}) {
        SCOPED_TRACE(upward ? "read from the last row" : "read from the first row");
        RowIndicatorBallot ballot;
        Side left(false);
        Side right(true);
        // A column left unsorted keeps its reading order.
        left.data.SetOrientation(upward ? 2 : 1);
        right.data.SetOrientation(upward ? 2 : 1);
        // One codeword misread by the right side says another column count
        // and is dropped by the clean-up.
        left.Read(symbol, upward ? Rows(13, 0) : Rows(0, 13), ballot);
        right.Read(symbol, upward ? Rows(13, 2) : Rows(2, 13), ballot);
        right.data[6].codeword = static_cast<unsigned short>(right.data[6].codeword + 1);
        Mod3OfCluster order;
        DecodeParameterForPDF parameter;
        bool done[2] = {false, false};
        ASSERT_TRUE(ballot.Accept(left.data, right.data, 7, 3, order, parameter, done[0], done[1]));
        EXPECT_TRUE(done[0]);
        EXPECT_EQ(left.data.CalcRowCount(), 14u);
        Mod3OfCluster reading;
        ASSERT_TRUE(left.data.CalcMod3OfCluster(reading));
        EXPECT_EQ(reading.place[0], 0);
        EXPECT_EQ(reading.place[1], 1);
        EXPECT_EQ(reading.place[2], 2);

        ASSERT_TRUE(FinishRowIndicators(left.data, right.data, order, parameter));
        EXPECT_EQ(parameter.rows, 14u);
        for (RowIndicatorColumnData const* column : {&left.data, &right.data}) {
            EXPECT_TRUE(column->CheckRowNumbers());
            for (unsigned i = 0; i < column->GetCount(); ++i) {
                ColumnDataElement const& e = (*column)[i];
                // y = 100 + 6 r pixels: the row number matches the place.
                EXPECT_EQ(e.row, (e.segment.begin.y / 256 - 100) / 6) << i;
            }
        }
        EXPECT_EQ(right.data.GetCount(), 2u * 12 - 1);
    }
}

TEST(Pdf417RowIndicators, ASymbolOfThreeRowsReadFromItsLastRowKeepsItsRows)
{
    // One group of rows: no group number rises or falls along the column,
    // so only the clusters tell the rows apart.
    Symbol const symbol{3, 5, 0};
    for (bool upward : {false, true}) {
        SCOPED_TRACE(upward ? "read from the last row" : "read from the first row");
        RowIndicatorBallot ballot;
        Side left(false);
        Side right(true);
        left.data.SetOrientation(2);
        right.data.SetOrientation(2);
        left.Read(symbol, upward ? Rows(2, 0) : Rows(0, 2), ballot);
        right.Read(symbol, upward ? Rows(2, 0) : Rows(0, 2), ballot);
        Mod3OfCluster order;
        ASSERT_TRUE(left.data.CalcMod3OfCluster(order));
        EXPECT_EQ(order.place[0], 0);
        EXPECT_EQ(order.place[1], 1);
        EXPECT_EQ(order.place[2], 2);
        DecodeParameterForPDF parameter;
        bool done[2] = {false, false};
        ASSERT_TRUE(ballot.Accept(left.data, right.data, 1, 1, order, parameter, done[0], done[1]));
        ASSERT_TRUE(FinishRowIndicators(left.data, right.data, order, parameter));
        for (unsigned i = 0; i < left.data.GetCount(); ++i) {
            EXPECT_EQ(left.data[i].row, (left.data[i].segment.begin.y / 256 - 100) / 6) << i;
        }
    }
}

TEST(Pdf417RowIndicators, ASideWithTooFewRowsIsEmptied)
{
    Symbol const symbol{20, 3, 1};
    struct Case {
        const char* name;
        std::vector<unsigned> left;
        std::vector<unsigned> right;
        bool ok;
        unsigned leftCount;
        unsigned rightCount;
    };
    Case const cases[] = {
        {"right side only, most rows", {}, Rows(0, 19), true, 0, 40},
        {"left side with two elements", {3}, Rows(0, 12), true, 0, 26},
        {"neither side with more than half", Rows(0, 9), Rows(10, 19), false, 0, 0},
    };
    for (Case const& c : cases) {
        SCOPED_TRACE(c.name);
        RowIndicatorBallot ballot;
        Side left(false);
        Side right(true);
        left.Read(symbol, c.left, ballot);
        right.Read(symbol, c.right, ballot);
        Mod3OfCluster order;
        DecodeParameterForPDF parameter;
        bool done[2] = {false, false};
        ASSERT_TRUE(ballot.Accept(left.data, right.data, 1, 1, order, parameter, done[0], done[1]));
        EXPECT_EQ(left.data.CalcRowCount(), c.left.size() < 2 ? 0u : static_cast<unsigned>(c.left.size()));
        EXPECT_EQ(FinishRowIndicators(left.data, right.data, order, parameter), c.ok);
        if (c.ok) {
            EXPECT_EQ(left.data.GetCount(), c.leftCount);
            EXPECT_FALSE(left.data.valuesSet);
            EXPECT_EQ(right.data.GetCount(), c.rightCount);
            EXPECT_EQ(parameter.rows, 20u);
            EXPECT_EQ(parameter.columns, 3u);
        }
    }
}

}  // namespace
