#include "decoder/linear/data_bar/rss_finder_partial_scan_data.h"

#include <algorithm>

#include "decoder/linear/data_bar/rss_tables.h"

namespace DEC2DIvra {

bool RSSFinderPartialScanData::CalcFinderBarSymbol(Finder& finder) const
{
    if (GetLength() != kRuns) {
        return false;
    }
    long long sum = 0;
    for (unsigned i = 0; i < kRuns; ++i) {
        sum += (*this)[i].magnitude;
    }
    long long const unit = sum / 15;
    long long const oddSmallest = std::min({(*this)[0].magnitude, (*this)[2].magnitude, (*this)[4].magnitude});
    long long const evenSmallest = std::min((*this)[1].magnitude, (*this)[3].magnitude);
    // A run far thinner than a module is noise, not an element.
    if (unit > 16 * oddSmallest || unit > 16 * evenSmallest) {
        return false;
    }
    return CalcFinderBarSymbolPart(false, finder) || CalcFinderBarSymbolPart(true, finder);
}

bool RSSFinderPartialScanData::CalcFinderBarSymbolPart(bool reverse, Finder& finder) const
{
    long long e[kRuns];
    for (unsigned i = 0; i < kRuns; ++i) {
        e[i] = (*this)[reverse ? kRuns - 1 - i : i].magnitude;
    }
    long long const s = e[0] + e[1] + e[2] + e[3];
    long long const x = (e[0] + e[1]) - (e[2] + e[3]);
    long long const y = (e[1] + e[4]) - (e[0] + e[3]);
    if (s <= 0 || e[3] + e[4] > 5 * s / 28 || x < -(s / 2)) {
        return false;
    }
    for (unsigned value = 0; value < RSSTables::kFinderCount; ++value) {
        if (value > 9 && value % 2 == 0) {
            continue;
        }
        RSSFinderPattern const& p = RSSTables::kFinders[value];
        long long const xLow = (p.x - 1) * s / 14;
        long long const xHigh = (p.x + 1) * s / 14;
        long long const yLow = (4 * p.y - 3) * s / 56;
        long long const yHigh = (4 * p.y + 3) * s / 56;
        if (x < xLow || x >= xHigh || y < yLow || y > yHigh) {
            continue;
        }
        finder.value = value;
        finder.reverse = reverse;
        if (value >= 9) {
            // Both ends of a finder share a colour: light ends make the
            // first of the pair.
            finder.value = (*this)[0].colour == kLightRun ? value : value + 1;
        }
        return true;
    }
    return false;
}

}  // namespace DEC2DIvra
