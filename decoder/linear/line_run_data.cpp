#include "decoder/linear/line_run_data.h"

#include "decoder/linear/partial_scan_data.h"
#include "decoder/linear/rate_for_tuning_calculator.h"

namespace DEC2DIvra {

namespace {

// Runs either side whose levels a run's depth is measured against.
constexpr long long kLevelReach = 3;

}  // namespace

bool IsMarginMeasurable(ScanElement const* line, long long count, long long edge, bool after, unsigned width)
{
    if (line == nullptr || edge < 0 || edge >= count) {
        return false;
    }
    if (after) {
        return edge + 1 < count && (static_cast<long long>(line[count - 1].end) - line[edge].end >= width ||
                                    edge + 2 == count);
    }
    return edge >= 1 && (static_cast<long long>(line[edge].begin) - line[0].begin >= width || edge == 1);
}

LineRunData::LineRunData(ArrayIterator<ScanElement const> const& first)
    : line_(first.GetBegin()), lineCount_(first.GetCount()), index_(first.GetIndex()), count_(0)
{
    if (line_ != nullptr && index_ >= 0 && index_ < lineCount_) {
        count_ = static_cast<unsigned>(lineCount_ - index_);
    }
}

long long LineRunData::GetMagnitude(unsigned i) const
{
    long long const j = index_ + i;
    ScanElement const& run = line_[j];
    long long extreme = -1;
    for (long long k = j - kLevelReach; k <= j + kLevelReach; ++k) {
        if (k < 0 || k >= lineCount_ || line_[k].colour == run.colour) {
            continue;
        }
        int const grey = line_[k].grey;
        if (extreme < 0 || (run.colour == kDarkRun ? grey > extreme : grey < extreme)) {
            extreme = grey;
        }
    }
    long long const depth = extreme < 0 ? 0 : (run.colour == kDarkRun ? extreme - run.grey : run.grey - extreme);
    long long const width = GetWidth(i);
    return (width > 0 ? width : 0) * (depth > 0 ? depth : 0) + 1;
}

bool LineRunData::CheckMarginBefore(unsigned first, unsigned width, bool negative, unsigned specks) const
{
    PartialScanData<3> window;
    ArrayIterator<ScanElement const> const at(line_, static_cast<unsigned>(lineCount_),
                                              static_cast<int>(index_ + first), 1);
    if (first >= count_ || !IsMarginMeasurable(line_, lineCount_, index_ + first, false, width) || !window.Set(at)) {
        return false;
    }
    return negative ? window.CheckBlackMargin(width, false, false, specks)
                    : window.CheckMargin(width, false, false, specks);
}

bool LineRunData::CheckMarginAfter(unsigned last, unsigned width, bool negative, unsigned specks) const
{
    PartialScanData<3> window;
    if (last < 2 || last >= count_ || !IsMarginMeasurable(line_, lineCount_, index_ + last, true, width)) {
        return false;
    }
    ArrayIterator<ScanElement const> const at(line_, static_cast<unsigned>(lineCount_),
                                              static_cast<int>(index_ + last - 2), 1);
    if (!window.Set(at)) {
        return false;
    }
    return negative ? window.CheckBlackMargin(width, true, false, specks)
                    : window.CheckMargin(width, true, false, specks);
}

void LineRunData::PushWindow(RateForTuningCalculator const& rate, unsigned first) const
{
    PartialScanData<5> window;
    ArrayIterator<ScanElement const> const at(line_, static_cast<unsigned>(lineCount_),
                                              static_cast<int>(index_ + first), 1);
    if (first < count_ && window.Set(at)) {
        rate.Push(window);
    }
}

unsigned LineRunData::FindGroundAfter(unsigned from, unsigned limit, long long factor) const
{
    if (count_ == 0) {
        return 0;
    }
    unsigned char const ground = (*this)[0].colour == kDarkRun ? kLightRun : kDarkRun;
    long long widest = 0;
    long long narrowest = 0;
    for (unsigned i = from; i < count_ && i < from + limit; ++i) {
        long long const width = GetWidth(i);
        // A located region may end the line within the quiet zone.
        bool const lineEnd = i + 1 == count_;
        bool const wide = width >= factor * widest && width >= 2 * factor * narrowest;
        if ((*this)[i].colour == ground && widest > 0 && (wide || lineEnd)) {
            return i;
        }
        widest = width > widest ? width : widest;
        narrowest = narrowest == 0 || width < narrowest ? width : narrowest;
    }
    return 0;
}

}  // namespace DEC2DIvra
