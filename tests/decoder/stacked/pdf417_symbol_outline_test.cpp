// Placing a PDF417 symbol in the image: the row direction from its start and
// stop columns.
#include <gtest/gtest.h>

#include <vector>

#include "decoder/stacked/pdf417/calc_code_vector_subroutine.h"
#include "decoder/stacked/pdf417/start_stop_column_data.h"

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
