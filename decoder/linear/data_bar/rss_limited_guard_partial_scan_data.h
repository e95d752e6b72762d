#pragma once

#include "decoder/linear/line/partial_scan_data.h"

namespace DEC2DIvra {

// A DataBar Limited data character with the guard runs on its outer side,
// loaded from the character's window (which walks away from the check
// character) so that the guards are its last entries. The guards are told
// from the character's last runs by sharing out the modules again with room
// for them: each guard must come out at exactly one module.
class RSSLimitedGuardPartialScanData : public CommonPartialScanData {
public:
    static constexpr unsigned kCharacterRuns = 14;

    // Loads the guards after `character`, the whole spanning `minimum` to
    // `maximum`; `spread` is the check character's (RSSLimitedStartPartialScanData::CalcSpread).
    bool Set(CommonPartialScanData const& character, int spread, unsigned minimum, unsigned maximum);

protected:
    RSSLimitedGuardPartialScanData(PartialScanElement* storage, unsigned guards)
        : CommonPartialScanData(storage, kCharacterRuns + guards), guards_(guards)
    {
    }
    // The modules of the window's runs against the chosen character group's
    // totals (odd: the runs at even offsets of the character in line order),
    // the groups holding a guard one module more; true when every guard is
    // one module. `leftwards` is whether the guards lie to the character's
    // left on the line.
    bool CheckGuardRuns(bool leftwards, int oddTotal, int oddWidest, int evenTotal, int evenWidest) const;

private:
    unsigned guards_;
    int spread_ = 0;
};

// The left character's guard: one run, before the character on the line
// (after it when the line meets the symbol from its right end).
class RSSLimitedLeftGuardPartialScanData : public RSSLimitedGuardPartialScanData {
public:
    static constexpr unsigned kGuardRuns = 1;
    RSSLimitedLeftGuardPartialScanData() : RSSLimitedGuardPartialScanData(storage_, kGuardRuns) {}

    // reverced: the line meets the symbol from its right end.
    bool CheckGuardBar(bool reverced, int oddTotal, int oddWidest, int evenTotal, int evenWidest) const
    {
        return CheckGuardRuns(!reverced, oddTotal, oddWidest, evenTotal, evenWidest);
    }

private:
    PartialScanElement storage_[kCharacterRuns + kGuardRuns];
};

// The right character's guard: a space and a bar after the character (before
// it when the line meets the symbol from its right end).
class RSSLimitedRightGuardPartialScanData : public RSSLimitedGuardPartialScanData {
public:
    static constexpr unsigned kGuardRuns = 2;
    RSSLimitedRightGuardPartialScanData() : RSSLimitedGuardPartialScanData(storage_, kGuardRuns) {}

    bool CheckGuardBar(bool reverced, int oddTotal, int oddWidest, int evenTotal, int evenWidest) const
    {
        return CheckGuardRuns(reverced, oddTotal, oddWidest, evenTotal, evenWidest);
    }

private:
    PartialScanElement storage_[kCharacterRuns + kGuardRuns];
};

}  // namespace DEC2DIvra
