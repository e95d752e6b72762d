// Pattern geometry: the 16 line directions, their sample walks, and the
// region a decode is prepared with.
#include <gtest/gtest.h>

#include "decoder/legacy/engine/legacy_pattern_geometry.h"

namespace {

TEST(LegacyPatternGeometryTest, DirectionsAreUndirectedAndMatchTheirVectors)
{
    for (int d = 0; d < kDirectionCount; ++d) {
        tagPoint_t v = DIRECTION_VECTOR[d];
        EXPECT_EQ(CulcDirection(&v), d);
        tagPoint_t longer{v.x * 25, v.y * 25};
        EXPECT_EQ(CulcDirection(&longer), d);
        tagPoint_t opposite{-v.x * 7, -v.y * 7};
        EXPECT_EQ(CulcDirection(&opposite), d) << "direction " << d << " reversed";
    }
    tagPoint_t const right{100, 0}, down{0, 100}, up{0, -100};
    EXPECT_EQ(CulcDirection(&right), 4);
    EXPECT_EQ(CulcDirection(&down), 12);
    EXPECT_EQ(CulcDirection(&up), 12);
    EXPECT_EQ(CulcAngle(3, 17), 2);

    // Each cycle of four offsets walks its direction's vector.
    int offsets[kDirectionCount][4];
    int const width = 640;
    CulcDirectionOffsets(width, offsets);
    for (int d = 0; d < kDirectionCount; ++d) {
        int sum = 0;
        for (int k = 0; k < 4; ++k) {
            sum += offsets[d][k];
        }
        EXPECT_EQ(sum, DIRECTION_VECTOR[d].x + DIRECTION_VECTOR[d].y * width) << d;
    }
}

TEST(LegacyPatternGeometryTest, RegionIsPreparedFromItsTetragon)
{
    tagSymbolRegion region{};
    region.inUse = 1;
    region.tetragon = {{{10, 20}, {110, 20}, {110, 90}, {10, 90}}};
    InitializeSymbolRegionBeforeDecode(&region);
    EXPECT_EQ(region.inUse, 0);
    EXPECT_EQ(region.nearRectangle, 1);
    EXPECT_EQ(region.bounds.left, 10);
    EXPECT_EQ(region.bounds.top, 20);
    EXPECT_EQ(region.bounds.right, 110);
    EXPECT_EQ(region.bounds.bottom, 90);

    region.tetragon = {{{10, 20}, {110, 50}, {80, 150}, {-20, 120}}};
    InitializeSymbolRegionBeforeDecode(&region);
    EXPECT_EQ(region.nearRectangle, 0);
    EXPECT_EQ(region.bounds.left, -20);
    EXPECT_EQ(region.bounds.bottom, 150);
}

}  // namespace
