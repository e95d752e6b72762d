#include <gtest/gtest.h>

#include <vector>

#include "decoder/core/sampling/range_changer.h"

namespace DEC2DIvra {
namespace {

TEST(BinarizationRangeTest, HighLowCutCapsEachBlockAndReachesTheLastCells)
{
    // 5 x 3 in blocks of 2 x 2: columns 0-1, 2-3 and (moved back) 3-4; rows
    // 0-1 and (moved back) 1-2; taken row by row, each block capped at
    // (smallest + 3 x largest) / 4 of what it holds by then.
    std::vector<unsigned short> cells = {
        10, 20, 30, 40, 50,   //
        60, 70, 80, 90, 100,  //
        15, 25, 35, 45, 55,
    };
    CommonLuminanceMap map{VirtualArray<unsigned short>(cells.data(), 15)};
    ASSERT_TRUE(map.SetSize(5, 3));
    ASSERT_TRUE(RangeChanger::AutoHighLowCut(map, Vector{2, 2}));
    // By hand: 10-70 caps at 55; 30-90 at 75; then 40-100 at 85; 15-55 at
    // 45; 35-75 at 65; 45-85 at 75.
    std::vector<unsigned short> const expected = {
        10, 20, 30, 40, 50,  //
        45, 45, 65, 65, 75,  //
        15, 25, 35, 45, 55,
    };
    EXPECT_EQ(cells, expected);
}

TEST(BinarizationRangeTest, HighLowCutOfSmallMapsAndRefusals)
{
    // A map smaller than the block is one block: 100-900 caps at 700.
    std::vector<unsigned short> cells = {100, 900, 500, 800};
    CommonLuminanceMap map{VirtualArray<unsigned short>(cells.data(), 4)};
    ASSERT_TRUE(map.SetSize(2, 2));
    ASSERT_TRUE(RangeChanger::AutoHighLowCut(map, Vector{4, 4}));
    EXPECT_EQ(cells, (std::vector<unsigned short>{100, 700, 500, 700}));
    // A flat block stays as it is.
    std::vector<unsigned short> flat(6, 333);
    CommonLuminanceMap flatMap{VirtualArray<unsigned short>(flat.data(), 6)};
    ASSERT_TRUE(flatMap.SetSize(3, 2));
    ASSERT_TRUE(RangeChanger::AutoHighLowCut(flatMap, Vector{1, 1}));
    EXPECT_EQ(flat, std::vector<unsigned short>(6, 333));

    std::vector<unsigned short> const before = cells;
    EXPECT_FALSE(RangeChanger::AutoHighLowCut(map, Vector{0, 2}));
    EXPECT_FALSE(RangeChanger::AutoHighLowCut(map, Vector{2, -1}));
    CommonLuminanceMap empty;
    EXPECT_FALSE(RangeChanger::AutoHighLowCut(empty, Vector{2, 2}));
    EXPECT_EQ(cells, before);
}

}  // namespace
}  // namespace DEC2DIvra
