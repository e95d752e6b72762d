#include "app/camera/exposure_control.h"

#include <algorithm>
#include <bit>
#include <cmath>

float gain2Factor(int gain) { return static_cast<float>(gain) * 0.0625f; }
float factor2dB(float factor) { return 20.0f * std::log10(factor); }
float dB2Factor(float dB) { return std::pow(10.0f, dB / 20.0f); }
float getExposureValue(float a, float b) { return a * b; }
float getExposureTime(float a, float b) { return a / b; }

namespace {

constexpr int kGridRight = Isp::kGridLeft + (Isp::kGridSize - 1) * Isp::kGridStepX;
constexpr int kGridBottom = Isp::kGridTop + (Isp::kGridSize - 1) * Isp::kGridStepY;

// Device samples are 16-bit words: anything above the 10-bit scale counts as white.
std::size_t level(std::uint16_t sample) { return std::min<std::size_t>(sample, Isp::kLevels - 1); }

int toSteps(float time) { return static_cast<int>(std::lround(time / Isp::kExposureStep)); }

float mean(std::uint16_t const* pixels, int pitch, int left, int top, int right, int bottom)
{
    if (pixels == nullptr || right < left || bottom < top) {
        return 0.0f;
    }
    std::uint64_t sum = 0;
    for (int y = top; y <= bottom; ++y) {
        std::uint16_t const* row = pixels + static_cast<std::size_t>(y) * static_cast<std::size_t>(pitch);
        for (int x = left; x <= right; ++x) {
            sum += row[x];
        }
    }
    auto const count = static_cast<std::uint64_t>(right - left + 1) * static_cast<std::uint64_t>(bottom - top + 1);
    return static_cast<float>(static_cast<double>(sum) / static_cast<double>(count));
}

} // namespace

Isp::Isp(int width, int height, Rect const& rect) : width_(width), height_(height), square_(128), rect_(rect) {}

Isp::Isp(int width, int height, int square)
    : width_(width), height_(height), square_(square),
      rect_{0, 0, static_cast<std::uint16_t>(std::max(width - 1, 0)), static_cast<std::uint16_t>(std::max(height - 1, 0))}
{
}

bool Isp::grid(int width, int height) const { return width > kGridRight && height > kGridBottom; }

void Isp::createHistogram(std::uint16_t const* pixels)
{
    histogram_.fill(0);
    total_ = 0;
    if (pixels == nullptr || !grid(width_, height_)) {
        return;
    }
    for (int j = 0; j < kGridSize; ++j) {
        std::size_t const row = static_cast<std::size_t>(kGridTop + kGridStepY * j) * static_cast<std::size_t>(width_);
        for (int i = 0; i < kGridSize; ++i) {
            ++histogram_[level(pixels[row + static_cast<std::size_t>(kGridLeft + kGridStepX * i)])];
        }
    }
    total_ = kGridSize * kGridSize;
}

float Isp::calculateHistogramTopQuantileMean(int percent)
{
    if (percent < 1 || percent > 100) {
        return -1.0f;
    }
    std::uint32_t const quota = total_ * static_cast<std::uint32_t>(percent) / 100;
    std::uint64_t count = 0;
    std::uint64_t weighted = 0;
    peak_ = 0;
    bool peakFound = false;
    for (int level = kLevels - 1; level >= 0; --level) {
        std::uint32_t const n = histogram_[static_cast<std::size_t>(level)];
        if (n != 0 && !peakFound) {
            peak_ = static_cast<std::uint16_t>(level);
            peakFound = true;
        }
        count += n;
        weighted += static_cast<std::uint64_t>(n) * static_cast<std::uint64_t>(level);
        if (count > quota) {
            break;
        }
    }
    brightness_ = count == 0 ? 0.0f : static_cast<float>(static_cast<double>(weighted) / static_cast<double>(count));
    return brightness_;
}

// Keeps the exposure product P = g x t and picks the highest gain up to 64 that leaves
// an exposure of more than five steps. True when that exposure is short enough to finish.
bool Isp::lowerGain(int& g, float& t, int& x) const
{
    float const product = gain2Factor(g) * t;
    // With no gain that qualifies the product is at the sensor's bottom: the least gain it takes.
    int chosen = kMinGain;
    float chosenTime = product / gain2Factor(kMinGain);
    for (int candidate = 64; candidate >= kMinGain; --candidate) {
        float const time = product / gain2Factor(candidate);
        if (time > kMinLowGainExposure) {
            chosen = candidate;
            chosenTime = time;
            break;
        }
    }
    g = chosen;
    x = limitMinMax(toSteps(chosenTime), kMinExposure, kMaxExposure);
    if (static_cast<float>(x) * kExposureStep <= kShortExposure) {
        return true;
    }
    t = static_cast<float>(x) * kExposureStep;
    return false;
}

