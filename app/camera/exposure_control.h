#pragma once
// Gain and exposure for the next frame from the brightness of the current one. The
// brightest 5 % of a fixed sample grid should average 625 on the 10-bit scale, with
// the exposure time kept under 0.5 ms as far as the gain range allows.
//
// Units: exposure time = exposure steps x kExposureStep; gain factor = gain / 16;
// the exposure product is their product.

#include "app/camera/camera_rect.h"

#include <array>
#include <cstddef>
#include <cstdint>
#include <vector>

float gain2Factor(int gain);
float factor2dB(float factor);
float dB2Factor(float dB);
float getExposureValue(float a, float b);
float getExposureTime(float a, float b);

template <typename T>
T limitMinMax(T value, T lo, T hi)
{
    return value < lo ? lo : (value > hi ? hi : value);
}

class Isp {
public:
    // What calculateGainExposure found.
    enum eResult : int {
        eNewSetting = 0,  // brightness out of range: a new setting to write
        eRebalanced = 1,  // the stored setting, re-balanced: to write
        eUnchanged = 2,   // the sensor already holds the setting
    };

    static constexpr int kLevels = 1024;
    static constexpr int kTarget = 625;
    static constexpr int kMinGain = 16;
    static constexpr int kMaxGain = 1023;
    static constexpr int kMinExposure = 1;
    static constexpr int kMaxExposure = 260;
    // What the camera writes at start; also what is stored until the first calculation.
    static constexpr int kStartGain = 64;
    static constexpr int kStartExposure = 10;

    static constexpr float kMaxProduct = 0.3213925f;     // kMaxExposureTime x 1023 / 16
    static constexpr float kExposureStep = 1.9333334e-5f; // seconds
    static constexpr float kMaxExposureTime = 0.0050266669f; // 260 steps
    static constexpr float kLowerBound = 500.0f;
    static constexpr float kUpperBound = 750.0f;
    static constexpr float kShortExposure = 0.0005f;      // gain rises until exposure is below this
    static constexpr float kMinLowGainExposure = 9.666667e-5f; // five steps
    // The short exposure in whole steps, as a setting is stored: 26 steps (0.50267 ms).
    static constexpr int kShortExposureSteps = 26;

    // The sample grid: 20 x 20 points, x = 168 + 16 i, y = 126 + 12 j.
    static constexpr int kGridSize = 20;
    static constexpr int kGridLeft = 168;
    static constexpr int kGridStepX = 16;
    static constexpr int kGridTop = 126;
    static constexpr int kGridStepY = 12;

    Isp(int width, int height, Rect const& rect);
    Isp(int width, int height, int square);

    // pixels: a width x height frame of 16-bit samples (pitch = width); gain and exposure:
    // what the sensor holds. The new setting stays in gain() and exposure().
    int calculateGainExposure(std::uint16_t const* pixels, int gain, int exposure);
    // Mean of the brightest `percent` of the histogram; -1 for a percent outside 1..100.
    float calculateHistogramTopQuantileMean(int percent);

    int gain() const { return gain_; }
    int exposure() const { return exposure_; }
    std::uint16_t peak() const { return peak_; }
    float brightness() const { return brightness_; }

    // Measurements off the camera path. Null pixels give 0 (or false).
    float calculateMean(std::uint16_t const* pixels) const;     // central square
    float calculateMeanNeon(std::uint16_t const* pixels) const; // whole frame
    float calculateMeanNeonRect(std::uint16_t const* pixels) const; // measuring rectangle
    float getLineContrast(std::uint16_t const* pixels, int line) const; // mean of one line; -1 off the frame
    // The sampled histogram that calculateGainExposure measures on.
    void createHistogram(std::uint16_t const* pixels);
    // A histogram of `count` samples of `levels` grey levels into bins.size() bins; both
    // powers of two, no more bins than levels. Samples above the top level count in the top bin.
    static bool calcHist(std::uint16_t const* pixels, std::size_t count, std::vector<std::uint32_t>& bins, int levels);

private:
    // Steps of the algorithm; each leaves gain g and exposure time t for the next.
    bool lowerGain(int& g, float& t, int& x) const;
    static void raiseGain(int& g, float& t);
    void store(int g, int x);
    bool grid(int width, int height) const;

    int width_;
    int height_;
    int square_;
    int target_ = kTarget;
    int gain_ = kStartGain;
    int exposure_ = kStartExposure;
    std::uint16_t peak_ = 0;
    float brightness_ = 0.0f;
    Rect rect_;
    std::array<std::uint32_t, kLevels> histogram_{};
    std::uint32_t total_ = 0;
};
