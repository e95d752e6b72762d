#include "decoder/linear/roads/scan_schedule.h"

namespace DEC2DIvra {

namespace {

constexpr unsigned char kPosition[ScanSchedule::kPositionCount] = {7, 8, 6, 9, 5, 10, 4, 11, 3, 12, 2, 13, 1, 14, 0, 15};
constexpr unsigned char kLowest[ScanSchedule::kPositionCount] = {7, 7, 6, 6, 5, 5, 4, 4, 3, 3, 2, 2, 1, 1, 0, 0};
constexpr unsigned char kHighest[ScanSchedule::kPositionCount] = {7,  8,  8,  9,  9,  10, 10, 11,
                                                                  11, 12, 12, 13, 13, 14, 14, 15};

unsigned Clamp(unsigned index) { return index < ScanSchedule::kPositionCount ? index : ScanSchedule::kPositionCount - 1; }

struct Range {
    int n;
    int h1;
    int h2;
};

bool CalcRange(unsigned lines, Range& range)
{
    if (lines < 2) {
        return false;
    }
    range.n = lines < ScanSchedule::kPositionCount ? static_cast<int>(lines) : ScanSchedule::kPositionCount;
    range.h1 = (range.n - 1) / 2;
    range.h2 = (range.n - 2) / 2;
    return true;
}

}  // namespace

unsigned ScanSchedule::GetPosition(unsigned index) { return kPosition[Clamp(index)]; }

unsigned ScanSchedule::GetLowestPosition(unsigned index) { return kLowest[Clamp(index)]; }

unsigned ScanSchedule::GetHighestPosition(unsigned index) { return kHighest[Clamp(index)]; }

bool ScanSchedule::CalcPosition(unsigned index, unsigned lines, unsigned& position)
{
    Range r{};
    if (index >= kPositionCount || !CalcRange(lines, r)) {
        return false;
    }
    int p = kPosition[index];
    if (p < 7 - r.h1) {
        p += r.h1 + 1;
    } else if (p > 8 + r.h2) {
        p -= r.h2 + 1;
    }
    if (p < 7 - r.h1 || p > 8 + r.h2) {
        return false;
    }
    position = static_cast<unsigned>(p);
    return true;
}

bool ScanSchedule::CalcWeights(unsigned position, unsigned lines, int& firstWeight, int& lastWeight)
{
    Range r{};
    int const p = static_cast<int>(position);
    if (position >= kPositionCount || !CalcRange(lines, r) || p < 7 - r.h1 || p > 8 + r.h2) {
        return false;
    }
    firstWeight = 8 + r.h2 - p;
    lastWeight = p - 7 + r.h1;
    return true;
}

}  // namespace DEC2DIvra
