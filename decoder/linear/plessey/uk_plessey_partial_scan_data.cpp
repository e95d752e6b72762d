#include "decoder/linear/plessey/uk_plessey_partial_scan_data.h"

namespace DEC2DIvra {

namespace {

constexpr unsigned kPairs = 8;
// Pairs before the termination bar in a window met from the stop end, and
// in an end window.
constexpr unsigned kStopPitch = 4;

}  // namespace

bool UKPlesseyPartialScanData::CalcBarSymbol(bool reversed, unsigned expected, BarSymbol& symbol,
                                             unsigned& separation) const
{
    unsigned pattern = 0;
    if (GetLength() != kRuns || !CalcPlesseyPattern(reversed, 0, kPairs, expected, pattern, separation)) {
        return false;
    }
    DescribeBarSymbol(pattern, symbol);
    return true;
}

bool UKPlesseyPartialScanDataWithPitch::CalcStartBarSymbol(BarSymbol& symbol, unsigned& separation) const
{
    if (GetLength() != kRuns) {
        return false;
    }
    unsigned pattern = 0;
    unsigned found = separation;
    if (CalcPlesseyPatternWithPitch(false, 0, kPairs, kPairs, kNoOneClass, pattern, found) &&
        pattern >> 4 == kStartBits) {
        DescribeBarSymbol(pattern, symbol);
        symbol.flag = 0;
        separation = found;
        return true;
    }
    found = separation;
    if (CalcPlesseyPatternWithPitch(true, 0, kPairs, kStopPitch, kNoOneClass, pattern, found) &&
        (pattern & 15u) == kStopBits) {
        DescribeBarSymbol(pattern, symbol);
        symbol.flag = 1;
        separation = found;
        return true;
    }
    return false;
}

bool UKPlesseyPartialScanDataWithPitch::CalcEndBarSymbol(unsigned expected, BarSymbol& symbol,
                                                         unsigned& separation) const
{
    unsigned pattern = 0;
    unsigned found = separation;
    if (GetLength() != kRuns ||
        !CalcPlesseyPatternWithPitch(false, 0, kPairs, kStopPitch, kNoOneClass, pattern, found) ||
        (pattern & 15u) != kStopBits || pattern >> 4 != expected) {
        return false;
    }
    DescribeBarSymbol(pattern, symbol);
    separation = found;
    return true;
}

}  // namespace DEC2DIvra
