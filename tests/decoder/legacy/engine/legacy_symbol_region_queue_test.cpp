// The symbol-region queue: its capacity, the nearness queries by region kind
// and the outlines drawn from it.
#include <gtest/gtest.h>

#include <string>

#include "decoder/legacy/engine/legacy_pattern_image.h"
#include "decoder/legacy/engine/legacy_symbol_region_drawing.h"
#include "decoder/legacy/engine/legacy_symbol_region_queue.h"

namespace {

tagSymbolRegion Region(int kind, int left, int top, int size)
{
    tagSymbolRegion r{};
    r.kind = kind;
    r.tetragon = {{{left, top}, {left + size, top}, {left + size, top + size}, {left, top + size}}};
    InitializeSymbolRegionBeforeDecode(&r);
    return r;
}

TEST(LegacySymbolRegionQueueTest, HoldsSixtyFourRegions)
{
    static tagSymbolRegionQueue queue;
    InitializeSymbolRegionQueue(&queue);
    tagSymbolRegion const r = Region(1, 0, 0, 10);
    for (int i = 0; i < kSymbolRegionQueueSize; ++i) {
        EXPECT_EQ(AddSymbolRegion(&queue, &r), 1) << i;
    }
    EXPECT_EQ(AddSymbolRegion(&queue, &r), 0) << "the 65th";
    EXPECT_EQ(queue.count, kSymbolRegionQueueSize);
    queue.count = -3;  // a queue never initialised
    EXPECT_EQ(AddSymbolRegion(&queue, &r), 0);
    EXPECT_EQ(IsInSymbolRegion(&queue), 0);
}

TEST(LegacySymbolRegionQueueTest, NearnessByTetragon)
{
    // A diamond round (50, 50): at row 50 it spans x 30 .. 70, at column 50 y 30 .. 70.
    tagTetragon_t const diamond{{{50, 30}, {70, 50}, {50, 70}, {30, 50}}};
    struct Case {
        tagPoint_t p;
        int tolerance;
        int near;
    };
    Case const cases[] = {
        {{50, 50}, 0, 1}, {{70, 50}, 0, 1}, {{73, 50}, 3, 1}, {{74, 50}, 3, 0},
        {{50, 27}, 3, 1}, {{50, 26}, 3, 0}, {{65, 38}, 0, 0},  // outside the edge near corner 1
        {{60, 40}, 0, 1}, {{62, 40}, 0, 0}, {{63, 40}, 3, 1},  // row 40 spans 40 .. 60
        {{80, 80}, 5, 0},
    };
    for (Case const& c : cases) {
        EXPECT_EQ(PointIsNearTetragon(&c.p, &diamond, c.tolerance), c.near) << c.p.x << "," << c.p.y;
    }
    tagSymbolRegion region{};
    region.tetragon = diamond;
    InitializeSymbolRegionBeforeDecode(&region);
    tagPoint_t const corner{33, 33};
    EXPECT_EQ(PointIsNearSymbolRegion(&corner, &region, 0), 0) << "a turned region: by its tetragon";
    region.nearRectangle = 1;
    EXPECT_EQ(PointIsNearSymbolRegion(&corner, &region, 0), 1) << "an upright one: by its bounds";
}

TEST(LegacySymbolRegionQueueTest, QueriesConsiderTheirKindsOnly)
{
    // One region of every kind, each at its own place; composites keep their
    // second tetragon 500 to the right.
    int const kinds[] = {-8, -4, -3, -2, -1, 1, 2, 3, 4, 5, 8, -5};
    static tagSymbolRegionQueue queue;
    InitializeSymbolRegionQueue(&queue);
    for (int i = 0; i < 12; ++i) {
        tagSymbolRegion r = Region(kinds[i], i * 40, 0, 20);
        r.second = Region(kinds[i], 500 + i * 40, 0, 20).tetragon;
        ASSERT_EQ(AddSymbolRegion(&queue, &r), 1);
    }
    using Query = int (*)(tagPoint_t const*, tagSymbolRegionQueue const*, int);
    struct Case {
        char const* name;
        Query query;
        char const* first;   // per kind, 1 when the query finds a point in the tetragon
        char const* second;  // ... in the second tetragon
    };
    // Kinds:                                   -8-4-3-2-1 1 2 3 4 5 8-5
    Case const cases[] = {
        {"all", PointIsNearSymbolRegions, "111111111111", "000000000000"},
        {"not error", PointIsNearSymbolRegionsNotError, "000001111110", "000000000000"},
        {"bars", PointIsNearSymbolRegionsOnlyBar, "100111100010", "001000010000"},
        {"successful bars", PointIsNearSymbolRegionsOnlySuccessBar, "100111100010", "000000010000"},
        {"stacked", PointIsNearSymbolRegionsOnlyStack, "011100111000", "000000000000"},
        {"not bars", PointIsNearSymbolRegionsNotBar, "010100101101", "000000000000"},
        {"neither", PointIsNearSymbolRegionsNotBarAndStack, "000000000101", "000000000000"},
    };
    for (Case const& c : cases) {
        for (int i = 0; i < 12; ++i) {
            tagPoint_t const inFirst{i * 40 + 10, 10}, inSecond{500 + i * 40 + 10, 10};
            EXPECT_EQ(c.query(&inFirst, &queue, 0), c.first[i] - '0') << c.name << ", kind " << kinds[i];
            EXPECT_EQ(c.query(&inSecond, &queue, 0), c.second[i] - '0') << c.name << ", kind " << kinds[i];
        }
        tagPoint_t const beside{11 * 40 + 23, 10};  // 3 right of the last region
        EXPECT_EQ(c.query(&beside, &queue, 3), c.first[11] - '0') << c.name;
        EXPECT_EQ(c.query(&beside, &queue, 2), 0) << c.name;
    }

    // Bar codes inside a region: the kind-1 centre (210, 10), the kind-3
    // second tetragon's centre (790, 10).
    tagSymbolRegion const around1 = Region(4, 200, 0, 20), around3 = Region(4, 780, 0, 20),
                          aroundKind2 = Region(4, 240, 0, 20);
    EXPECT_EQ(BarCodeRegionsIsInSymbolRegion(&around1, &queue), 1);
    EXPECT_EQ(BarCodeRegionsIsInSymbolRegion(&around3, &queue), 1);
    EXPECT_EQ(BarCodeRegionsIsInSymbolRegion(&aroundKind2, &queue), 0);

    EXPECT_EQ(IsInSymbolRegion(&queue), 0);
    queue.region[7].inUse = 1;
    EXPECT_EQ(IsInSymbolRegion(&queue), 1);
    EXPECT_EQ(IsNotError(&queue.region[4]), 0);
    EXPECT_EQ(IsNotError(&queue.region[5]), 1);
}

TEST(LegacySymbolRegionQueueTest, OutlinesAreDrawnIntoTheImage)
{
    constexpr int W = 24, H = 16;
    static unsigned short pixels[W * H];
    for (unsigned short& p : pixels) {
        p = 0x0300;
    }
    tagGrayImage_t image{};
    InitializeGrayImage(&image, pixels, W, H);
    static tagSymbolRegionQueue queue;
    InitializeSymbolRegionQueue(&queue);
    tagSymbolRegion read = Region(3, 1, 1, 4);  // composite: second tetragon at 8 .. 10
    read.second = {{{8, 1}, {10, 1}, {10, 3}, {8, 3}}};
    tagSymbolRegion failed = Region(-2, 12, 6, 4);
    tagSymbolRegion edge = Region(1, -3, 10, 4);  // crosses the left border
    ASSERT_EQ(AddSymbolRegion(&queue, &read), 1);
    ASSERT_EQ(AddSymbolRegion(&queue, &failed), 1);
    ASSERT_EQ(AddSymbolRegion(&queue, &edge), 1);
    DrawSymbolRegions(&image, &queue);

    // Each side is drawn from its first corner up to the next one, so every
    // corner of a failed region's outline is inverted once, not twice.
    char const* const expected[H] = {
        "........................",
        ".#####..###.............",
        ".#...#..#.#.............",
        ".#...#..###.............",
        ".#...#..................",
        ".#####..................",
        "............~.~.~.......",
        "........................",
        "............~...~.......",
        "........................",
        "##..........~.~.~.......",
        ".#......................",
        ".#......................",
        ".#......................",
        "##......................",
        "........................",
    };
    for (int y = 0; y < H; ++y) {
        std::string row;
        for (int x = 0; x < W; ++x) {
            unsigned short const v = pixels[y * W + x];
            row += v == 0 ? '#' : (v == static_cast<unsigned short>(~0x0300) ? '~' : '.');
        }
        EXPECT_EQ(row, expected[y]) << "row " << y;
    }
}

}  // namespace
