// The module centres' 1/256-pixel coordinates worked out four or eight at a
// time in vector lanes must be those of the one-by-one rounding to the bit: halves
// away from zero, the values a hair either side of a half, negatives, the
// ends of the frame's reach and what lies beyond it.

#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <limits>
#include <random>
#include <vector>

#include "decoder/core/processor_lanes.h"
#include "decoder/matrix/data_matrix/data_matrix_fixed_point.h"

namespace data_matrix_fixed_point_test {
namespace {

using DEC2DIvra::ToFixed;

#if defined(__SSE2__)
void FourLanes(float const* in, int* out)
{
    _mm_storeu_si128(reinterpret_cast<__m128i*>(out), ToFixed(_mm_loadu_ps(in)));
}
#endif

#if defined(SCANNER_DATA_MATRIX_AVX2)
__attribute__((target("avx2"))) void EightLanes(float const* in, int* out)
{
    _mm256_storeu_si256(reinterpret_cast<__m256i*>(out), ToFixed(_mm256_loadu_ps(in)));
}
#endif

TEST(DataMatrixFixedPointTest, LanesRoundAsOneByOne)
{
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
    while (values.size() % 8 != 0) {
        values.push_back(0.25f);
    }
    struct Lanes {
        char const* name;
        size_t count;
        void (*round)(float const*, int*);
    };
    std::vector<Lanes> lanes;
#if defined(__SSE2__)
    lanes.push_back({"four lanes", 4, FourLanes});
#endif
#if defined(SCANNER_DATA_MATRIX_AVX2)
    if (DEC2DIvra::ProcessorHasAvx2()) {
        lanes.push_back({"eight lanes", 8, EightLanes});
    }
#endif
    if (lanes.empty()) {
        GTEST_SKIP() << "no vector lanes";
    }
    for (Lanes const& l : lanes) {
        SCOPED_TRACE(l.name);
        for (size_t i = 0; i < values.size(); i += l.count) {
            int out[8];
            l.round(&values[i], out);
            for (size_t k = 0; k < l.count; ++k) {
                EXPECT_EQ(out[k], ToFixed(values[i + k])) << "at " << values[i + k];
            }
        }
    }
}

}  // namespace
}  // namespace data_matrix_fixed_point_test
