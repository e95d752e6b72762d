// The outline of the ink a steeply seen stacked symbol is read within, and
// the map of its rows: corners found on drawn quadrilaterals of either
// polarity, and no outline (nor a read past the frame) from frames and areas
// that hold none.
#include <cmath>
#include <limits>
#include <vector>

#include <gtest/gtest.h>

#include "decoder/stacked/micro_pdf_outline.h"

namespace {

using DEC2DIvra::GrayImage;
using DEC2DIvra::MicroPdfOutline;
using DEC2DIvra::QuadMap;

struct Frame {
    int width;
    int height;
    std::vector<unsigned short> pixels;
    GrayImage Image() const { return GrayImage(width, height, width, pixels.data()); }
};

// A grey frame with a light label and a dark convex quadrilateral on it
// (clockwise on the frame); `inverted` swaps the ink and the label.
Frame DrawQuad(float const corners[8], bool inverted)
{
    Frame f{160, 120, std::vector<unsigned short>(160 * 120, 500)};
    unsigned short const ink = inverted ? 900 : 80;
    unsigned short const label = inverted ? 80 : 900;
    for (int y = 10; y < 110; ++y) {
        for (int x = 10; x < 150; ++x) {
            bool in = true;
            for (int c = 0; c < 4; ++c) {
                float const ax = corners[2 * c], ay = corners[2 * c + 1];
                float const bx = corners[(2 * c + 2) % 8], by = corners[(2 * c + 3) % 8];
                in = in && (bx - ax) * (static_cast<float>(y) - ay) - (by - ay) * (static_cast<float>(x) - ax) >= 0;
            }
            f.pixels[y * f.width + x] = in ? ink : label;
        }
    }
    return f;
}

TEST(MicroPdfOutline, FindsTheCornersOfTheInkOfEitherPolarity)
{
    struct Case {
        char const* name;
        float corners[8];
        bool inverted;
    };
    Case const cases[] = {
        {"square on", {30, 30, 130, 30, 130, 80, 30, 80}, false},
        {"keystoned", {40, 25, 120, 40, 110, 95, 30, 70}, false},
        {"thin strip at a slant", {30, 30, 40, 25, 135, 90, 125, 95}, false},
        {"light on dark", {40, 25, 120, 40, 110, 95, 30, 70}, true},
    };
    for (Case const& c : cases) {
        Frame const f = DrawQuad(c.corners, c.inverted);
        float found[8];
        ASSERT_TRUE(MicroPdfOutline::Find(f.Image(), 80, 60, 1, 0, 75, 55, c.inverted, found)) << c.name;
        // The same corners in the same turning order, from any one of them.
        int turn = -1;
        for (int t = 0; t < 4 && turn < 0; ++t) {
            turn = std::hypot(found[2 * t] - c.corners[0], found[2 * t + 1] - c.corners[1]) < 2.0f ? t : -1;
        }
        ASSERT_GE(turn, 0) << c.name;
        for (int k = 0; k < 4; ++k) {
            int const at = (turn + k) % 4;
            EXPECT_LT(std::hypot(found[2 * at] - c.corners[2 * k], found[2 * at + 1] - c.corners[2 * k + 1]), 2.0f)
                << c.name << " corner " << k;
        }
    }
}

TEST(MicroPdfOutline, NoOutlineWhereNoneIsOrTheAreaLeavesTheFrame)
{
    float const corners[8] = {40, 25, 120, 40, 110, 95, 30, 70};
    Frame const symbol = DrawQuad(corners, false);
    Frame const flat{160, 120, std::vector<unsigned short>(160 * 120, 700)};
    Frame specks = flat;
    for (int i = 0; i < 40; ++i) {
        specks.pixels[(7 + i * 37 % 100) * 160 + 9 + i * 53 % 140] = 20;  // lone dark pixels
    }
    Frame wild = symbol;
    for (unsigned short& p : wild.pixels) {
        p = p == 80 ? 0xFFFF : p;  // samples past the 10 bits
    }
    Frame const empty{0, 0, {}};
    float const inf = std::numeric_limits<float>::infinity();
    float const nan = std::numeric_limits<float>::quiet_NaN();
    struct Case {
        char const* name;
        Frame const* frame;
        float cx, cy, ux, uy, halfLength, halfHeight;
        bool inverted;
        bool found;
    };
    Case const cases[] = {
        {"empty frame", &empty, 0, 0, 1, 0, 50, 50, false, false},
        {"flat frame", &flat, 80, 60, 1, 0, 75, 55, false, false},
        {"lone specks", &specks, 80, 60, 1, 0, 75, 55, false, false},
        {"area beside the frame", &symbol, 400, 60, 1, 0, 75, 55, false, false},
        {"area of no size", &symbol, 80, 60, 1, 0, 0, 0, false, false},
        {"area not a number", &symbol, nan, 60, 1, 0, 75, 55, false, false},
        {"area past every edge", &symbol, 80, 60, 0.6f, 0.8f, 1e6f, 1e6f, false, true},
        {"area of endless reach", &symbol, 80, 60, 1, 0, inf, inf, false, false},
        {"samples past 10 bits", &wild, 80, 60, 1, 0, 75, 55, true, true},
    };
    for (Case const& c : cases) {
        float found[8];
        EXPECT_EQ(MicroPdfOutline::Find(c.frame->Image(), c.cx, c.cy, c.ux, c.uy, c.halfLength, c.halfHeight,
                                        c.inverted, found),
                  c.found)
            << c.name;
    }
}

TEST(QuadMap, MapsTheSquareOntoTheCornersAndRefusesNoShape)
{
    // The square's middle lies where the diagonals cross, under any perspective.
    float const keystone[8] = {40, 25, 120, 40, 110, 95, 30, 70};
    QuadMap map;
    ASSERT_TRUE(map.Set(keystone));
    float p[2];
    map.At(0.5f, 0.5f, p);
    float const ax = keystone[0], ay = keystone[1], bx = keystone[4], by = keystone[5];
    float const cx = keystone[2], cy = keystone[3], dx = keystone[6], dy = keystone[7];
    float const t = ((cx - ax) * (dy - cy) - (cy - ay) * (dx - cx)) / ((bx - ax) * (dy - cy) - (by - ay) * (dx - cx));
    EXPECT_NEAR(p[0], ax + t * (bx - ax), 0.01f);
    EXPECT_NEAR(p[1], ay + t * (by - ay), 0.01f);
    // Modules narrow towards the far side.
    float const trapezoid[8] = {40, 20, 120, 20, 140, 100, 20, 100};
    ASSERT_TRUE(map.Set(trapezoid));
    EXPECT_LT(map.ScaleAlong(0.5f, 0.0f), map.ScaleAlong(0.5f, 1.0f));

    float const noShapes[][8] = {
        {10, 10, 10, 10, 10, 10, 10, 10},  // one point
        {0, 0, 10, 0, 20, 0, 30, 0},       // one line
        {0, 0, 10, 0, 10, 10, 5, 0},       // the fourth on a side's line, folding back
    };
    for (auto const& corners : noShapes) {
        EXPECT_FALSE(map.Set(corners));
    }
}

}  // namespace

