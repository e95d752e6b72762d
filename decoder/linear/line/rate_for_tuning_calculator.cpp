#include "decoder/linear/line/rate_for_tuning_calculator.h"

#include "decoder/core/arithmetic/dec_math.h"
#include "decoder/core/arithmetic/real_number.h"

namespace DEC2DIvra {

namespace {

constexpr int kNoAngle = 127;

unsigned long long SaturatingAdd(unsigned long long a, unsigned long long b)
{
    unsigned long long sum = 0;
    return __builtin_add_overflow(a, b, &sum) ? ~0ULL : sum;
}

long long SaturatingAdd(long long a, long long b)
{
    long long sum = 0;
    if (__builtin_add_overflow(a, b, &sum)) {
        return b > 0 ? 0x7FFFFFFFFFFFFFFFLL : -0x7FFFFFFFFFFFFFFFLL - 1;
    }
    return sum;
}

unsigned SaturatingAdd(unsigned a, unsigned b)
{
    unsigned sum = 0;
    return __builtin_add_overflow(a, b, &sum) ? ~0u : sum;
}

// floor(sqrt(a * b)) without a 128-bit product: when the product would not
// fit, both factors are scaled down by powers of four first.
unsigned long long RootOfProduct(unsigned long long a, unsigned long long b)
{
    unsigned shift = 0;
    unsigned long long product = 0;
    while (__builtin_mul_overflow(a, b, &product)) {
        if (a >= b) {
            a >>= 2;
        } else {
            b >>= 2;
        }
        ++shift;
    }
    unsigned long long const root = DecMath::Sqrt(product);
    // Keep the root within the signed range its users divide by.
    return shift >= 31 ? 0x7FFFFFFFFFFFFFFFULL : root << shift;
}

}  // namespace

void RateForTuningCalculator::Initialize(bool enable)
{
    lightSum_ = 0;
    lightCount_ = 0;
    darkSum_ = 0;
    darkCount_ = 0;
    squareSum_ = 0;
    darkMaximum_ = -0x7FFFFFFF - 1;
    lightMinimum_ = 0x7FFFFFFF;
    overlapCount_ = 0;
    enable_ = enable;
}

void RateForTuningCalculator::PushBit(bool light, int grey) const
{
    long long const g = grey;
    if (light) {
        lightSum_ = SaturatingAdd(lightSum_, g);
        lightCount_ = SaturatingAdd(lightCount_, 1u);
        lightMinimum_ = grey < lightMinimum_ ? grey : lightMinimum_;
    } else {
        darkSum_ = SaturatingAdd(darkSum_, g);
        darkCount_ = SaturatingAdd(darkCount_, 1u);
        darkMaximum_ = grey > darkMaximum_ ? grey : darkMaximum_;
    }
    squareSum_ = SaturatingAdd(squareSum_, static_cast<unsigned long long>(g * g));
}

void RateForTuningCalculator::Push(CommonPartialScanData const& window) const
{
    if (enable_) {
        for (unsigned i = 0; i < window.GetLength(); ++i) {
            PushBit(window[i].colour == kLightRun, window[i].grey);
        }
    }
    if (window.GetDarkMaximum() > window.GetLightMinimum()) {
        overlapCount_ = SaturatingAdd(overlapCount_, 1u);
    }
}

void RateForTuningCalculator::Push(RateForTuningCalculator const& other)
{
    lightSum_ = SaturatingAdd(lightSum_, other.lightSum_);
    lightCount_ = SaturatingAdd(lightCount_, other.lightCount_);
    darkSum_ = SaturatingAdd(darkSum_, other.darkSum_);
    darkCount_ = SaturatingAdd(darkCount_, other.darkCount_);
    squareSum_ = SaturatingAdd(squareSum_, other.squareSum_);
    darkMaximum_ = other.darkMaximum_ > darkMaximum_ ? other.darkMaximum_ : darkMaximum_;
    lightMinimum_ = other.lightMinimum_ < lightMinimum_ ? other.lightMinimum_ : lightMinimum_;
    overlapCount_ = SaturatingAdd(overlapCount_, other.overlapCount_);
}

void RateForTuningCalculator::Divide(int n)
{
    if (n <= 0) {
        return;
    }
    long long const d = n;
    auto up = [d](long long v) { return SaturatingAdd(v, d - 1) / d; };
    auto upUnsigned = [d](unsigned long long v) {
        unsigned long long const u = static_cast<unsigned long long>(d);
        return v / u + (v % u != 0 ? 1 : 0);
    };
    lightSum_ = up(lightSum_);
    darkSum_ = up(darkSum_);
    lightCount_ = static_cast<unsigned>(upUnsigned(lightCount_));
    darkCount_ = static_cast<unsigned>(upUnsigned(darkCount_));
    squareSum_ = upUnsigned(squareSum_);
    overlapCount_ = static_cast<unsigned>(upUnsigned(overlapCount_));
}

bool RateForTuningCalculator::CalcResult(int& separation, int& normalised, signed char& angle,
                                         unsigned& overlaps) const
{
    separation = 0;
    normalised = 0;
    angle = static_cast<signed char>(kNoAngle);
    overlaps = 0;
    if (!enable_ || lightCount_ == 0 || darkCount_ == 0) {
        return false;
    }
    long long const lightCount = lightCount_;
    long long const darkCount = darkCount_;
    long long const n = lightCount + darkCount;
    unsigned long long const root = RootOfProduct(squareSum_, static_cast<unsigned long long>(n));
    long long const middle = (lightSum_ / lightCount + darkSum_ / darkCount) / 2;
    long long shifted = 0;
    long long excess = 0;
    long long ratio = 0;
    if (__builtin_mul_overflow(middle, lightCount - darkCount, &shifted) ||
        __builtin_sub_overflow(lightSum_, darkSum_, &excess) || __builtin_sub_overflow(excess, shifted, &excess)) {
        return false;
    }
    if (root != 0 && __builtin_mul_overflow(excess, 65536LL, &ratio)) {
        ratio = excess > 0 ? 0x7FFFFFFFLL : -0x7FFFFFFFLL;
    } else if (root != 0) {
        ratio /= static_cast<long long>(root);
    }
    normalised = static_cast<int>(ratio > 0x7FFFFFFFLL ? 0x7FFFFFFFLL : (ratio < -0x7FFFFFFFLL ? -0x7FFFFFFFLL : ratio));
    // 16.16 to the 32-fraction-bit form of the arc cosine.
    angle = static_cast<signed char>(DecMath::ACos(Real32::FromRaw(static_cast<long long>(normalised) * 65536)));
    separation = static_cast<int>(excess / n);
    overlaps = overlapCount_ + (darkMaximum_ > lightMinimum_ ? 1u : 0u);
    return true;
}

}  // namespace DEC2DIvra
