#pragma once

#include "decoder/linear/line/common_partial_scan_data.h"

namespace DEC2DIvra {

// A window of N runs with its own entry storage. Base is the window class it
// extends (CommonPartialScanData or one derived from it whose constructor
// takes the same arguments). A copy owns its own entries.
template <unsigned N, class Base = CommonPartialScanData>
class PartialScanData : public Base {
    static_assert(N >= 1 && N <= CommonPartialScanData::kMaxLength, "window length out of range");

public:
    explicit PartialScanData(unsigned noiseMode = 0) : Base(storage_, N, noiseMode) {}
    PartialScanData(PartialScanData const& other) : Base(storage_, N, other.GetNoiseMode()) { this->CopyFrom(other); }
    PartialScanData& operator=(PartialScanData const& other)
    {
        this->CopyFrom(other);
        return *this;
    }

    // The runs' magnitudes (widths weighted by contrast), for a classifier
    // written for widths: near a pixel per module they still part narrow
    // runs from wide ones where the whole-pixel widths do not.
    void GetMagnitudes(int (&magnitudes)[N]) const
    {
        for (unsigned i = 0; i < N; ++i) {
            unsigned const m = (*this)[i].magnitude;
            magnitudes[i] = m > 0x7FFFFFFFu ? 0x7FFFFFFF : static_cast<int>(m);
        }
    }

private:
    PartialScanElement storage_[N];
};

}  // namespace DEC2DIvra
