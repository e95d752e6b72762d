// The DataBar finder regions: a region met again keeps its index, and a
// full collector names no slot rather than writing past its sixteen.
#include <gtest/gtest.h>

#include "decoder/linear/data_bar/rss_region_collector.h"

namespace {

using DEC2DIvra::Region;
using DEC2DIvra::RSSRegionCollector;

Region Square(int at) { return Region{{{at, 0}, {at + 10, 0}, {at + 10, 10}, {at, 10}}}; }

TEST(RSSRegionCollectorTest, SameRegionSameIndexAndNoSlotPastTheLast)
{
    RSSRegionCollector collector;
    for (int i = 0; i < 16; ++i) {
        EXPECT_EQ(collector.Push(Square(i)), static_cast<unsigned>(i));
        EXPECT_EQ(collector.Push(Square(i)), static_cast<unsigned>(i));
    }
    EXPECT_EQ(collector.Push(Square(99)), RSSRegionCollector::kCapacity);
    EXPECT_EQ(collector.GetCount(), 16u);
    EXPECT_EQ(collector.Get(3), Square(3));
    EXPECT_EQ(collector.Get(40), Square(15));
    collector.Clear();
    EXPECT_EQ(collector.Push(Square(7)), 0u);
}

}  // namespace
