#include <gtest/gtest.h>

#include <algorithm>
#include <memory>
#include <vector>

#include "decoder/core/sampling/binarization_subroutine.h"
#include "decoder/core/sampling/common_binarization_subroutine.h"

namespace DEC2DIvra {
namespace {

struct Maps {
    std::vector<unsigned short> cells;
    std::vector<GapAndThreshold> blockCells = std::vector<GapAndThreshold>(64);
    std::unique_ptr<bool[]> decided{new bool[256]};
    CommonLuminanceMap map;
    CommonGapAndThresholdMap blocks{VirtualArray<GapAndThreshold>(blockCells.data(), 64)};
    VariableSizeVirtualTable<bool> table{decided.get(), 256};

    Maps(unsigned width, unsigned height, unsigned short fill) : cells(width * height, fill)
    {
        map = CommonLuminanceMap(VirtualArray<unsigned short>(cells.data(), width * height));
        map.SetSize(width, height);
    }
};

GrayImage const kNoImage;

// Sixteen random bits a call, the same sequence for a seed.
struct Noise {
    unsigned seed;
    unsigned operator()()
    {
        seed = seed * 1103515245u + 12345u;
        return (seed >> 8) & 0xFFFFu;
    }
};

// A 5 x 5 map around one judged module at (2, 2): its four neighbours as
// given, the corners 0 and 400 (so the block's range is 400: threshold 200,
// gap 400 / gap parameter), everything else the module's own value.
TEST(BinarizationRulesTest, EachModuleIsJudgedAgainstItsNeighboursThenTheThreshold)
{
    struct {
        char const* what;
        unsigned short module;
        unsigned short up, right, down, left;
        unsigned gapParameter;
        bool light;
    } const cases[] = {
        // Gap 100.
        {"a much lighter neighbour: dark, though above the threshold", 250, 360, 250, 250, 250, 4, false},
        {"lighter and darker neighbours, at their mean: dark", 200, 320, 80, 200, 200, 4, false},
        {"lighter and darker neighbours, above their mean: light", 201, 320, 80, 200, 200, 4, true},
        {"a much darker neighbour only: light, though below the threshold", 150, 150, 40, 150, 150, 4, true},
        {"no neighbour differs: above the threshold is light", 201, 230, 180, 201, 201, 4, true},
        {"no neighbour differs: at the threshold is dark", 200, 230, 180, 200, 200, 4, false},
        // The same module with gap 25: the lighter neighbour now counts.
        {"gap parameter 4: a 30 lighter neighbour is no change", 230, 260, 230, 230, 230, 4, true},
        {"gap parameter 16: a 30 lighter neighbour makes it dark", 230, 260, 230, 230, 230, 16, false},
    };
    BinarizationSubroutine const binarize;
    for (auto const& c : cases) {
        for (bool polarity : {false, true}) {
            Maps m(5, 5, c.module);
            m.map.At(0, 0) = 0;
            m.map.At(4, 4) = 400;
            m.map.At(2, 1) = c.up;
            m.map.At(3, 2) = c.right;
            m.map.At(2, 3) = c.down;
            m.map.At(1, 2) = c.left;
            ASSERT_EQ(binarize.Start(kNoImage, m.map, Rectangle{1, 1, 3, 3}, m.blocks, Vector{3, 3}, polarity,
                                     c.gapParameter, m.table),
                      1)
                << c.what;
            ASSERT_EQ(m.table.GetWidth(), 3u);
            ASSERT_EQ(m.table.GetHeight(), 3u);
            ASSERT_EQ(m.blocks.At(0, 0).threshold, 200);
            ASSERT_EQ(m.blocks.At(0, 0).gap, 400 / c.gapParameter);
            EXPECT_EQ(m.table.At(1, 1), c.light != polarity) << c.what << (polarity ? " (polarity)" : "");
        }
    }
}

// Every point of areas of every width (whole groups of eight or sixteen
// points and remainders), in one block and across blocks, on grey values up
// to the top of the 16-bit range: each decided by the rule against the gap
// and threshold its block was given.
TEST(BinarizationRulesTest, EveryPointOfAnyWidthFollowsTheRule)
{
    Noise next{12345u};
    BinarizationSubroutine const binarize;
    for (unsigned width = 1; width <= 40; ++width) {
        // Five grey levels a step apart: with the block's range four steps,
        // the gap is one step, the threshold two, and differences, means and
        // the threshold tie with each other all the time.
        // And each once more with a level or two added here and there, for
        // modules just above or at their neighbours' mean.
        struct {
            unsigned step;
            unsigned jitter;
        } const levels[] = {{60, 0}, {16383, 0}, {60, 3}, {16383, 3}};
        for (auto const& level : levels) {
            unsigned const height = 6;
            Maps m(width + 2, height + 2, 0);
            for (unsigned short& v : m.cells) {
                unsigned const added = level.jitter > 0 ? next() % level.jitter : 0;
                v = static_cast<unsigned short>((next() % 5) * level.step + added);
            }
            for (bool polarity : {false, true}) {
                // Past the area's decisions nothing is written, whatever
                // was there.
                std::fill(m.decided.get() + width * height, m.decided.get() + 256, polarity);
                Rectangle const area{1, 1, static_cast<int>(width), static_cast<int>(height)};
                ASSERT_EQ(binarize.Start(kNoImage, m.map, area, m.blocks, Vector{3, 2}, polarity, m.table), 1);
                EXPECT_EQ(std::count(m.decided.get() + width * height, m.decided.get() + 256, polarity),
                          static_cast<long>(256 - width * height))
                    << "width " << width;
                for (unsigned y = 0; y < height; ++y) {
                    for (unsigned x = 0; x < width; ++x) {
                        GapAndThreshold const e = m.blocks.At(x / 3, y / 2);
                        int const l = m.map.At(x + 1, y + 1);
                        int const n[4] = {m.map.At(x + 1, y), m.map.At(x + 2, y + 1), m.map.At(x + 1, y + 2),
                                          m.map.At(x, y + 1)};
                        int const high = std::max(std::max(n[0], n[1]), std::max(n[2], n[3]));
                        int const low = std::min(std::min(n[0], n[1]), std::min(n[2], n[3]));
                        bool const lighter = high - l >= e.gap;
                        bool const darker = l - low >= e.gap;
                        int const mean = (n[0] + n[1] + n[2] + n[3]) / 4;
                        bool const light = lighter ? darker && l > mean : darker || l > e.threshold;
                        ASSERT_EQ(m.table.At(x, y), light != polarity)
                            << "width " << width << " step " << level.step << " jitter " << level.jitter << " at "
                            << x << "," << y;
                    }
                }
            }
        }
    }
}

// On noise every block spans about the widest range, so none is flat: each
// takes the middle of the extremes over its own and its eight neighbours'
// modules with their ring as threshold, and a quarter of their span as gap.
// Widths around the eight-column steps and past the widest block row, and
// levels either side of the middle of the 16-bit range.
TEST(BinarizationRulesTest, BlockThresholdsComeFromTheExtremesAroundThem)
{
    Noise next{777u};
    BinarizationSubroutine const binarize;
    struct {
        unsigned base;
        unsigned spread;
    } const levels[] = {{0, 65536}, {0x7F00, 0x200}, {100, 900}};
    for (unsigned width : {1u, 7u, 8u, 9u, 15u, 16u, 17u, 40u, 509u, 510u, 511u, 700u}) {
        // Windows of a block and its ring from three to nine columns.
        for (unsigned bx : {1u, 2u, 3u, 4u, 5u, 6u, 7u}) {
            for (auto const& level : levels) {
                unsigned const height = 11;
                unsigned const by = 4;
                std::vector<unsigned short> cells((width + 3) * (height + 3));
                for (unsigned short& v : cells) {
                    v = static_cast<unsigned short>(level.base + next() % level.spread);
                }
                CommonLuminanceMap map(VirtualArray<unsigned short>(cells.data(), static_cast<unsigned>(cells.size())));
                ASSERT_TRUE(map.SetSize(width + 3, height + 3));
                std::vector<GapAndThreshold> blockCells(4096);
                CommonGapAndThresholdMap blocks(VirtualArray<GapAndThreshold>(blockCells.data(), 4096));
                // One column and line of margin more than needed on the right and at the bottom.
                Rectangle const area{1, 1, static_cast<int>(width), static_cast<int>(height)};
                ASSERT_TRUE(binarize.CalcGapAndThresholdMap(map, area, Vector{static_cast<int>(bx), static_cast<int>(by)},
                                                            4, blocks));
                unsigned const columns = (width + bx - 1) / bx;
                unsigned const rows = (height + by - 1) / by;
                ASSERT_EQ(blocks.GetWidth(), columns);
                ASSERT_EQ(blocks.GetHeight(), rows);
                for (unsigned j = 0; j < rows; ++j) {
                    for (unsigned i = 0; i < columns; ++i) {
                        // Modules of blocks i - 1 .. i + 1 and j - 1 .. j + 1 with their ring.
                        unsigned const x0 = (i == 0 ? 0 : i - 1) * bx;
                        unsigned const x1 = std::min((i + 2) * bx, width) + 1;
                        unsigned const y0 = (j == 0 ? 0 : j - 1) * by;
                        unsigned const y1 = std::min((j + 2) * by, height) + 1;
                        unsigned low = 0xFFFF;
                        unsigned high = 0;
                        for (unsigned y = y0; y <= y1; ++y) {
                            for (unsigned x = x0; x <= x1; ++x) {
                                low = std::min<unsigned>(low, map.At(x, y));
                                high = std::max<unsigned>(high, map.At(x, y));
                            }
                        }
                        GapAndThreshold const e = blocks.At(i, j);
                        ASSERT_EQ(e.threshold, (low + high) / 2)
                            << "width " << width << " block " << bx << " base " << level.base << " at " << i << ","
                            << j;
                        ASSERT_EQ(e.gap, std::max(1u, (high - low) / 4));
                    }
                }
            }
        }
    }
}

TEST(BinarizationRulesTest, AFlatPatchIsJudgedByTheAreaAndNotByItsNoise)
{
    // 14 x 14: dark left half, light right half with a ripple of +-6; blocks
    // of 2 x 2. Inside the light half a block and its neighbours span 12
    // levels only: judged by its own range, half its cells would be dark.
    Maps m(14, 14, 0);
    for (unsigned y = 0; y < 14; ++y) {
        for (unsigned x = 0; x < 14; ++x) {
            m.map.At(x, y) = x < 7 ? 100 : static_cast<unsigned short>(900 + ((x * 7 + y * 3) % 5 == 0 ? 6 : -6));
        }
    }
    BinarizationSubroutine const binarize;
    ASSERT_EQ(binarize.Start(kNoImage, m.map, Rectangle{1, 1, 12, 12}, m.blocks, Vector{2, 2}, false, m.table), 1);
    for (unsigned y = 0; y < 12; ++y) {
        for (unsigned x = 0; x < 12; ++x) {
            EXPECT_EQ(m.table.At(x, y), x + 1 >= 7) << x << "," << y;
        }
    }
}

TEST(BinarizationRulesTest, RefusalsLeaveTheTableAsItWas)
{
    struct {
        char const* what;
        Rectangle area;
        Vector block;
        unsigned gapParameter;
        unsigned tableCells;
        unsigned blockCells;
    } const cases[] = {
        {"area on the map's left column", {0, 1, 5, 5}, {2, 2}, 4, 256, 64},
        {"area on the map's last row", {1, 1, 5, 7}, {2, 2}, 4, 256, 64},
        {"empty area", {4, 1, 3, 5}, {2, 2}, 4, 256, 64},
        {"block of width 0", {1, 1, 5, 5}, {0, 2}, 4, 256, 64},
        {"gap parameter 0", {1, 1, 5, 5}, {2, 2}, 0, 256, 64},
        {"table too small", {1, 1, 5, 5}, {2, 2}, 4, 24, 64},
        {"block map too small", {1, 1, 5, 5}, {1, 1}, 4, 256, 24},
    };
    BinarizationSubroutine const binarize;
    for (auto const& c : cases) {
        Maps m(7, 8, 500);
        m.map.At(3, 3) = 900;
        std::unique_ptr<bool[]> cells(new bool[c.tableCells]);
        for (unsigned i = 0; i < c.tableCells; ++i) {
            cells[i] = (i % 3) == 0;
        }
        VariableSizeVirtualTable<bool> table(cells.get(), c.tableCells);
        ASSERT_TRUE(table.Resize(2, 3));
        CommonGapAndThresholdMap blocks{VirtualArray<GapAndThreshold>(m.blockCells.data(), c.blockCells)};
        EXPECT_EQ(binarize.Start(kNoImage, m.map, c.area, blocks, c.block, false, c.gapParameter, table), 0) << c.what;
        EXPECT_EQ(table.GetWidth(), 2u) << c.what;
        EXPECT_EQ(table.GetHeight(), 3u) << c.what;
        for (unsigned i = 0; i < c.tableCells; ++i) {
            ASSERT_EQ(cells[i], (i % 3) == 0) << c.what;
        }
    }
}

TEST(BinarizationRulesTest, InnerProductMeasuresHowWellATableFitsTheMap)
{
    // Map 4 x 3; the table covers its middle 2 x 2 from (1, 1).
    Maps m(4, 3, 0);
    unsigned short const values[] = {9, 9, 9, 9, 9, 800, 200, 9, 9, 700, 100, 9};
    for (unsigned i = 0; i < 12; ++i) {
        m.cells[i] = values[i];
    }
    bool cells[4] = {true, false, true, false};
    VariableSizeVirtualTable<bool> const table(cells, 4);
    VariableSizeVirtualTable<bool> sized(cells, 4);
    ASSERT_TRUE(sized.Resize(2, 2));
    int product = 0;
    unsigned set = 0;
    unsigned clear = 0;
    ASSERT_TRUE(BinarizationSubroutine::CalcInnerProduct(m.map, Vector{1, 1}, sized, product, set, clear));
    EXPECT_EQ(product, (800 + 700 - 200 - 100) / 4);
    EXPECT_EQ(set, 750u);
    EXPECT_EQ(clear, 150u);
    // A table the other way round scores the negative.
    bool flipped[4] = {false, true, false, true};
    VariableSizeVirtualTable<bool> other(flipped, 4);
    ASSERT_TRUE(other.Resize(2, 2));
    ASSERT_TRUE(BinarizationSubroutine::CalcInnerProduct(m.map, Vector{1, 1}, other, product, set, clear));
    EXPECT_EQ(product, -300);
    // Byte tables work the same way.
    unsigned char bytes[4] = {1, 0, 1, 0};
    VariableSizeVirtualTable<unsigned char> byteTable(bytes, 4);
    ASSERT_TRUE(byteTable.Resize(2, 2));
    ASSERT_TRUE(BinarizationSubroutine::CalcInnerProduct(m.map, Vector{1, 1}, byteTable, product, set, clear));
    EXPECT_EQ(product, 300);
    // Refused: empty table, a table that leaves the map.
    EXPECT_FALSE(BinarizationSubroutine::CalcInnerProduct(m.map, Vector{1, 1}, table, product, set, clear));
    EXPECT_FALSE(BinarizationSubroutine::CalcInnerProduct(m.map, Vector{3, 1}, sized, product, set, clear));
    EXPECT_FALSE(BinarizationSubroutine::CalcInnerProduct(m.map, Vector{-1, 0}, sized, product, set, clear));
}

TEST(BinarizationRulesTest, WindowBinarisationFollowsUnevenLight)
{
    // 40 x 40 squares of 4 cells, 200 levels apart, on a ramp of 600 levels
    // across: any single threshold gets one side wrong. In the second grid
    // the right quarter is plain light with a ripple: flat tiles, which must
    // not split on the ripple.
    Maps m(40, 40, 0);
    std::unique_ptr<bool[]> cells(new bool[1600]);
    VariableSizeVirtualTable<bool> table(cells.get(), 1600);
    CommonBinarizationSubroutine const binarize;
    for (unsigned plain : {40u, 30u}) {
        auto isLight = [plain](unsigned x, unsigned y) { return x >= plain || ((x / 4) + (y / 4)) % 2 == 0; };
        for (unsigned y = 0; y < 40; ++y) {
            for (unsigned x = 0; x < 40; ++x) {
                unsigned const ramp = (x < plain ? x : plain) * 15;
                m.map.At(x, y) = static_cast<unsigned short>((isLight(x, y) ? 300 : 100) + ramp + (x + y) % 3);
            }
        }
        for (bool polarity : {false, true}) {
            ASSERT_TRUE(binarize.Start(m.map, polarity, table));
            ASSERT_EQ(table.GetWidth(), 40u);
            int wrong = 0;
            for (unsigned y = 0; y < 40; ++y) {
                for (unsigned x = 0; x < 40; ++x) {
                    wrong += table.At(x, y) != (isLight(x, y) != polarity) ? 1 : 0;
                }
            }
            EXPECT_EQ(wrong, 0) << plain << " " << polarity;
        }
    }
    // Refused: an empty grid, an output too small.
    Maps empty(1, 1, 0);
    ASSERT_TRUE(empty.map.SetSize(0, 0));
    EXPECT_FALSE(binarize.Start(empty.map, false, table));
    VariableSizeVirtualTable<bool> small(cells.get(), 1599);
    EXPECT_FALSE(binarize.Start(m.map, false, small));
}

}  // namespace
}  // namespace DEC2DIvra
