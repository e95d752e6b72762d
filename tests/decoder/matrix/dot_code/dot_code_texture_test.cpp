// DotCode symbols in frames whose upper part is full of dot-like texture:
// the texture is swept first and must not crowd the symbol's dots out of the
// locator's dot list; and the screen of that list on its own.
#include <gtest/gtest.h>

#include <cstdint>
#include <random>

#include "decoder/core/location/dot_neighbour_screen.h"
#include "tests/decoder/matrix/dot_code/dot_code_fixture.h"

namespace {

using DEC2DIvra::Dot;
using DEC2DIvra::DotNeighbourScreen;
using DEC2DIvra::Point;
using dot_code_test::DotCodeHarness;
using dot_code_test::DotCodeInput;

// Lone round dots of 2-4 pixels on a jittered 22-pixel grid over the rows
// above `bottom`: each passes for a dot, none has like dots near it.
void AddLoneDots(support::Frame& frame, int bottom, int grey, uint64_t seed)
{
    std::mt19937_64 random(seed);
    for (int cy = 12; cy + 12 < bottom; cy += 22) {
        for (int cx = 12; cx + 12 < frame.width; cx += 22) {
            int const x0 = cx + static_cast<int>(random() % 5) - 2;
            int const y0 = cy + static_cast<int>(random() % 5) - 2;
            int const size = 2 + static_cast<int>(random() % 3);
            for (int y = 0; y < size; ++y) {
                for (int x = 0; x < size; ++x) {
                    frame.pixels[static_cast<size_t>(y0 + y) * frame.width + (x0 + x)] = static_cast<uint16_t>(grey);
                }
            }
        }
    }
}

TEST(DotCodeTextureTest, ASymbolBelowDotLikeTextureIsRead)
{
    DotCodeHarness harness;
    ASSERT_TRUE(harness.IsReady());
    struct Case {
        char const* text;
        double size;
        bool inverted;
        int texture;  // grey of the texture's dots
    } const cases[] = {
        {"DotCode 1234", 4.0, false, 100},
        {"DotCode 1234", 4.0, true, 100},
        {"Below the gravel 0042", 3.0, false, 900},
        {"Below the gravel 0042", 5.0, true, 900},
    };
    for (Case const& c : cases) {
        support::Rendering r = support::render(DotCodeInput(c.text), {.frameWidth = 1024,
                                                                      .frameHeight = 768,
                                                                      .moduleSize = c.size,
                                                                      .centre = support::Point{512, 640},
                                                                      .quietZone = 4,
                                                                      .inverted = c.inverted});
        ASSERT_TRUE(r.symbol.ok) << r.symbol.error;
        // Some 950 dots above the symbol: more than the locator's list holds.
        AddLoneDots(r.frame, 500, c.texture, 7);
        auto const& labels = harness.Read(r.frame);
        ASSERT_EQ(labels.size(), 1u) << c.text << " at " << c.size << (c.inverted ? " inverted" : "");
        EXPECT_EQ(labels[0].data, c.text);
    }
    // The texture alone gives nothing.
    support::Frame bare = support::makeFrame(1024, 768);
    AddLoneDots(bare, 760, 100, 7);
    EXPECT_TRUE(harness.Read(bare).empty());
}

Dot MakeDot(int x, int y, unsigned size, bool dark = true)
{
    Dot dot;
    dot.position = Point{x, y};
    dot.size = size;
    dot.dark = dark ? 1 : 0;
    return dot;
}

TEST(DotNeighbourScreenTest, KeepsDotsAmongLikeDotsInTheirOrder)
{
    // A checkerboard of 3-pixel dots 4 pixels a step (diagonal neighbours
    // 5.7 pixels apart) in rows 10-26, with texture between its rows: a
    // lone dot, a dot beside dots twice its size, a light dot beside the
    // dark grid, and a dot as near as its own size to another.
    Dot dots[64];
    unsigned count = 0;
    for (int row = 0; row < 5; ++row) {
        for (int column = row % 2; column < 8; column += 2) {
            dots[count++] = MakeDot(100 + 4 * column, 10 + 4 * row, 3);
        }
        if (row == 1) {
            dots[count++] = MakeDot(300, 14, 3);  // lone
            dots[count++] = MakeDot(400, 14, 3);  // among big dots
            dots[count++] = MakeDot(405, 18, 6);
            dots[count++] = MakeDot(395, 18, 6);
        }
        if (row == 2) {
            dots[count++] = MakeDot(116, 20, 3, false);  // light, amid the dark grid
        }
    }
    unsigned const grid = 20;
    ASSERT_EQ(count, grid + 5);
    Dot copy[64];
    std::copy(dots, dots + count, copy);
    unsigned const kept = DotNeighbourScreen::Start(copy, count, 1000, 24);
    ASSERT_EQ(kept, grid);
    unsigned k = 0;
    for (unsigned i = 0; i < count; ++i) {
        if (dots[i].position.x < 200 && dots[i].dark != 0) {
            EXPECT_EQ(copy[k].position, dots[i].position) << i;  // in their order
            ++k;
        }
    }
    // Rows not swept yet: a dot whose neighbours may lie there is kept.
    std::copy(dots, dots + count, copy);
    // Open from row 30 on: the big and the light dots stay; the lone dot
    // and the one among the big dots (rows 14) go.
    EXPECT_EQ(DotNeighbourScreen::Start(copy, count, 30, 24), count - 2);
    // Dots touching their neighbours are not a grid's.
    Dot touching[3] = {MakeDot(50, 50, 4), MakeDot(53, 50, 4), MakeDot(50, 53, 4)};
    EXPECT_EQ(DotNeighbourScreen::Start(touching, 3, 1000, 24), 0u);
}

}  // namespace
