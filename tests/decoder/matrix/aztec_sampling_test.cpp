// The grey value the Aztec reader samples between pixels: everywhere on and
// around the image the bilinear blend of the four pixels about the point,
// with reads clamped to the image; a point that is no number reads 0.

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

TEST(AztecSamplingTest, BilinearGreyInsideOnTheBorderAndOffTheImage)
{
    // Pixel (i, j) holds 37 i + 101 j + 50; the rows' padding holds 1023
    // and must never be read.
    constexpr int kWidth = 6, kHeight = 5, kPitch = 8;
    std::vector<unsigned short> pixels(kPitch * kHeight, 1023);
    for (int j = 0; j < kHeight; ++j) {
        for (int i = 0; i < kWidth; ++i) {
            pixels[j * kPitch + i] = static_cast<unsigned short>(37 * i + 101 * j + 50);
        }
    }
    auto clamped = [&](int i, int j) {
        return pixels[std::clamp(j, 0, kHeight - 1) * kPitch + std::clamp(i, 0, kWidth - 1)];
    };
    // Pixel centres lie at i + 0.5.
    auto expected = [&](double x, double y) {
        double const fx = x - 0.5, fy = y - 0.5;
        int const i = static_cast<int>(std::floor(fx)), j = static_cast<int>(std::floor(fy));
        double const ax = fx - i, ay = fy - j;
        double const top = clamped(i, j) * (1 - ax) + clamped(i + 1, j) * ax;
        double const bottom = clamped(i, j + 1) * (1 - ax) + clamped(i + 1, j + 1) * ax;
        return static_cast<int>(top * (1 - ay) + bottom * ay + 0.5);
    };
    GrayImage const image(kWidth, kHeight, kPitch, pixels.data());
    EXPECT_EQ(SampleBilinear(image, 2.5, 1.5), 37 * 2 + 101 + 50);
    EXPECT_EQ(SampleBilinear(image, 3.0, 1.5), 244);
    // Points just left of or above the image (the floor below zero) and
    // past its last pixel centres read the border.
    for (double y = -2.0; y <= kHeight + 2.0; y += 0.0625) {
        for (double x = -2.0; x <= kWidth + 2.0; x += 0.0625) {
            ASSERT_EQ(SampleBilinear(image, x, y), expected(x, y)) << x << ", " << y;
        }
    }
    double const nan = std::numeric_limits<double>::quiet_NaN();
    double const inf = std::numeric_limits<double>::infinity();
    EXPECT_EQ(SampleBilinear(image, nan, 2.0), 0);
    EXPECT_EQ(SampleBilinear(image, 2.0, -inf), 0);
    EXPECT_EQ(SampleBilinear(image, 3e9, 2.0), 0);
    EXPECT_EQ(SampleBilinear(GrayImage(), 1.5, 1.5), 0);
}

}  // namespace
}  // namespace aztec_test
