// The steps of the cluster search and the line growth that carry numbers:
// the circle test, the cell test and the point prediction.
#include <gtest/gtest.h>

#include <cmath>
#include <vector>

#include "decoder/legacy/engine/legacy_scan_line.h"
#include "decoder/legacy/maxicode/maxi_cluster_search.h"
#include "decoder/legacy/maxicode/maxi_line_growth.h"
#include "decoder/legacy/maxicode/maxi_module_location.h"

namespace {

// The circle test against a round ring of radius table value R: a vector
// as long as the scale makes it passes with its angle (counter-clockwise, y
// down) in every quadrant; 10 % too long or short does not.
TEST(MaxiClusterSearchTest, CircleTestTakesVectorsOfTheRingsLength)
{
    constexpr int kRadius = 4000;
    constexpr int kScale = 57;
    for (int& r : Radii360) {
        r = kRadius;
    }
    // Expected pixels: scale * 6 * R / 65536.
    double const expected = kScale * 6.0 * kRadius / 65536.0;
    struct Case {
        int degrees;
        double stretch;
        int angle;  // -1 refused
    };
    Case const cases[] = {
        {30, 1.0, 30},  {150, 1.0, 150}, {210, 1.0, 210}, {300, 1.0, 300}, {0, 1.0, 0},
        {90, 1.0, 90},  {120, 1.05, 120}, {30, 1.1, -1},  {200, 0.9, -1},
    };
    for (Case const& c : cases) {
        SCOPED_TRACE(c.degrees);
        double const a = c.degrees * M_PI / 180;
        int const dx = static_cast<int>(std::lround(expected * c.stretch * std::cos(a) * 65536));
        int const dy = static_cast<int>(std::lround(-expected * c.stretch * std::sin(a) * 65536));
        int deviation = -1;
        int const angle = OnCircle(&deviation, dx, dy, kScale, 20);
        if (c.angle < 0) {
            EXPECT_EQ(angle, -1);
        } else {
            EXPECT_NEAR(angle, c.angle, 1);
        }
        // |L - e| in 1/256 pixel.
        EXPECT_NEAR(deviation, std::abs(c.stretch - 1) * expected * 256 * (std::abs(std::cos(a)) + std::abs(std::sin(a))),
                    8);
    }
}

// A cell counts only when its four pixels agree; at the frame's edge the
// pixels are clamped, not read outside.
TEST(MaxiClusterSearchTest, CellTestNeedsAllFourPixels)
{
    // 4 x 3: a dark 2 x 2 block at the left, light at the right, a mixed
    // column between.
    std::vector<unsigned short> pixels = {
        100, 100, 900, 900,  //
        100, 100, 100, 900,  //
        900, 900, 900, 900,
    };
    decode_image_info.samplePixels = pixels.data();
    decode_image_info.sampleWidth = 4;
    decode_image_info.sampleHeight = 3;
    decode_image_info.sampleRowPadding = 0;
    for (int& t : Mx_Th) {
        t = 500;
    }
    struct Case {
        int x;
        int y;
        int want;
        int grey;
    };
    Case const cases[] = {
        {0, 0, 1, 100}, {1, 0, -1, 100}, {2, 0, -1, 900}, {3, 0, 0, 900}, {0, 2, 0, 900}, {3, 2, 0, 900}, {1, 1, -1, 100},
    };
    for (Case const& c : cases) {
        SCOPED_TRACE(testing::Message() << c.x << "," << c.y);
        int grey = -1;
        EXPECT_EQ(ImgSame4(c.y << 16, c.x << 16, 100, &grey), c.want);
        EXPECT_EQ(grey, c.grey);
    }
    decode_image_info.samplePixels = nullptr;
}

// With a round ring (no ellipse terms) the prediction is the hexagon's:
// the corner between a neighbour and the centre, opposite the other
// neighbour (c0 = c1 + O - c2); terms that are not zero move it.
TEST(MaxiClusterSearchTest, PointPredictionOfARoundRingIsTheHexagonsCorner)
{
    Mx_Cxy = 4LL * 3000 * 3000;
    int const c1[2] = {-30 << 16, -52 << 16};
    int const o[2] = {5 << 16, 7 << 16};
    int const c2[2] = {-60 << 16, 0};
    MaxiPoint16 out{};
    Point4_Calc(&out, c1[0], c1[1], o[0], o[1], c2[0], c2[1], 0, 0, 0);
    EXPECT_NEAR(out.x, c1[0] + o[0] - c2[0], 2);
    EXPECT_NEAR(out.y, c1[1] + o[1] - c2[1], 2);
    MaxiPoint16 moved{};
    Point4_Calc(&moved, c1[0], c1[1], o[0], o[1], c2[0], c2[1], Mx_Cxy / 10, 0, 0);
    EXPECT_GT(std::abs(moved.x - out.x) + std::abs(moved.y - out.y), 65536);
    // Terms that cancel both denominators do not divide by zero.
    Mx_Cxy = 0;
    Point4_Calc(&moved, c1[0], c1[1], o[0], o[1], c2[0], c2[1], 0, 0, 0);
    EXPECT_EQ(moved.x, c1[0]);
    EXPECT_EQ(moved.y, c1[1]);
    // Terms that nearly cancel one throw the point off, but no farther than
    // the grid's reach.
    Mx_Cxy = 1000;
    Point4_Calc(&moved, c1[0], c1[1], o[0], o[1], c2[0], c2[1], 0, 0, -999);
    EXPECT_LE(std::abs(moved.x), kMaxiReach);
    EXPECT_LE(std::abs(moved.y), kMaxiReach);
}

}  // namespace
