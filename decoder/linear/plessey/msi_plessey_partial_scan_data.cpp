#include "decoder/linear/plessey/msi_plessey_partial_scan_data.h"

namespace DEC2DIvra {

bool MSIPlesseyPartialScanData::CalcBarSymbol(unsigned expected, bool reversed, BarSymbol& symbol,
                                              unsigned& separation) const
{
    unsigned pattern = 0;
    if (GetLength() != kRuns || !CalcPlesseyPattern(reversed, 0, kRuns / 2, expected, pattern, separation)) {
        return false;
    }
    DescribeBarSymbol(pattern, symbol);
    return true;
}

bool MSIPlesseyPartialScanDataWithStart::CalcStartBarSymbol(BarSymbol& symbol, bool reversed,
                                                            unsigned& separation) const
{
    // Met from the stop end the closing bar comes first, outside the pairs.
    unsigned const runs = reversed ? kReverseRuns : kRuns;
    unsigned pattern = 0;
    if (GetLength() != runs || !CalcPlesseyPattern(reversed, reversed ? 1u : 0u, 6, kNoOneClass, pattern, separation)) {
        return false;
    }
    DescribeBarSymbol(pattern, symbol);
    return true;
}

}  // namespace DEC2DIvra