namespace {

TEST(MicroPdfOutline, OffsetMovesEverySideAlongItsNormal)
{
    struct Case {
        char const* name;
        float corners[8];
        float offset;
        float moved[8];
    };
    Case const cases[] = {
        {"out", {10, 10, 30, 10, 30, 20, 10, 20}, 1, {9, 9, 31, 9, 31, 21, 9, 21}},
        {"in", {10, 10, 30, 10, 30, 20, 10, 20}, -1, {11, 11, 29, 11, 29, 19, 11, 19}},
        {"none", {10, 10, 30, 10, 30, 20, 10, 20}, 0, {10, 10, 30, 10, 30, 20, 10, 20}},
        // A corner on a straight line (or two in one point) stays.
        {"no corners", {0, 0, 10, 0, 20, 0, 30, 0}, 1, {0, 0, 10, 0, 20, 0, 30, 0}},
        {"one point", {5, 5, 5, 5, 5, 5, 5, 5}, 1, {5, 5, 5, 5, 5, 5, 5, 5}},
    };
    for (Case const& c : cases) {
        float moved[8];
        MicroPdfOutline::Offset(c.corners, c.offset, moved);
        for (int k = 0; k < 8; ++k) {
            EXPECT_NEAR(moved[k], c.moved[k], 1e-4f) << c.name << " " << k;
        }
    }
}

}  // namespace
