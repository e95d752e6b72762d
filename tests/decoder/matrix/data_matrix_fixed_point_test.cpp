// The module centres' 1/256-pixel coordinates worked out four at a time in
// vector lanes must be those of the one-by-one rounding to the bit: halves
// away from zero, the values a hair either side of a half, negatives, the
// ends of the frame's reach and what lies beyond it.

#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <limits>
#include <random>
#include <vector>

#include "decoder/matrix/data_matrix_fixed_point.h"

namespace data_matrix_fixed_point_test {
namespace {

using DEC2DIvra::ToFixed;

TEST(DataMatrixFixedPointTest, FourLanesRoundAsOneByOne)
{
#if defined(__SSE2__)
    std::vector<float> values = {0.0f, -0.0f, 1.0f, -1.0f, 65535.99f, -65535.99f, 65536.0f, -65536.0f, 1e9f, -1e9f,
                                 std::numeric_limits<float>::infinity(), -std::numeric_limits<float>::infinity(),
                                 std::numeric_limits<float>::quiet_NaN(), 3.0e-8f, -3.0e-8f};
    // Halves of 1/256 and the floats next to them, both signs.
    for (float whole : {0.0f, 1.0f, 17.0f, 300.0f, 4095.0f, 65000.0f}) {
        for (float sign : {1.0f, -1.0f}) {
            float const half = sign * (whole + 0.5f) / 256.0f;
            values.push_back(half);
            values.push_back(std::nextafter(half, 0.0f));
            values.push_back(std::nextafter(half, 2 * half));
        }
    }
    std::mt19937 random(7);
    std::uniform_real_distribution<float> anywhere(-70000.0f, 70000.0f);
    std::uniform_real_distribution<float> onFrame(-2.0f, 700.0f);
    for (int i = 0; i < 4000; ++i) {
        values.push_back(i % 2 == 0 ? anywhere(random) : onFrame(random));
    }
    while (values.size() % 4 != 0) {
        values.push_back(0.25f);
    }
    for (size_t i = 0; i < values.size(); i += 4) {
        int lanes[4];
        _mm_storeu_si128(reinterpret_cast<__m128i*>(lanes), ToFixed(_mm_loadu_ps(&values[i])));
        for (size_t k = 0; k < 4; ++k) {
            EXPECT_EQ(lanes[k], ToFixed(values[i + k])) << "at " << values[i + k];
        }
    }
#else
    GTEST_SKIP() << "no vector lanes";
#endif
}

}  // namespace
}  // namespace data_matrix_fixed_point_test
