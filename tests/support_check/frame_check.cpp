// Scene effects on whole frames: they must be deterministic and do what the
// decoder tests assume of them.

#include "tests/support/frame.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <numeric>

namespace support {
namespace {

double mean(Frame const& f)
{
    return std::accumulate(f.pixels.begin(), f.pixels.end(), 0.0) / static_cast<double>(f.pixels.size());
}

TEST(Noise, SeededGaussianOfTheGivenSigma)
{
    Frame a = makeFrame(320, 240, 500);
    Frame b = a;
    Frame c = a;
    applyNoise(a, 20.0, 5);
    applyNoise(b, 20.0, 5);
    applyNoise(c, 20.0, 6);
    EXPECT_EQ(a.pixels, b.pixels);
    EXPECT_NE(a.pixels, c.pixels);
    double const m = mean(a);
    double variance = 0.0;
    for (uint16_t v : a.pixels)
        variance += (v - m) * (v - m);
    variance /= static_cast<double>(a.pixels.size());
    EXPECT_NEAR(m, 500.0, 0.5);
    EXPECT_NEAR(std::sqrt(variance), 20.0, 0.5);
}

TEST(Noise, ClipsAtTheSensorRange)
{
    Frame f = makeFrame(100, 100, 1015);
    applyNoise(f, 100.0, 1);
    EXPECT_EQ(*std::max_element(f.pixels.begin(), f.pixels.end()), kMaxLevel);
    Frame g = makeFrame(100, 100, 5);
    applyNoise(g, 100.0, 1);
    EXPECT_EQ(*std::min_element(g.pixels.begin(), g.pixels.end()), 0);
}

TEST(Blur, SpreadsAPointEvenlyAndKeepsItsWeight)
{
    Frame f = makeFrame(41, 41, 0);
    f.at(20, 20) = 1000;
    applyBlur(f, 2.0);
    double const total = std::accumulate(f.pixels.begin(), f.pixels.end(), 0.0);
    EXPECT_NEAR(total, 1000.0, 45.0); // each pixel rounds on its own
    EXPECT_EQ(f.at(18, 20), f.at(22, 20));
    EXPECT_EQ(f.at(20, 17), f.at(17, 20));
    EXPECT_GT(f.at(20, 20), f.at(21, 20));
    // Flat stays flat, borders included.
    Frame flat = makeFrame(30, 20, 321);
    applyBlur(flat, 3.0);
    EXPECT_TRUE(std::all_of(flat.pixels.begin(), flat.pixels.end(), [](uint16_t v) { return v == 321; }));
}

TEST(Lighting, GradientRunsAlongItsAngle)
{
    struct Case {
        double angle;
        int darkX, darkY, brightX, brightY;
    };
    for (Case const& c : {Case{0, 0, 100, 199, 100}, Case{90, 100, 0, 100, 199}, Case{180, 199, 100, 0, 100}}) {
        Frame f = makeFrame(200, 200, 500);
        applyLighting(f, 0.4, c.angle);
        EXPECT_NEAR(f.at(c.darkX, c.darkY), 400, 2) << c.angle;
        EXPECT_NEAR(f.at(c.brightX, c.brightY), 600, 2) << c.angle;
        EXPECT_NEAR(mean(f), 500.0, 1.0);
    }
}

TEST(Effects, IgnoreAnInvalidFrame)
{
    Frame f = makeFrame(4, 4, 10);
    f.pixels.resize(3);
    applyBlur(f, 2.0);
    applyNoise(f, 2.0, 1);
    applyLighting(f, 0.5, 0.0);
    EXPECT_EQ(f.pixels, std::vector<uint16_t>(3, 10));
    EXPECT_FALSE(makeFrame(0, 10).valid());
    EXPECT_EQ(makeFrame(2, 2, 5000).at(1, 1), kMaxLevel);
}

TEST(DistanceOutside, SignedForEitherWinding)
{
    Quad const square{Point{0, 0}, Point{10, 0}, Point{10, 10}, Point{0, 10}};
    Quad const reversed{Point{0, 0}, Point{0, 10}, Point{10, 10}, Point{10, 0}};
    for (Quad const& q : {square, reversed}) {
        EXPECT_DOUBLE_EQ(distanceOutside(q, {5, 5}), -5.0);
        EXPECT_DOUBLE_EQ(distanceOutside(q, {13, 5}), 3.0);
        EXPECT_DOUBLE_EQ(distanceOutside(q, {13, 14}), 5.0);
    }
}

} // namespace
} // namespace support
