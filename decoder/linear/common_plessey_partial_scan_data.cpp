#include "decoder/linear/common_plessey_partial_scan_data.h"

namespace DEC2DIvra {

bool CommonPlesseyPartialScanData::CalcPlesseyBit(unsigned j, unsigned& bit, long long& previousWidth) const
{
    if (j + 1 >= runs_) {
        return false;
    }
    long long const bar = GetMagnitude(At(j));
    long long const space = GetMagnitude(At(j + 1));
    long long const width = GetWidth(At(j)) + GetWidth(At(j + 1));
    if (previousWidth > 0 && (4 * width < 3 * previousWidth || 3 * width > 4 * previousWidth)) {
        return false;
    }
    previousWidth = width;
    // Shares of 2/3 or 3/4 against 1/3 or 1/4: refuse the middle tenth.
    long long const share = 256 * bar / (bar + space);
    if (share > 140) {
        bit = 1;
        return true;
    }
    if (share < 116) {
        bit = 0;
        return true;
    }
    return false;
}

}  // namespace DEC2DIvra
