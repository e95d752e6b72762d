// Pattern geometry: the 16 line directions, their sample walks, and the
// region a decode is prepared with.
#include <gtest/gtest.h>

#include <climits>

#include "decoder/legacy/engine/legacy_pattern_geometry.h"
#include "decoder/legacy/engine/legacy_pattern_image.h"

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
    unsigned short pixels[640 * 2] = {};
    int const width = 640;
    tagGrayImage_t image{};
    InitializeGrayImage(&image, pixels, width, 2);
    for (int d = 0; d < kDirectionCount; ++d) {
        tagPoint_t v{};
        GetDirectionVector(d + 3 * kDirectionCount, &v);
        EXPECT_EQ(GetDirectionPatternVectorLengthFour(&image, d), v.x + v.y * width) << d;
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

TEST(LegacyPatternGeometryTest, PointOrderUpAndDownTheImage)
{
    struct Case {
        tagPoint_t a, b;
        int order, orderUpward;
    };
    Case const cases[] = {
        {{5, 1}, {0, 9}, 1, -1},                   // a on an earlier row
        {{0, 9}, {5, 1}, -1, 1},                   // a on a later row
        {{2, 4}, {7, 4}, 1, 1},                    // same row: the left point first both ways
        {{7, 4}, {2, 4}, -1, -1},
        {{3, 3}, {3, 3}, 0, 0},
        {{0, INT_MIN}, {0, INT_MAX}, 1, -1},       // rows as far apart as can be
        {{INT_MAX, 0}, {INT_MIN, 0}, -1, -1},
    };
    for (Case const& c : cases) {
        int const order = ComparePoint(&c.a, &c.b);
        int const upward = ComparePoint_DEC2D(&c.a, &c.b);
        EXPECT_EQ((order > 0) - (order < 0), c.order) << c.a.x << "," << c.a.y;
        EXPECT_EQ((upward > 0) - (upward < 0), c.orderUpward) << c.a.x << "," << c.a.y;
    }

    tagRect_t const top{0, 0, 10, 10}, below{20, 11, 30, 20}, right{11, 5, 20, 15}, overlapping{5, 5, 15, 15};
    EXPECT_EQ(CompareRect(&top, &below), 1);
    EXPECT_EQ(CompareRect(&below, &top), -1);
    EXPECT_EQ(CompareRect(&top, &right), 1);
    EXPECT_EQ(CompareRect(&right, &top), -1);
    EXPECT_GT(CompareRect(&top, &overlapping), 0);
    EXPECT_LT(CompareRect(&overlapping, &top), 0);
}

TEST(LegacyPatternGeometryTest, RectanglesTetragonsAndCentres)
{
    tagRect_t const rect{10, 20, 30, 60};
    tagTetragon_t t{};
    RectToTetragon(&rect, &t);
    tagRectBorder_t border{};
    GetRectBorder(&rect, &border);
    tagPoint_t const corners[4] = {{10, 20}, {30, 20}, {30, 60}, {10, 60}};
    for (int i = 0; i < 4; ++i) {
        EXPECT_EQ(t.corner[i].x, corners[i].x);
        EXPECT_EQ(t.corner[i].y, corners[i].y);
        EXPECT_EQ(border.side[i].begin.x, corners[i].x);
        EXPECT_EQ(border.side[i].end.y, corners[(i + 1) % 4].y) << "side " << i << " ends at the next corner";
    }

    tagPoint_t c{};
    CulcCenterOfRect(&rect, &c);
    EXPECT_EQ(c.x, 20);
    EXPECT_EQ(c.y, 40);
    tagTetragon_t const odd{{{-1, -1}, {0, 0}, {0, 0}, {0, -2}}};
    CulcCenterOfTetragon(&odd, &c);
    EXPECT_EQ(c.x, -1) << "sum -1 shifted right by 2";
    EXPECT_EQ(c.y, -1);
    tagTetragon_t const far{{{INT_MAX, INT_MAX}, {INT_MAX, INT_MAX}, {INT_MAX, INT_MAX}, {INT_MAX, INT_MAX}}};
    CulcCenterOfTetragon(&far, &c);
    EXPECT_EQ(c.x, INT_MAX) << "the corner sum does not wrap";

    tagRect_t clamped{0, 50, 100, 55};
    EXPECT_EQ(TrimRect(&rect, &clamped), 1);
    EXPECT_EQ(clamped.left, 10);
    EXPECT_EQ(clamped.right, 30);
    EXPECT_EQ(clamped.top, 50);
    tagRect_t apart{40, 0, 50, 10};
    EXPECT_EQ(TrimRect(&rect, &apart), 0);
}

}  // namespace
