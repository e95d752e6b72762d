#pragma once

#include "decoder/linear/line/common_partial_scan_data.h"
#include "decoder/linear/line/two_value_pattern.h"

namespace DEC2DIvra {

// A window whose runs are either narrow or wide (2 of 5, Code 11, Telepen).
class CommonTwoValuePartialScanData : public CommonPartialScanData {
public:
    static constexpr int kNoLowestRank = -0x7FFFFFFF - 1;
    static constexpr int kNoHighestRank = 0x7FFFFFFF;
    static constexpr unsigned kMaxRuns = 32;

    using CommonPartialScanData::CommonPartialScanData;

    // Classifies `count` runs taken from entry `first` every `stride` entries.
    // The largest magnitude step that leaves between lowestRank and
    // highestRank runs above it (ranks counted from the strongest run)
    // separates the classes; the classes must then differ by more
    // than 4/7 of the reference separation, else every run is narrow (up to
    // 3/7) or the window is refused. ambiguous flags a reading that a second
    // look might change.
    bool CalcPattern(int lowestRank, int highestRank, bool reversed, unsigned first, unsigned stride,
                     unsigned count, unsigned referenceSeparation, TwoValuePattern& result, bool& ambiguous) const;
};

}  // namespace DEC2DIvra
