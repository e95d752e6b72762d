#pragma once

#include "decoder/core/containers/array_iterator.h"
#include "decoder/linear/line/scan_element.h"

namespace DEC2DIvra {

class RateForTuningCalculator;

// Whether the quiet zone beyond line run `edge` (after it, or before it) can
// be judged: the line reaches `width` beyond it, or what is left of the line
// there is a single run of the ground. A line that ends in further runs
// within the zone may have left the symbol through the ends of its bars: the
// runs there are no quiet zone.
bool IsMarginMeasurable(ScanElement const* line, long long count, long long edge, bool after, unsigned width);

// The runs of a scan line from a candidate run on, with weak noise runs
// merged into the runs around them: each run's magnitude (its width times
// its depth below the opposite colour's level nearby) and the quiet-zone
// tests either side of a stretch of runs.
//
// The runs are taken in as far as a question needs them: most candidates
// fail within a character, and taking in the whole rest of the line for
// each of them cost as much as a line's runs times its candidates.
class LineRunData {
public:
    // Runs held from the candidate on (and a few before it, for the levels).
    static constexpr unsigned kCapacity = 704;

    explicit LineRunData(ArrayIterator<ScanElement const> const& first);

    // Runs from the first one on still on the line (takes in every run).
    unsigned GetCount() const
    {
        TakeIn(kCapacity);
        return count_;
    }
    // Whether at least `count` runs from the first one on are on the line.
    bool HasRuns(unsigned count) const
    {
        if (count == 0) {
            return true;
        }
        TakeIn(count - 1);
        return count_ >= count;
    }
    ScanElement const& operator[](unsigned i) const
    {
        TakeIn(i);
        return RunAt(before_ + i).run;
    }
    long long GetWidth(unsigned i) const { return static_cast<long long>((*this)[i].end) - (*this)[i].begin; }
    long long GetMagnitude(unsigned i) const;

    // The quiet zone before run `first` or after run `last` (see
    // IsMarginMeasurable).
    bool CheckMarginBefore(unsigned first, unsigned width, bool negative, unsigned specks) const;
    bool CheckMarginAfter(unsigned last, unsigned width, bool negative, unsigned specks) const;

    // The narrowest of the first `count` runs.
    long long GetNarrowestWidth(unsigned count) const;
    // The quiet zones before run 0 and after run `count` - 1, each of the
    // narrowest run's width times `factor` / 7.
    bool CheckMargins(unsigned count, long long factor, bool negative, unsigned specks) const;

    // Hands the frame's statistics a window of runs from run `first` on.
    void PushWindow(RateForTuningCalculator const& rate, unsigned first) const;

    // The first run of the ground's colour, at or after `from` and within
    // `limit` runs, at least `factor` times as wide as every one of the
    // kGroundReach runs before it (since `from`) and twice that against the
    // narrowest of them (so that the first wide element after narrow ones is
    // no end), or the line's last run: where a symbol met from `from` ends.
    // 0 for none.
    unsigned FindGroundAfter(unsigned from, unsigned limit, long long factor) const;
    static constexpr unsigned kGroundReach = 16;

private:
    struct Run {
        ScanElement run;
        int firstLine = 0;  // the line runs merged into it
        int lastLine = 0;
    };
    // Without tolerated specks the quiet zone begins with one ground run
    // beside run `edge` of at least half its width: a faint thin bar close by, too pale for
    // the margin test, splits it.
    bool IsClearZone(unsigned edge, bool after, unsigned width, unsigned specks) const;
    // Adds line run k, or merges it with the next into the run before when it
    // is a weak flicker inside that run.
    void Append(long long& k) const;
    // Takes in runs until run `i` (from the first one on) is whole: a run
    // after it is taken in, or the line or the capacity ends.
    void TakeIn(unsigned i) const
    {
        while (count_ <= i + 1 && next_ < lineCount_ && before_ + count_ < kCapacity) {
            Append(next_);
            ++next_;
        }
    }

    // The runs live in slots left uninitialised: only the runs taken in
    // (below before_ + count_) are read, and clearing all kCapacity of them
    // cost more than reading a short line.
    union Slot {
        Slot() {}
        Run run;
    };
    Run& RunAt(long long k) const { return slots_[k].run; }
    // The width of run i (from the first one on), taken in already.
    long long WidthAt(unsigned i) const
    {
        ScanElement const& run = RunAt(before_ + i).run;
        return static_cast<long long>(run.end) - run.begin;
    }
    void PutRun(long long k, Run const& run) const { slots_[k].run = run; }

    ScanElement const* line_;
    long long lineCount_;
    unsigned before_ = 0;
    // What is taken in so far: the runs, and the next line run to take.
    mutable unsigned count_ = 0;
    mutable long long next_ = 0;
    mutable Slot slots_[kCapacity];
};

}  // namespace DEC2DIvra
