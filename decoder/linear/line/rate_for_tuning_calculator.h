#pragma once

#include "decoder/linear/line/common_partial_scan_data.h"

namespace DEC2DIvra {

// Grey statistics of the runs of the characters a read accepted: how far bars
// and spaces stand apart, relative to the grey spread, and how often a
// character window had a dark run brighter than one of its light runs. The
// frame stores the result with each line and withholds labels read through
// overlapping greys when complete codes are required.
//
// Pushing is const: decoders hold the calculator through a const pointer and
// only ever add to it.
class RateForTuningCalculator {
public:
    void Initialize(bool enable);

    void PushBit(bool light, int grey) const;
    void Push(CommonPartialScanData const& window) const;
    void Push(RateForTuningCalculator const& other);
    // Scales the sums, counts and overlap count down by n, rounding up.
    void Divide(int n);

    // separation: mean light-dark grey distance per run; normalised: the same
    // relative to the root of the grey energy, 16.16; angle: its arc cosine as
    // a 9-bit angle in a signed byte; overlaps: overlapping windows. False
    // (0, 0, 127, 0) when disabled or a colour was never pushed.
    bool CalcResult(int& separation, int& normalised, signed char& angle, unsigned& overlaps) const;

    bool IsEnabled() const { return enable_; }
    long long GetLightSum() const { return lightSum_; }
    unsigned GetLightCount() const { return lightCount_; }
    long long GetDarkSum() const { return darkSum_; }
    unsigned GetDarkCount() const { return darkCount_; }
    unsigned long long GetSquareSum() const { return squareSum_; }
    int GetDarkMaximum() const { return darkMaximum_; }
    int GetLightMinimum() const { return lightMinimum_; }
    unsigned GetOverlapCount() const { return overlapCount_; }

private:
    mutable long long lightSum_ = 0;
    mutable unsigned lightCount_ = 0;
    mutable long long darkSum_ = 0;
    mutable unsigned darkCount_ = 0;
    mutable unsigned long long squareSum_ = 0;
    mutable int darkMaximum_ = -0x7FFFFFFF - 1;
    mutable int lightMinimum_ = 0x7FFFFFFF;
    mutable unsigned overlapCount_ = 0;
    bool enable_ = false;
};

}  // namespace DEC2DIvra
