#pragma once

#include "decoder/linear/line/partial_scan_data.h"

namespace DEC2DIvra {

// Five runs measured as a DataBar finder pattern.
class RSSFinderPartialScanData : public PartialScanData<5> {
public:
    static constexpr unsigned kRuns = 5;

    struct Finder {
        unsigned value = 0;    // 0-8 Omnidirectional, 9-20 Expanded
        bool reverse = false;  // the pattern reads against the window order
    };

    // The finder the window shows, either way round; the Expanded value is
    // odd when the window's end runs are light. False for no finder.
    bool CalcFinderBarSymbol(Finder& finder) const;
    // Measures in one order only.
    bool CalcFinderBarSymbolPart(bool reverse, Finder& finder) const;
};

}  // namespace DEC2DIvra
