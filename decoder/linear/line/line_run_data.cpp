#include "decoder/linear/line/line_run_data.h"

#include <algorithm>
#include <cstdlib>

#include "decoder/linear/line/partial_scan_data.h"
#include "decoder/linear/line/rate_for_tuning_calculator.h"

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
    // Cut short, the line must still show two fifths of the zone: more than a
    // wide element, which is what a region cut inside the symbol leaves.
    if (after) {
        long long const reach = static_cast<long long>(line[count - 1].end) - line[edge].end;
        return edge + 1 < count && (reach >= width || (edge + 2 == count && 5 * reach >= 2LL * width));
    }
    long long const reach = static_cast<long long>(line[edge].begin) - line[0].begin;
    return edge >= 1 && (reach >= width || (edge == 1 && 5 * reach >= 2LL * width));
}

LineRunData::LineRunData(ArrayIterator<ScanElement const> const& first)
    : line_(first.GetBegin()), lineCount_(first.GetCount())
{
    long long const index = first.GetIndex();
    if (line_ == nullptr || index < 0 || index >= lineCount_) {
        return;
    }
    for (long long k = index - kLevelReach < 0 ? 0 : index - kLevelReach; k < index; ++k) {
        PutRun(before_++, Run{line_[k], static_cast<int>(k), static_cast<int>(k)});
    }
    PutRun(before_, Run{line_[index], static_cast<int>(index), static_cast<int>(index)});
    count_ = 1;
    next_ = index + 1;
}

void LineRunData::Append(long long& k) const
{
    Run& previous = RunAt(before_ + count_ - 1);
    ScanElement const& run = line_[k];
    if (k + 1 < lineCount_ && count_ >= 2) {
        ScanElement const& next = line_[k + 1];
        // The swing of the runs just before sets the scale of a real edge.
        long long swing = 0;
        for (unsigned i = count_ - 1; i > 0 && i + 6 > count_; --i) {
            long long const d = static_cast<long long>(RunAt(before_ + i).run.grey) - RunAt(before_ + i - 1).run.grey;
            swing = (d < 0 ? -d : d) > swing ? (d < 0 ? -d : d) : swing;
        }
        long long const up = static_cast<long long>(run.grey) - previous.run.grey;
        long long const down = static_cast<long long>(run.grey) - next.grey;
        long long const rise = (up < 0 ? -up : up) < (down < 0 ? -down : down) ? (up < 0 ? -up : up)
                                                                               : (down < 0 ? -down : down);
        long long const width = static_cast<long long>(run.end) - run.begin;
        long long const around = static_cast<long long>(next.end) - previous.run.begin - width;
        if (4 * rise < swing && 4 * width < around) {
            previous.run.end = next.end;
            previous.run.samples += run.samples + next.samples;
            bool const dark = previous.run.colour == kDarkRun;
            previous.run.grey = dark ? (next.grey < previous.run.grey ? next.grey : previous.run.grey)
                                     : (next.grey > previous.run.grey ? next.grey : previous.run.grey);
            previous.lastLine = static_cast<int>(k + 1);
            ++k;
            return;
        }
    }
    PutRun(before_ + count_, Run{run, static_cast<int>(k), static_cast<int>(k)});
    ++count_;
}

