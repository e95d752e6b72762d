#include <gtest/gtest.h>

#include <cmath>

#include "decoder/core/geometry/common_angle.h"
#include "decoder/core/arithmetic/dec_math.h"

namespace DEC2DIvra {
namespace {

constexpr double kPi = 3.14159265358979323846;

TEST(CommonAngleTest, ThreeBitSectorsOfThePrincipalDirections)
{
    struct {
        int dx, dy;
        unsigned value;
    } const cases[] = {
        {1, 0, 0},   {5, -5, 1},  {0, -3, 2}, {-2, -2, 3}, {-7, 0, 4},   {-1, 1, 5},
        {0, 9, 6},   {4, 4, 7},   {9, 1, 0},  {9, -3, 0},  {5, -2, 0},   // 21.8 degrees: still sector 0
        {2, -1, 1},  // 26.6 degrees: nearer 45
        {10, 4, 7},  // -21.8 degrees: sector 0 side? no: 338.2 is nearer 360 -> 0
    };
    for (auto const& c : cases) {
        unsigned value = 99;
        ASSERT_TRUE(CommonAngle::CalcAngleValue(c.dx, c.dy, 3, value));
        unsigned const expected =
            static_cast<unsigned>(std::floor(std::atan2(-double(c.dy), double(c.dx)) / (2 * kPi) * 8 + 0.5 + 8)) & 7;
        EXPECT_EQ(value, expected) << c.dx << "," << c.dy;
    }
    unsigned value = 99;
    EXPECT_FALSE(CommonAngle::CalcAngleValue(0, 0, 3, value));
    EXPECT_FALSE(CommonAngle::CalcAngleValue(1, 0, 0, value));
    EXPECT_FALSE(CommonAngle::CalcAngleValue(1, 0, 10, value));
    EXPECT_EQ(value, 99u);
}

TEST(CommonAngleTest, HalfwayDirectionsTakeTheHigherSector)
{
    // With 2 bits the sector boundaries lie on the diagonals.
    struct {
        int dx, dy;
        unsigned value;
    } const cases[] = {{1, -1, 1}, {-1, -1, 2}, {-1, 1, 3}, {1, 1, 0}};
    for (auto const& c : cases) {
        unsigned value = 99;
        ASSERT_TRUE(CommonAngle::CalcAngleValue(c.dx, c.dy, 2, value));
        EXPECT_EQ(value, c.value) << c.dx << "," << c.dy;
    }
}

TEST(CommonAngleTest, NineBitValuesAgreeWithAtan2)
{
    int mismatches = 0;
    for (int dx = -60; dx <= 60; dx += 3) {
        for (int dy = -60; dy <= 60; dy += 7) {
            if (dx == 0 && dy == 0) {
                continue;
            }
            unsigned value = 0;
            ASSERT_TRUE(CommonAngle::CalcAngleValue(dx * 1000, dy * 1000, 9, value));
            double const steps = std::atan2(-double(dy), double(dx)) / (2 * kPi) * 512;
            unsigned const expected = static_cast<unsigned>(std::floor(steps + 0.5 + 512)) & 511;
            mismatches += value != expected;
        }
    }
    EXPECT_EQ(mismatches, 0);
    unsigned value = 0;
    ASSERT_TRUE(CommonAngle::CalcAngleValue(2147483647, -2147483647, 4, value));
    EXPECT_EQ(value, 2u);
}

TEST(CommonAngleTest, AngleVectorsOfThreeBitAndWiderValues)
{
    Vector const expected[9] = {{1, 0}, {1, -1}, {0, -1}, {-1, -1}, {-1, 0}, {-1, 1}, {0, 1}, {1, 1}, {1, 0}};
    for (unsigned v = 0; v <= 8; ++v) {
        Vector step;
        ASSERT_TRUE(CommonAngle::CalcAngleVector(v, 3, step));
        EXPECT_EQ(step, expected[v]) << v;
    }
    Vector step;
    ASSERT_TRUE(CommonAngle::CalcAngleVector(3, 4, step));  // 67.5 degrees: halfway, upward to 90
    EXPECT_EQ(step, (Vector{0, -1}));
    ASSERT_TRUE(CommonAngle::CalcAngleVector(1, 1, step));
    EXPECT_EQ(step, (Vector{-1, 0}));
    ASSERT_TRUE(CommonAngle::CalcAngleVector(500, 9, step));  // 351.6 degrees
    EXPECT_EQ(step, (Vector{1, 0}));
}

TEST(DecMathTest, SineTableMatchesTheLibraryToOneUnit)
{
    for (int i = 0; i < 1024; ++i) {
        double const exact = std::sin(2 * kPi * i / 1024) * 4294967296.0;
        EXPECT_NEAR(double(DecMath::SineTable(i)), exact, 1.0) << i;
    }
    EXPECT_EQ(DecMath::SineTable(256), 1LL << 32);
    EXPECT_EQ(DecMath::SineTable(1024 + 5), DecMath::SineTable(5));
    EXPECT_EQ(DecMath::SineTable(-5), -DecMath::SineTable(5));
    EXPECT_EQ(DecMath::Cos(64).GetRaw(), DecMath::Sin(64).GetRaw());  // 45 degrees, bit-equal
    EXPECT_EQ(DecMath::Cos(128).GetRaw(), 0);
}

TEST(DecMathTest, InverseFunctionsGiveTheNearestNineBitAngle)
{
    int worst = 0;
    for (int i = -1000; i <= 1000; ++i) {
        double const x = i / 1000.0;
        Real32 const r = Real32::FromRatio(i, 1000);
        double const acos = std::acos(x) / kPi * 256;
        double const asin = std::asin(x) / kPi * 256;
        int const a = DecMath::ACos(r);
        int const s = DecMath::ASin(r);
        // Within half a step; exact ties are too rare to matter here.
        EXPECT_LE(std::fabs(a - acos), 0.5 + 1e-6) << x;
        EXPECT_LE(std::fabs(s - asin), 0.5 + 1e-6) << x;
        worst = std::max(worst, std::abs(a - static_cast<int>(std::lround(acos))));
    }
    EXPECT_EQ(worst, 0);
    EXPECT_EQ(DecMath::ACos(Real32::FromInt(1)), 0);
    EXPECT_EQ(DecMath::ACos(Real32::FromInt(-1)), 256);
    EXPECT_EQ(DecMath::ACos(Real32::FromInt(0)), 128);
    EXPECT_EQ(DecMath::ACos(Real32::FromInt(3)), 0);     // beyond the range
    EXPECT_EQ(DecMath::ACos(Real32::FromInt(-3)), 256);
    EXPECT_EQ(DecMath::ASin(Real32::FromInt(1)), 128);
    EXPECT_EQ(DecMath::ASin(Real32::FromInt(-1)), -128);
    EXPECT_EQ(DecMath::ASin(DecMath::Sin(-37)), -37);
    for (int a = 0; a <= 256; ++a) {
        EXPECT_EQ(DecMath::ACos(DecMath::Cos(a)), a);
    }
}

TEST(DecMathTest, CombinationSqrtAndFixedPoint)
{
    struct {
        unsigned n, r, value;
    } const cases[] = {{0, 0, 1},   {5, 0, 1},    {5, 5, 1},          {5, 2, 10},      {17, 8, 24310},
                       {3, 4, 0},   {33, 16, 1166803110u}, {34, 1, 34}, {60, 3, 34220}};
    for (auto const& c : cases) {
        EXPECT_EQ(DecMath::Combination(c.n, c.r), c.value) << c.n << " " << c.r;
    }
    EXPECT_EQ(DecMath::Sqrt(0), 0u);
    EXPECT_EQ(DecMath::Sqrt(15), 3u);
    EXPECT_EQ(DecMath::Sqrt(16), 4u);
    EXPECT_EQ(DecMath::Sqrt(18446744073709551615ULL), 4294967295u);
    EXPECT_EQ(DecMath::Sqrt(4294967295ULL * 4294967295ULL - 1), 4294967294u);
    EXPECT_EQ(DecMath::Sqrt(4294967295ULL * 4294967295ULL), 4294967295u);

    Real32 const half = Real32::FromRatio(1, 2);
    EXPECT_EQ(half.GetRaw(), 1LL << 31);
    EXPECT_EQ(half.Mul(Real32::FromInt(-6)).ToRoundedInt(), -3);
    Real32 q;
    ASSERT_TRUE(Real32::FromInt(7).Div(Real32::FromInt(2), q));
    EXPECT_EQ(q.ToRoundedInt(), 4);  // 3.5 rounds up
    ASSERT_TRUE(Real32::FromInt(-7).Div(Real32::FromInt(2), q));
    EXPECT_EQ(q.ToRoundedInt(), -3);  // -3.5 rounds up too
    EXPECT_FALSE(Real32::FromInt(1).Div(Real32(), q));
    // A product whose intermediate needs 96 bits.
    EXPECT_EQ(Real32::FromInt(40000).Mul(Real32::FromInt(50000)).ToRoundedInt(), 2000000000LL);
}

}  // namespace
}  // namespace DEC2DIvra