// Trades exposure time for gain, product kept, until the exposure is short or the gain tops out.
void Isp::raiseGain(int& g, float& t)
{
    float const product = gain2Factor(g) * t;
    while (t >= kShortExposure && g < kMaxGain) {
        ++g;
        t = product / gain2Factor(g);
    }
}

// The sensor takes gain 16..1023 and exposure 1..260; nothing outside reaches it.
void Isp::store(int g, int x)
{
    gain_ = limitMinMax(g, kMinGain, kMaxGain);
    exposure_ = limitMinMax(x, kMinExposure, kMaxExposure);
}

int Isp::calculateGainExposure(std::uint16_t const* pixels, int gain, int exposure)
{
    if (pixels == nullptr || !grid(width_, height_)) {
        return eUnchanged;
    }
    createHistogram(pixels);
    float const m = calculateHistogramTopQuantileMean(5);
    if (m == 0.0f) {
        return eNewSetting; // nothing to measure on: the caller writes the last setting
    }
    float const product = static_cast<float>(exposure) * kExposureStep * static_cast<float>(gain) * 0.0625f;
    bool const inRange = m > kLowerBound && m < kUpperBound;
    bool const saturated = (product >= kMaxProduct && m < kLowerBound) || (product <= kExposureStep && m > kUpperBound);

    int result = eNewSetting;
    int g = gain_;
    int x = exposure_;
    float t = 0.0f;
    bool finished = false;
    bool lower = false;
    if (inRange || saturated) {
        result = eRebalanced;
        t = static_cast<float>(x) * kExposureStep;
        // A stored exposure is whole steps: the nearest to 0.5 ms counts as short, or a
        // setting in the band would gain one more unit on every frame.
        if (g >= 64 && x <= kShortExposureSteps) {
            finished = true;
        } else {
            lower = g < 64;
        }
    } else {
        float const wanted = (static_cast<float>(target_) / m) * product;
        if (wanted < kMaxExposureTime) {
            x = limitMinMax(static_cast<int>(wanted / kExposureStep), kMinExposure, kMaxExposure);
            t = static_cast<float>(x) * kExposureStep;
            g = kMinGain;
            lower = true;
        } else {
            x = kMaxExposure;
            long const unclamped = std::lround(wanted / kMaxExposureTime * 16.0f);
            g = static_cast<int>(limitMinMax<long>(unclamped, kMinGain, kMaxGain));
            t = kMaxExposureTime;
            lower = unclamped < 64;
            finished = g == kMaxGain;
        }
    }
    if (!finished && lower) {
        finished = lowerGain(g, t, x);
    }
    if (!finished) {
        raiseGain(g, t);
        x = toSteps(t);
    }
    store(g, x);
    return gain_ == gain && exposure_ == exposure ? eUnchanged : result;
}

float Isp::calculateMean(std::uint16_t const* pixels) const
{
    int const side = std::min({square_, width_, height_});
    int const left = (width_ - side) / 2;
    int const top = (height_ - side) / 2;
    return mean(pixels, width_, left, top, left + side - 1, top + side - 1);
}

float Isp::calculateMeanNeon(std::uint16_t const* pixels) const
{
    return mean(pixels, width_, 0, 0, width_ - 1, height_ - 1);
}

float Isp::calculateMeanNeonRect(std::uint16_t const* pixels) const
{
    int const right = std::min<int>(rect_.right, width_ - 1);
    int const bottom = std::min<int>(rect_.bottom, height_ - 1);
    return mean(pixels, width_, rect_.left, rect_.top, right, bottom);
}

float Isp::getLineContrast(std::uint16_t const* pixels, int line) const
{
    if (pixels == nullptr || line < 0 || line >= height_) {
        return -1.0f;
    }
    return mean(pixels, width_, 0, line, width_ - 1, line);
}

bool Isp::calcHist(std::uint16_t const* pixels, std::size_t count, std::vector<std::uint32_t>& bins, int levels)
{
    auto const power = [](std::size_t n) { return n != 0 && (n & (n - 1)) == 0; };
    if (levels <= 0 || !power(static_cast<std::size_t>(levels)) || !power(bins.size()) ||
        bins.size() > static_cast<std::size_t>(levels) || (pixels == nullptr && count != 0)) {
        return false;
    }
    std::fill(bins.begin(), bins.end(), 0);
    auto const top = static_cast<std::size_t>(levels - 1);
    std::size_t const shift = static_cast<std::size_t>(std::countr_zero(static_cast<std::size_t>(levels) / bins.size()));
    for (std::size_t i = 0; i < count; ++i) {
        ++bins[std::min<std::size_t>(pixels[i], top) >> shift];
    }
    return true;
}
