#include "decoder/linear/plessey/plessey_quiet_zone.h"

namespace DEC2DIvra {

unsigned CalcPlesseyQuietZone(long long width, unsigned quietZone)
{
    long long const v = width * quietZone * 10 / 7;
    return v <= 0 ? 0u : (v > 0x7FFFFFFFLL ? 0x7FFFFFFFu : static_cast<unsigned>(v));
}

bool CheckPlesseyQuietZoneAfter(CommonPartialScanData const& window, bool negative, unsigned margin,
                                unsigned specks)
{
    // In clean print the margin test's inner threshold sees no recovery
    // after a narrow bar, so that a symbol's inside passes it: the ground
    // run after the window must itself be as wide as the zone.
    ArrayIterator<ScanElement const> const& after = window.GetIterator();
    if (!after.IsValid() || (after->colour == kLightRun) == negative ||
        static_cast<long long>(after->end) - after->begin < static_cast<long long>(margin)) {
        return false;
    }
    return negative ? window.CheckBlackMargin(margin, true, true, specks)
                    : window.CheckMargin(margin, true, true, specks);
}

}  // namespace DEC2DIvra
