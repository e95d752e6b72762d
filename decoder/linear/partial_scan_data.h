#pragma once

#include "decoder/linear/common_partial_scan_data.h"

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

private:
    PartialScanElement storage_[N];
};

}  // namespace DEC2DIvra
