// Run widths to whole modules, as the row reader rounds a character's runs:
// the sum brought to the total, each run within its bounds, and widths no
// character can have (none, negative, too many runs) refused.
#include <cmath>
#include <limits>

#include <gtest/gtest.h>

#include "decoder/stacked/pdf_row_reader_tools.h"

namespace {

using DEC2DIvra::pdf_rows::kMaxCharacterRuns;
using DEC2DIvra::pdf_rows::RoundModules;

TEST(PdfRoundModules, BlurredRunsRoundToTheirModules)
{
    // 3 1 1 2 1 1 5 3 modules at 2.5 pixels, each edge off by a fraction.
    float const widths[8] = {7.9f, 2.2f, 2.9f, 4.6f, 2.1f, 2.7f, 12.1f, 8.0f};
    int modules[8] = {};
    ASSERT_TRUE(RoundModules(widths, 8, 17, 6, modules));
    int const expected[8] = {3, 1, 1, 2, 1, 1, 5, 3};
    for (unsigned i = 0; i < 8; ++i) {
        EXPECT_EQ(modules[i], expected[i]) << "run " << i;
    }
}

TEST(PdfRoundModules, TheSumIsBroughtToTheTotal)
{
    // Every run rounds to 2 (12 in all): two of them must give a module up
    // for the total of 10, those rounded up furthest (the two narrowest).
    float const widths[6] = {1.60f, 1.55f, 1.70f, 1.65f, 1.62f, 1.61f};
    int modules[6] = {};
    ASSERT_TRUE(RoundModules(widths, 6, 10, 5, modules));
    int const expected[6] = {1, 1, 2, 2, 2, 2};
    for (unsigned i = 0; i < 6; ++i) {
        EXPECT_EQ(modules[i], expected[i]) << "run " << i;
    }
}

TEST(PdfRoundModules, WidthsNoCharacterHasAreRefused)
{
    int modules[kMaxCharacterRuns + 1] = {};
    float const none[8] = {};
    EXPECT_FALSE(RoundModules(none, 8, 17, 6, modules));
    float const negative[8] = {-2, -1, -1, -1, -1, -1, -1, -2};
    EXPECT_FALSE(RoundModules(negative, 8, 17, 6, modules));
    float const nan = std::numeric_limits<float>::quiet_NaN();
    float const unknown[8] = {nan, 1, 1, 1, 1, 1, 1, 1};
    EXPECT_FALSE(RoundModules(unknown, 8, 17, 6, modules));
    // Eight runs cannot fill 60 modules at 6 at most.
    float const even[8] = {1, 1, 1, 1, 1, 1, 1, 1};
    EXPECT_FALSE(RoundModules(even, 8, 60, 6, modules));
}

TEST(PdfRoundModules, MoreRunsThanACharacterHasAreRefused)
{
    // Nine even runs would round to 17 modules well: the count alone refuses them.
    float const widths[kMaxCharacterRuns + 1] = {2, 2, 2, 2, 2, 2, 2, 2, 2};
    int modules[kMaxCharacterRuns + 1] = {};
    EXPECT_FALSE(RoundModules(widths, kMaxCharacterRuns + 1, 17, 6, modules));
}

}  // namespace
