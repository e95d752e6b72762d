// Exposure control on frames made for the purpose: the brightness measure, the setting it
// leads to, and the sensor's range never left.
#include "app/camera/exposure_control.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <functional>
#include <vector>

namespace {

using Samples = std::vector<std::uint16_t>;
constexpr int kWidth = 640;
constexpr int kHeight = 480;
constexpr float kStep = 1.9333334e-5f;

Samples uniform(std::uint16_t value) { return Samples(static_cast<std::size_t>(kWidth) * kHeight, value); }

// The grid point (i, j) of the measurement.
std::size_t gridAt(int i, int j) { return static_cast<std::size_t>(126 + 12 * j) * kWidth + 168 + 16 * i; }

Isp camerasIsp() { return Isp(kWidth, kHeight, Rect{160, 120, 479, 359}); }

double product(int gain, int exposure) { return gain / 16.0 * exposure * kStep; }

TEST(ExposureControlTest, TopQuantileMeanAndPeakOfTheSampleGrid)
{
    // Grid point k holds 2k, everything else is brighter than any of them and not sampled.
    Samples frame = uniform(1000);
    for (int j = 0; j < 20; ++j) {
        for (int i = 0; i < 20; ++i) {
            frame[gridAt(i, j)] = static_cast<std::uint16_t>(2 * (j * 20 + i));
        }
    }
    Isp isp = camerasIsp();
    isp.createHistogram(frame.data());
    EXPECT_EQ(isp.calculateHistogramTopQuantileMean(0), -1.0f);
    EXPECT_EQ(isp.calculateHistogramTopQuantileMean(101), -1.0f);
    // More than 5 % of 400: the 21 brightest, 798 down to 758.
    EXPECT_FLOAT_EQ(isp.calculateHistogramTopQuantileMean(5), 778.0f);
    EXPECT_EQ(isp.peak(), 798);
    EXPECT_FLOAT_EQ(isp.calculateHistogramTopQuantileMean(100), 399.0f);
}

TEST(ExposureControlTest, BlackFrameKeepsTheStoredSetting)
{
    Isp isp = camerasIsp();
    Samples const black = uniform(0);
    EXPECT_EQ(isp.calculateGainExposure(black.data(), 200, 100), Isp::eNewSetting);
    EXPECT_EQ(isp.gain(), Isp::kStartGain);
    EXPECT_EQ(isp.exposure(), Isp::kStartExposure);
}

TEST(ExposureControlTest, InBandFrameAtAShortExposureIsLeftAlone)
{
    Isp isp = camerasIsp();
    Samples const good = uniform(625);
    EXPECT_EQ(isp.calculateGainExposure(good.data(), 64, 10), Isp::eUnchanged);
    EXPECT_EQ(isp.gain(), 64);
    EXPECT_EQ(isp.exposure(), 10);
}

// Bright frames near the bottom of the range: the gain stays at the sensor's minimum of 16
// (never 15) and a frame already at the least exposure product is not pushed further.
TEST(ExposureControlTest, BrightFrameAtTheBottomStaysInRange)
{
    Isp isp = camerasIsp();
    Samples const white = uniform(1023);
    EXPECT_EQ(isp.calculateGainExposure(white.data(), 16, 4), Isp::eNewSetting);
    EXPECT_EQ(isp.gain(), 16);
    EXPECT_EQ(isp.exposure(), 2);
    EXPECT_EQ(isp.calculateGainExposure(white.data(), 16, 2), Isp::eNewSetting);
    EXPECT_EQ(isp.gain(), 16);
    EXPECT_EQ(isp.exposure(), 1);
    EXPECT_EQ(isp.calculateGainExposure(white.data(), 16, 1), Isp::eUnchanged);
    EXPECT_EQ(isp.gain(), 16);
    EXPECT_EQ(isp.exposure(), 1);
}

TEST(ExposureControlTest, DarkFrameAtTheTopIsNotPushedFurther)
{
    Isp isp = camerasIsp();
    Samples const dark = uniform(20);
    EXPECT_EQ(isp.calculateGainExposure(dark.data(), 1023, 200), Isp::eNewSetting);
    EXPECT_EQ(isp.gain(), 1023);
    EXPECT_EQ(isp.exposure(), 260);
    EXPECT_EQ(isp.calculateGainExposure(dark.data(), 1023, 260), Isp::eUnchanged);
}

// Over a spread of brightness and sensor settings: the setting stays in the sensor's range,
// and where the range allows, its exposure product is 625 / brightness times the old one,
// with the exposure under 0.5 ms unless the gain is at its top.
TEST(ExposureControlTest, NewSettingScalesTheProductWithinTheSensorRange)
{
    std::uint16_t const levels[] = {1, 3, 40, 200, 480, 800, 1000, 1023};
    int const gains[] = {16, 17, 40, 63, 64, 100, 500, 1023};
    int const exposures[] = {1, 2, 5, 10, 26, 100, 260};
    for (std::uint16_t const level : levels) {
        Samples const frame = uniform(level);
        for (int const gain : gains) {
            for (int const exposure : exposures) {
                SCOPED_TRACE(testing::Message() << "level " << level << " gain " << gain << " exposure " << exposure);
                Isp isp = camerasIsp();
                int const result = isp.calculateGainExposure(frame.data(), gain, exposure);
                EXPECT_GE(isp.gain(), 16);
                EXPECT_LE(isp.gain(), 1023);
                EXPECT_GE(isp.exposure(), 1);
                EXPECT_LE(isp.exposure(), 260);
                double const wanted = 625.0 / level * product(gain, exposure);
                bool const reachable = wanted >= product(16, 100) && wanted <= product(1023, 200);
                if (result != Isp::eNewSetting || !reachable) {
                    continue;
                }
                EXPECT_NEAR(product(isp.gain(), isp.exposure()) / wanted, 1.0, 0.05);
                if (isp.gain() < 1023) {
                    EXPECT_LE(isp.exposure() * kStep, 0.0005f + kStep);
                }
            }
        }
    }
}

// Samples are 16-bit words from the device; anything above the 10-bit scale counts as white.
TEST(ExposureControlTest, OutOfScaleSamplesAndShortInputAreRefused)
{
    Isp isp = camerasIsp();
    Samples const wild = uniform(0xFFFF);
    EXPECT_EQ(isp.calculateGainExposure(wild.data(), 64, 10), Isp::eNewSetting);
    EXPECT_FLOAT_EQ(isp.brightness(), 1023.0f);
    EXPECT_EQ(isp.peak(), 1023);

    EXPECT_EQ(isp.calculateGainExposure(nullptr, 64, 10), Isp::eUnchanged);
    Isp small(320, 240, 64); // the grid does not fit: nothing is read
    Samples const tiny(320 * 240, 1023);
    EXPECT_EQ(small.calculateGainExposure(tiny.data(), 64, 10), Isp::eUnchanged);
    EXPECT_EQ(small.gain(), Isp::kStartGain);
}

TEST(ExposureControlTest, OtherMeasurements)
{
    Isp isp = camerasIsp();
    Samples frame = uniform(100);
    for (int x = 0; x < kWidth; ++x) {
        frame[static_cast<std::size_t>(10) * kWidth + static_cast<std::size_t>(x)] = 400; // one bright line
    }
    for (int y = 176; y < 304; ++y) {
        for (int x = 256; x < 384; ++x) {
            frame[static_cast<std::size_t>(y) * kWidth + static_cast<std::size_t>(x)] = 700; // the central square
        }
    }
    EXPECT_FLOAT_EQ(isp.calculateMean(frame.data()), 700.0f);
    EXPECT_FLOAT_EQ(isp.getLineContrast(frame.data(), 10), 400.0f);
    EXPECT_EQ(isp.getLineContrast(frame.data(), 480), -1.0f);
    EXPECT_EQ(isp.getLineContrast(frame.data(), -1), -1.0f);
    double const whole = (100.0 * (kWidth * kHeight - kWidth - 128 * 128) + 400.0 * kWidth + 700.0 * 128 * 128) /
                         (kWidth * kHeight);
    EXPECT_NEAR(isp.calculateMeanNeon(frame.data()), whole, 0.01);
    double const rect = (100.0 * (320 * 240 - 128 * 128) + 700.0 * 128 * 128) / (320 * 240);
    EXPECT_NEAR(isp.calculateMeanNeonRect(frame.data()), rect, 0.01);
}

TEST(ExposureControlTest, HistogramIntoPowerOfTwoBins)
{
    Samples const samples{0, 127, 128, 1023, 5000, 512};
    std::vector<std::uint32_t> bins(8);
    ASSERT_TRUE(Isp::calcHist(samples.data(), samples.size(), bins, 1024));
    EXPECT_EQ(bins, (std::vector<std::uint32_t>{2, 1, 0, 0, 1, 0, 0, 2}));
    std::vector<std::uint32_t> three(3);
    EXPECT_FALSE(Isp::calcHist(samples.data(), samples.size(), three, 1024));
    std::vector<std::uint32_t> many(2048);
    EXPECT_FALSE(Isp::calcHist(samples.data(), samples.size(), many, 1024));
    EXPECT_FALSE(Isp::calcHist(nullptr, 4, bins, 1024));
}

} // namespace