long long LineRunData::GetMagnitude(unsigned i) const
{
    // Past the runs taken in lies no run: the magnitude of one of no width.
    TakeIn(i + static_cast<unsigned>(kLevelReach));
    if (i >= count_) {
        return 1;
    }
    long long const j = static_cast<long long>(before_) + i;
    ScanElement const& run = RunAt(j).run;
    long long extreme = -1;
    long long const end = static_cast<long long>(before_) + count_;
    for (long long k = j - kLevelReach; k <= j + kLevelReach; ++k) {
        if (k < 0 || k >= end || RunAt(k).run.colour == run.colour) {
            continue;
        }
        int const grey = RunAt(k).run.grey;
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
    TakeIn(first);
    if (first >= count_) {
        return false;
    }
    long long const edge = RunAt(before_ + first).firstLine;
    ArrayIterator<ScanElement const> const at(line_, static_cast<unsigned>(lineCount_), static_cast<int>(edge), 1);
    if (!IsMarginMeasurable(line_, lineCount_, edge, false, width) || !IsClearZone(first, false, width, specks) ||
        !window.Set(at)) {
        return false;
    }
    return negative ? window.CheckBlackMargin(width, false, false, specks)
                    : window.CheckMargin(width, false, false, specks);
}

bool LineRunData::CheckMarginAfter(unsigned last, unsigned width, bool negative, unsigned specks) const
{
    PartialScanData<3> window;
    // The zone after the run is the run after it, whole.
    TakeIn(last + 1);
    if (last >= count_) {
        return false;
    }
    long long const edge = RunAt(before_ + last).lastLine;
    if (edge < 2 || !IsMarginMeasurable(line_, lineCount_, edge, true, width) || !IsClearZone(last, true, width, specks)) {
        return false;
    }
    ArrayIterator<ScanElement const> const at(line_, static_cast<unsigned>(lineCount_), static_cast<int>(edge - 2), 1);
    if (!window.Set(at)) {
        return false;
    }
    return negative ? window.CheckBlackMargin(width, true, false, specks)
                    : window.CheckMargin(width, true, false, specks);
}

bool LineRunData::IsClearZone(unsigned edge, bool after, unsigned width, unsigned specks) const
{
    if (specks != 0) {
        return true;
    }
    // The zone's run as merged (noise in it does not split it); before the
    // candidate the runs are the line's own.
    long long const k = static_cast<long long>(before_) + edge + (after ? 1 : -1);
    if (k < 0 || k >= static_cast<long long>(before_) + count_) {
        return false;
    }
    Run const& zone = RunAt(k);
    long long begin = zone.run.begin;
    long long first = zone.firstLine;
    if (!after) {
        // Noise splits the zone before the symbol as it would the runs after
        // the candidate, which are merged: a thin run far shallower than the
        // symbol's edge joins the zone, as it would there.
        ScanElement const& bar = RunAt(before_ + edge).run;
        long long const swing = std::llabs(static_cast<long long>(bar.grey) - zone.run.grey);
        long long const end = zone.run.end;
        while (first >= 2) {
            ScanElement const& speck = line_[first - 1];
            ScanElement const& beyond = line_[first - 2];
            long long const rise = std::min(std::llabs(static_cast<long long>(speck.grey) - zone.run.grey),
                                            std::llabs(static_cast<long long>(speck.grey) - beyond.grey));
            long long const thin = static_cast<long long>(speck.end) - speck.begin;
            if (4 * rise >= swing || 4 * thin >= end - beyond.begin - thin) {
                break;
            }
            begin = beyond.begin;
            first -= 2;
        }
    }
    long long const run = static_cast<long long>(zone.run.end) - begin;
    bool const lineEnd = first == 0 || zone.lastLine == lineCount_ - 1;
    return 2 * run >= width && (!lineEnd || 5 * run >= 2LL * width);
}

long long LineRunData::GetNarrowestWidth(unsigned count) const
{
    TakeIn(count > 0 ? count - 1 : 0);
    long long narrowest = count > 0 && count_ > 0 ? GetWidth(0) : 0;
    for (unsigned i = 1; i < count && i < count_; ++i) {
        narrowest = GetWidth(i) < narrowest ? GetWidth(i) : narrowest;
    }
    return narrowest;
}

bool LineRunData::CheckMargins(unsigned count, long long factor, bool negative, unsigned specks) const
{
    long long const margin = GetNarrowestWidth(count) * factor / 7;
    unsigned const width = margin <= 0 ? 0u : (margin > 0x7FFFFFFFLL ? 0x7FFFFFFFu : static_cast<unsigned>(margin));
    return count > 0 && CheckMarginBefore(0, width, negative, specks) &&
           CheckMarginAfter(count - 1, width, negative, specks);
}

void LineRunData::PushWindow(RateForTuningCalculator const& rate, unsigned first) const
{
    PartialScanData<5> window;
    TakeIn(first);
    if (first >= count_) {
        return;
    }
    ArrayIterator<ScanElement const> const at(line_, static_cast<unsigned>(lineCount_),
                                              RunAt(before_ + first).firstLine, 1);
    if (window.Set(at)) {
        rate.Push(window);
    }
}

unsigned LineRunData::FindGroundAfter(unsigned from, unsigned limit, long long factor) const
{
    if (count_ == 0) {
        return 0;
    }
    unsigned char const ground = (*this)[0].colour == kDarkRun ? kLightRun : kDarkRun;
    for (unsigned i = from; i < from + limit; ++i) {
        TakeIn(i);
        if (i >= count_) {
            break;
        }
        // Only a run of the ground's colour can end the symbol. The runs up
        // to run i are taken in, whole.
        if (RunAt(before_ + i).run.colour != ground) {
            continue;
        }
        long long const width = WidthAt(i);
        // Against the runs just before: a slanted symbol's far end has
        // narrower runs than its near end, and so has its quiet zone.
        long long widest = 0;
        long long narrowest = 0;
        for (unsigned k = i > from + kGroundReach ? i - kGroundReach : from; k < i; ++k) {
            long long const w = WidthAt(k);
            widest = w > widest ? w : widest;
            narrowest = narrowest == 0 || w < narrowest ? w : narrowest;
        }
        // A located region may end the line within the quiet zone.
        bool const lineEnd = i + 1 == count_ && before_ + count_ < kCapacity;
        bool const wide = width >= factor * widest && width >= 2 * factor * narrowest;
        if (widest > 0 && (wide || lineEnd)) {
            return i;
        }
    }
    return 0;
}

}  // namespace DEC2DIvra
