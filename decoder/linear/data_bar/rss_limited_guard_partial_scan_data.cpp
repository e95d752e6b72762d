#include "decoder/linear/data_bar/rss_limited_guard_partial_scan_data.h"

#include "decoder/linear/line/magnitude_and_index.h"

namespace DEC2DIvra {

namespace {

constexpr unsigned kMaxRuns = RSSLimitedGuardPartialScanData::kCharacterRuns + 2;

}  // namespace

bool RSSLimitedGuardPartialScanData::Set(CommonPartialScanData const& character, int spread, unsigned minimum,
                                         unsigned maximum)
{
    spread_ = spread;
    return character.GetLength() == kCharacterRuns &&
           CommonPartialScanData::Set(character, kCharacterRuns, minimum, maximum) &&
           GetLength() == kCharacterRuns + guards_;
}

bool RSSLimitedGuardPartialScanData::CheckGuardRuns(bool leftwards, int oddTotal, int oddWidest, int evenTotal,
                                                    int evenWidest) const
{
    unsigned const length = GetLength();
    // The window walks away from the check character: its guards lie on
    // the side it walks to.
    if (length != kCharacterRuns + guards_ || length > kMaxRuns || IsReverce() != leftwards || oddTotal <= 0 ||
        evenTotal <= 0 || oddWidest <= 0 || evenWidest <= 0) {
        return false;
    }
    // Parity of a run's offset from the character's first run in line
    // order: walking leftwards, entry i lies at offset 13 - i.
    MagnitudeAndIndex groups[2][kMaxRuns];
    unsigned counts[2] = {0, 0};
    bool guarded[2] = {false, false};
    for (unsigned i = 0; i < length; ++i) {
        unsigned const parity = (leftwards ? i + 1 : i) % 2;
        PartialScanElement const& e = (*this)[i];
        MagnitudeAndIndex m;
        m.index = static_cast<int>(i);
        long long const corrected = static_cast<long long>(e.magnitude) + (parity == 0 ? spread_ : -spread_);
        if (corrected <= 0 || corrected > 0x7FFFFFFF) {
            return false;
        }
        m.magnitude = static_cast<int>(corrected);
        m.rawWidth = e.end - e.begin;
        m.samples = e.samples;
        groups[parity][counts[parity]++] = m;
        guarded[parity] = guarded[parity] || i >= kCharacterRuns;
    }
    int const totals[2] = {oddTotal, evenTotal};
    int const widest[2] = {oddWidest, evenWidest};
    for (unsigned p = 0; p < 2; ++p) {
        MagnitudeAndIndex::SortByMagnitude(groups[p], counts[p]);
        VirtualArray<MagnitudeAndIndex> runs(groups[p], counts[p]);
        if (!MagnitudeAndIndex::CalcUnitWidth(runs, static_cast<unsigned>(totals[p] + (guarded[p] ? 1 : 0)), 1,
                                              static_cast<unsigned>(widest[p] + 1), 0)) {
            return false;
        }
        for (unsigned k = 0; k < counts[p]; ++k) {
            if (groups[p][k].index >= static_cast<int>(kCharacterRuns) && groups[p][k].modules != 1) {
                return false;
            }
        }
    }
    return true;
}

}  // namespace DEC2DIvra
