// The grey value the Aztec reader samples between pixels: inside the image,
// on its border and off it, it answers the bilinear blend of the four pixels
// around the point with reads clamped to the image, rounded; a point that is
// no number answers 0.

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <limits>
#include <vector>

#include "decoder/core/gray_image.h"
#include "decoder/matrix/aztec_module_grid.h"

namespace aztec_test {
namespace {

using namespace DEC2DIvra;

constexpr int kWidth = 6;
constexpr int kHeight = 5;
constexpr int kPitch = 8;  // rows are padded; the padding must never be read

// Pixel (i, j) holds 37 i + 101 j + 50; the padding holds 1023.
std::vector<unsigned short> Pixels()
{
    std::vector<unsigned short> p(kPitch * kHeight, 1023);
    for (int j = 0; j < kHeight; ++j) {
        for (int i = 0; i < kWidth; ++i) {
            p[j * kPitch + i] = static_cast<unsigned short>(37 * i + 101 * j + 50);
        }
    }
    return p;
}

int Clamped(std::vector<unsigned short> const& p, int i, int j)
{
    i = std::clamp(i, 0, kWidth - 1);
    j = std::clamp(j, 0, kHeight - 1);
    return p[j * kPitch + i];
}

// Pixel centres at i + 0.5: the blend of the four around (x, y).
int Expected(std::vector<unsigned short> const& p, double x, double y)
{
    double const fx = x - 0.5;
    double const fy = y - 0.5;
    int const i = static_cast<int>(std::floor(fx));
    int const j = static_cast<int>(std::floor(fy));
    double const ax = fx - i;
    double const ay = fy - j;
    double const top = Clamped(p, i, j) * (1 - ax) + Clamped(p, i + 1, j) * ax;
    double const bottom = Clamped(p, i, j + 1) * (1 - ax) + Clamped(p, i + 1, j + 1) * ax;
    return static_cast<int>(top * (1 - ay) + bottom * ay + 0.5);
}

TEST(AztecSamplingTest, BilinearGreyInsideOnTheBorderAndOffTheImage)
{
    std::vector<unsigned short> const pixels = Pixels();
    GrayImage const image(kWidth, kHeight, kPitch, pixels.data());
    struct Case {
        char const* name;
        double x;
        double y;
        int grey;  // -1: as the clamped blend gives it
    };
    Case const cases[] = {
        {"a pixel centre", 2.5, 1.5, 37 * 2 + 101 + 50},
        {"between two pixels", 3.0, 1.5, (37 * 2 + 37 * 3) / 2 + 101 + 50 + 1},
        {"between four pixels", 1.0, 1.0, -1},
        {"a fraction inside", 2.8, 3.3, -1},
        {"the last full cell", 5.49, 4.49, -1},
        {"past the last pixel centre", 5.75, 2.25, -1},
        {"on the right edge", 6.0, 3.0, 37 * 5 + 101 * 2 + 50 + 51},
        {"before the first pixel centre", 0.25, 0.4, 50},
        {"just left of the image", -0.2, 2.5, 101 * 2 + 50},
        {"above the image", 1.5, -0.7, 37 + 50},
        {"far off the image", -40.0, 900.0, 101 * 4 + 50},
        {"below and right", 100.0, 100.0, 37 * 5 + 101 * 4 + 50},
    };
    for (Case const& c : cases) {
        SCOPED_TRACE(c.name);
        int const expected = c.grey >= 0 ? c.grey : Expected(pixels, c.x, c.y);
        EXPECT_EQ(SampleBilinear(image, c.x, c.y), expected);
        EXPECT_EQ(Expected(pixels, c.x, c.y), expected);
    }
    double const nan = std::numeric_limits<double>::quiet_NaN();
    double const inf = std::numeric_limits<double>::infinity();
    EXPECT_EQ(SampleBilinear(image, nan, 2.0), 0);
    EXPECT_EQ(SampleBilinear(image, 2.0, -inf), 0);
    EXPECT_EQ(SampleBilinear(image, 3e9, 2.0), 0);
    EXPECT_EQ(SampleBilinear(GrayImage(), 1.5, 1.5), 0);
}

// Every point on a fine lattice over the image and a margin around it reads
// what the clamped blend gives: the direct reads inside and the clamped ones
// at the border meet without a seam.
TEST(AztecSamplingTest, DirectAndClampedReadsAgreeEverywhere)
{
    std::vector<unsigned short> const pixels = Pixels();
    GrayImage const image(kWidth, kHeight, kPitch, pixels.data());
    for (double y = -2.0; y <= kHeight + 2.0; y += 0.0625) {
        for (double x = -2.0; x <= kWidth + 2.0; x += 0.0625) {
            ASSERT_EQ(SampleBilinear(image, x, y), Expected(pixels, x, y)) << x << ", " << y;
        }
    }
}

}  // namespace
}  // namespace aztec_test
