// Array and run-position helpers against sorting and exact rational places.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <vector>

#include "decoder/legacy/engine/legacy_run_length_utilities.h"
#include "tests/support/random.h"

namespace {

TEST(LegacyRunLengthUtilitiesTest, MediansAndExtremesAgreeWithSorting)
{
    support::Random random(1061);
    for (int trial = 0; trial < 300; ++trial) {
        int const n = random.integer(1, 40);
        std::vector<int> values(n);
        std::vector<unsigned short> grey(n);
        for (int i = 0; i < n; ++i) {
            values[i] = random.integer(-5, 5) * random.integer(1, 100);
            grey[i] = static_cast<unsigned short>(random.integer(0, 1023));
        }
        std::vector<int> sorted = values;
        std::sort(sorted.begin(), sorted.end());
        std::vector<int> const before = values;
        ASSERT_EQ(get_median_array(values.data(), n), sorted[n / 2]);
        EXPECT_EQ(values, before) << "the values are left in place";
        int max = -1, min = -1;
        get_max_min_byte_array(&max, &min, grey.data(), n);
        EXPECT_EQ(max, *std::max_element(grey.begin(), grey.end()));
        EXPECT_EQ(min, *std::min_element(grey.begin(), grey.end()));
    }
    EXPECT_EQ(get_median_array(nullptr, 0), -1);
}

TEST(LegacyRunLengthUtilitiesTest, HighResolutionPositionsKeepTheirSubPixelPlace)
{
    support::Random random(1062);
    for (int i = 0; i < 3000; ++i) {
        int const x0 = random.integer(-20000, 20000), y0 = random.integer(-20000, 20000);
        int const x1 = random.integer(-20000, 20000), y1 = random.integer(-20000, 20000);
        int length = -1;
        ASSERT_EQ(transfer_xy2ryo_high_resolution(x0, y0, x1, y1, &length), 0);
        EXPECT_EQ(length, std::max(std::abs(x1 - x0), std::abs(y1 - y0)));
        int x = 0, y = 0;
        if (length == 0) {
            EXPECT_EQ(transfer_ryo2xyC_high_resolution(&x, &y, 0, x0, y0, x1, y1), -1);
            continue;
        }
        int const p = random.integer(-length, 2 * length);
        ASSERT_EQ(transfer_ryo2xyC_high_resolution(&x, &y, p, x0, y0, x1, y1), 0);
        double const t = static_cast<double>(p) / length;
        EXPECT_LE(std::fabs(x - (x0 + t * (x1 - x0))), 0.5 + 1e-9);
        EXPECT_LE(std::fabs(y - (y0 + t * (y1 - y0))), 0.5 + 1e-9);
        ASSERT_EQ(transfer_ryo2xyC_high_resolution(&x, &y, length, x0, y0, x1, y1), 0);
        EXPECT_EQ(x, x1);
        EXPECT_EQ(y, y1);
    }
    // Pixel ends scaled by 32 give the pixel form's point, 32 times finer.
    int x = 0, y = 0, px = 0, py = 0;
    ASSERT_EQ(transfer_ryo2xyC_high_resolution(&x, &y, 100, 0, 0, 32 * 10, 32 * 3), 0);
    ASSERT_EQ(transfer_ryo2xyC(&px, &py, 100, 0, 0, 10, 3), 0);
    EXPECT_EQ(x, 100);
    EXPECT_EQ(y, 30);
    EXPECT_EQ(px, 3);
    EXPECT_EQ(py, 1);
    Line_st const line{1, -77, 123456};
    Line_st copy{};
    copy_line_struct(&copy, &line);
    EXPECT_EQ(copy.orientation * 1000000 + copy.slope * 1000 + copy.offset, line.orientation * 1000000 - 77000 + 123456);
}

}  // namespace
