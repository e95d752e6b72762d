// The right-to-left twins of the window operations: the same rules, walking
// the line from its end so that entry 0 is the run met first from the right.

#include "decoder/linear/line/common_partial_scan_data.h"

namespace DEC2DIvra {

namespace {
constexpr int kReverce = -1;
}  // namespace

bool CommonPartialScanData::ReverceSet(ArrayIterator<ScanElement const> const& first)
{
    return Load(first, kReverce);
}

bool CommonPartialScanData::ReverceSet(ArrayIterator<ScanElement const> const& from, bool colour, int start,
                                       unsigned reference, unsigned minimum, unsigned maximum, unsigned distance)
{
    return Search(from, colour, start, reference, distance, kReverce) && Adjust(minimum, maximum, kReverce) &&
           IsWithinFactorThree(GetContrast(), reference);
}

bool CommonPartialScanData::CalcReverceMagnitude(int marginGrey) { return Measure(marginGrey); }

bool CommonPartialScanData::ReverceDelete(int index, bool force) { return Remove(index, force, kReverce); }

bool CommonPartialScanData::ReverceDeleteNoise() { return RemoveNoise(kReverce); }

bool CommonPartialScanData::ReverceForceDeleteNoise() { return ForceRemoveNoise(kReverce); }

bool CommonPartialScanData::ReverceAdjustmentWidth(unsigned minimum, unsigned maximum)
{
    return Adjust(minimum, maximum, kReverce);
}

bool CommonPartialScanData::ReverceForceAdjustmentWidth(int target) { return ForceAdjust(target, kReverce); }

bool CommonPartialScanData::ReverceSetNextRunLengthData(unsigned minimum, unsigned maximum)
{
    return LoadNext(GetIterator(), GetContrast(), minimum, maximum, kReverce);
}

bool CommonPartialScanData::ReverceSetNextRunLengthData(CommonPartialScanData const& previous, unsigned minimum,
                                                        unsigned maximum)
{
    return LoadNext(previous.GetIterator(), previous.GetContrast(), minimum, maximum, kReverce);
}

bool CommonPartialScanData::ReverceSetNextCharRunLengthData(unsigned minimum, unsigned maximum)
{
    return ReverceSetNextCharRunLengthData(*this, minimum, maximum);
}

bool CommonPartialScanData::ReverceSetNextCharRunLengthData(CommonPartialScanData const& previous,
                                                            unsigned minimum, unsigned maximum)
{
    return StepToNextChar(previous, minimum, maximum, kReverce);
}

bool CommonPartialScanData::ReverceSetOverlappedRunLengthDataPart(unsigned kept, unsigned minimum,
                                                                  unsigned maximum, unsigned reference,
                                                                  int marginGrey)
{
    return LoadOverlapped(*this, kept, minimum, maximum, reference, marginGrey, kReverce);
}

}  // namespace DEC2DIvra
