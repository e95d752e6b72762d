// Clutter must be repeatable and must keep off the symbols it surrounds.

#include "tests/support/clutter.h"

#include <gtest/gtest.h>

#include <algorithm>

namespace support {
namespace {

TEST(Clutter, SeededAndClearOfTheKeptAreas)
{
    Quad const keep{Point{250, 180}, Point{390, 180}, Point{390, 300}, Point{250, 300}};
    ClutterOptions options{.textLines = 12, .strokes = 8, .seed = 11, .keepClear = {keep}, .margin = 5.0};
    Frame a = makeFrame();
    Frame b = makeFrame();
    EXPECT_EQ(addClutter(a, options), 20);
    addClutter(b, options);
    EXPECT_EQ(a.pixels, b.pixels);
    int changed = 0, changedKept = 0;
    for (int y = 0; y < a.height; ++y) {
        for (int x = 0; x < a.width; ++x) {
            bool const kept = x >= 245 && x < 395 && y >= 175 && y < 305;
            (kept ? changedKept : changed) += a.at(x, y) != 512;
        }
    }
    EXPECT_EQ(changedKept, 0);
    EXPECT_GT(changed, 500);
    Frame c = makeFrame();
    options.seed = 12;
    addClutter(c, options);
    EXPECT_NE(a.pixels, c.pixels);
}

TEST(Clutter, GivesUpWhereNothingFits)
{
    Frame f = makeFrame(100, 100, 512);
    Quad const everything{Point{-50, -50}, Point{150, -50}, Point{150, 150}, Point{-50, 150}};
    EXPECT_EQ(addClutter(f, {.seed = 3, .keepClear = {everything}}), 0);
    EXPECT_TRUE(std::all_of(f.pixels.begin(), f.pixels.end(), [](uint16_t v) { return v == 512; }));
}

} // namespace
} // namespace support
