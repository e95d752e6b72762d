// Module sampling of a QR symbol: the lane-wise routes against the plain
// reads and formulas they stand for, value for value, at the frame's edge,
// over it, and at every length a row of lanes leaves over.

#include <gtest/gtest.h>

#include <cmath>
#include <random>
#include <vector>

#include "decoder/matrix/qr/qr_module_sampling.h"

namespace DEC2DIvra {
namespace {

int Clamped(int value) { return value < 0 ? 0 : (value > 1023 ? 1023 : value); }

TEST(QRModuleSamplingTest, RowSamplesAreThePointReadsEverywhereInAndAroundTheFrame)
{
    int const width = 37;
    int const height = 23;
    int const pitch = 40;
    std::vector<unsigned short> pixels(static_cast<size_t>(pitch) * height);
    std::mt19937 random(7);
    for (unsigned short& p : pixels) {
        p = static_cast<unsigned short>(random() % 1024);
    }
    GrayImage const image(width, height, pitch, pixels.data());
    std::uniform_real_distribution<float> inside(0.0f, 35.99f);
    std::uniform_real_distribution<float> around(-3.0f, 40.0f);
    float const nan = std::nanf("");
    struct Case {
        char const* name;
        bool reversed;
        unsigned count;
        bool edges;  // points on and beyond the last column and row, and no numbers at all
    } const cases[] = {
        {"inside", false, 177, false},     {"inside, light on dark", true, 177, false},
        {"one point", false, 1, false},    {"a lane and three", false, 7, false},
        {"around the edge", false, 61, true}, {"around the edge, light on dark", true, 62, true},
    };
    for (Case const& c : cases) {
        SCOPED_TRACE(c.name);
        QRSampler const sampler(image, c.reversed);
        std::vector<QRPoint> points(c.count);
        for (unsigned i = 0; i < c.count; ++i) {
            points[i] = c.edges ? QRPoint{around(random), around(random)} : QRPoint{inside(random), inside(random) * 0.6f};
        }
        if (c.edges) {
            points[0] = {36.0f, 5.5f};   // the last column: no pixel to its right
            points[1] = {12.25f, 22.0f};  // the last row
            points[2] = {35.999f, 21.999f};
            points[3] = {nan, 4.0f};
            points[5] = {-0.001f, 0.0f};
        }
        std::vector<unsigned short> out(c.count, 0xFFFF);
        SampleModuleRow(sampler, points.data(), c.count, out.data());
        for (unsigned i = 0; i < c.count; ++i) {
            QRPoint const& p = points[i];
            int const expected = sampler.IsInterior(p.x, p.y) ? sampler.AtInterior(p.x, p.y) : sampler.At(p.x, p.y);
            ASSERT_EQ(out[i], Clamped(expected)) << i << " at " << p.x << ", " << p.y;
        }
    }
}

TEST(QRModuleSamplingTest, SharpeningAndTheThresholdSplitAreTheFormulasAtEverySize)
{
    std::mt19937 random(11);
    for (unsigned const size : {2u, 3u, 9u, 10u, 11u, 17u, 21u, 25u, 177u}) {
        SCOPED_TRACE(size);
        unsigned const total = size * size;
        std::vector<unsigned short> sampled(total);
        for (unsigned i = 0; i < total; ++i) {
            // Extremes side by side drive the weighted difference to its ends.
            sampled[i] = static_cast<unsigned short>(i % 5 == 0 ? 0 : (i % 7 == 0 ? 1023 : random() % 1024));
        }
        std::vector<unsigned short> sharpened(total);
        SharpenModules(sampled.data(), sharpened.data(), size);
        auto at = [&](int x, int y) {
            x = x < 0 ? 0 : (x >= static_cast<int>(size) ? static_cast<int>(size) - 1 : x);
            y = y < 0 ? 0 : (y >= static_cast<int>(size) ? static_cast<int>(size) - 1 : y);
            return static_cast<int>(sampled[static_cast<unsigned>(y) * size + static_cast<unsigned>(x)]);
        };
        for (int y = 0; y < static_cast<int>(size); ++y) {
            for (int x = 0; x < static_cast<int>(size); ++x) {
                int const v = at(x, y);
                int const expected = Clamped(v + (4 * v - at(x - 1, y) - at(x + 1, y) - at(x, y - 1) - at(x, y + 1)) * 4 / 16);
                ASSERT_EQ(sharpened[static_cast<unsigned>(y) * size + static_cast<unsigned>(x)], expected) << x << ", " << y;
            }
        }
        for (int const threshold : {0, 1, 512, 1023, 1024, -3}) {
            SCOPED_TRACE(threshold);
            std::vector<unsigned short> values = sharpened;
            std::vector<unsigned char> dark(total, 9);
            ModuleSplit const split = SplitModules(values.data(), dark.data(), total, threshold);
            ModuleSplit expected;
            for (unsigned i = 0; i < total; ++i) {
                int const v = sharpened[i];
                bool const isDark = v < threshold;
                ASSERT_EQ(dark[i], isDark ? 1 : 0) << i;
                ASSERT_EQ(values[i], std::abs(v - threshold)) << i;
                expected.darkSum += isDark ? v : 0;
                expected.allSum += v;
                expected.darkCount += isDark ? 1u : 0u;
            }
            EXPECT_EQ(split.darkSum, expected.darkSum);
            EXPECT_EQ(split.allSum, expected.allSum);
            EXPECT_EQ(split.darkCount, expected.darkCount);
        }
    }
}

}  // namespace
}  // namespace DEC2DIvra
