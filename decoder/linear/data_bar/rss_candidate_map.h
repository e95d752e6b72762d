#pragma once

#include "decoder/core/geometry/line_segment.h"
#include "decoder/core/geometry/point.h"
#include "decoder/linear/data_bar/bar_symbol_for_rss.h"
#include "decoder/linear/line/rate_for_tuning_calculator.h"

namespace DEC2DIvra {

// Votes for the characters seen on one side of a finder over the lines of a
// region: each distinct character code with its count, the character's outer
// end on the first and last line that read it (the label's corners) and the
// stretch of those lines the finder and its characters covered (the regions
// handed to the symbol locator); and the records of the first lines voted,
// whose greys give the label's tuning statistics.
//
// A record's code carries, above the character's value x modulus +
// checksum contribution (kValueMask), whether the line met the character in
// reverse (kReverseBit) and the index of its finder's scan region
// (kRegionShift). The codes are voted twice: whole, so that a character
// counts by the region and direction it was read in, and by the character
// alone, so that lines of every region and direction add up.
template <unsigned N>
class BarSymbolCandidateMapForRSS {
public:
    static constexpr unsigned kValueMask = (1u << 27) - 1;
    static constexpr unsigned kReverseBit = 1u << 27;
    static constexpr unsigned kRegionShift = 28;

    struct Entry {
        unsigned code = 0;
        unsigned votes = 0;
        Point first;
        Point last;
        LineSegment firstPair;
        LineSegment lastPair;
    };

    static constexpr unsigned kRecords = 8;

    void Reset()
    {
        count_ = 0;
        recordCount_ = 0;
        wholeCount_ = 0;
    }
    bool IsEmpty() const { return count_ == 0; }

    // A known code gains a vote; a new one enters while there is room. The
    // record's far end (its last point) marks the character's end.
    // regionKnown false: the finder's region found no slot, and the code
    // votes for the character alone.
    void Push(BarSymbolForRSS const& record, LineSegment const& pair, bool regionKnown = true)
    {
        if (regionKnown) {
            PushWhole(record.code);
        }
        Push(record.code & kValueMask, record.last, pair);
        if (recordCount_ < kRecords) {
            records_[recordCount_++] = record;
        }
    }

    // The runs of the records of `code` into `rate`.
    void PushRateForTuningCalculators(unsigned code, RateForTuningCalculator const& rate) const
    {
        for (unsigned i = 0; i < recordCount_; ++i) {
            if ((records_[i].code & kValueMask) != (code & kValueMask)) {
                continue;
            }
            for (unsigned k = 0; k < 8; ++k) {
                rate.PushBit((records_[i].light >> k & 1u) != 0, records_[i].greys[k]);
            }
        }
    }
    void Push(unsigned code, Point const& end, LineSegment const& pair)
    {
        for (unsigned i = 0; i < count_; ++i) {
            if (entries_[i].code == code) {
                ++entries_[i].votes;
                entries_[i].last = end;
                entries_[i].lastPair = pair;
                return;
            }
        }
        if (count_ < N) {
            entries_[count_++] = Entry{code, 1, end, end, pair, pair};
        }
    }

    // The whole code (region and direction included) with at least `votes`
    // that leads every other whole code by `lead`; false when none does.
    bool GetClearBestWhole(unsigned votes, unsigned lead, unsigned& code) const
    {
        unsigned best = wholeCount_;
        for (unsigned i = 0; i < wholeCount_; ++i) {
            if (best == wholeCount_ || whole_[i].votes > whole_[best].votes) {
                best = i;
            }
        }
        if (best == wholeCount_ || whole_[best].votes < votes) {
            return false;
        }
        for (unsigned i = 0; i < wholeCount_; ++i) {
            if (i != best && whole_[i].votes + lead > whole_[best].votes) {
                return false;
            }
        }
        code = whole_[best].code;
        return true;
    }

    // The entry of a character (any region and direction); null when no
    // line voted it.
    Entry const* Find(unsigned code) const
    {
        for (unsigned i = 0; i < count_; ++i) {
            if (entries_[i].code == (code & kValueMask)) {
                return &entries_[i];
            }
        }
        return nullptr;
    }

    // The code with the most votes (the earliest of equals); null when empty.
    Entry const* GetBest() const
    {
        Entry const* best = nullptr;
        for (unsigned i = 0; i < count_; ++i) {
            if (best == nullptr || entries_[i].votes > best->votes) {
                best = &entries_[i];
            }
        }
        return best;
    }

    // The best code when it has at least `votes` and leads every other by
    // `lead`; null otherwise.
    Entry const* GetClearBest(unsigned votes, unsigned lead) const
    {
        Entry const* best = GetBest();
        if (best == nullptr || best->votes < votes) {
            return nullptr;
        }
        for (unsigned i = 0; i < count_; ++i) {
            if (&entries_[i] != best && entries_[i].votes + lead > best->votes) {
                return nullptr;
            }
        }
        return best;
    }

private:
    struct WholeVote {
        unsigned code = 0;
        unsigned votes = 0;
    };

    void PushWhole(unsigned code)
    {
        for (unsigned i = 0; i < wholeCount_; ++i) {
            if (whole_[i].code == code) {
                ++whole_[i].votes;
                return;
            }
        }
        if (wholeCount_ < N) {
            whole_[wholeCount_++] = WholeVote{code, 1};
        }
    }

    Entry entries_[N];
    unsigned count_ = 0;
    WholeVote whole_[N];
    unsigned wholeCount_ = 0;
    BarSymbolForRSS records_[kRecords];
    unsigned recordCount_ = 0;
};

// The two characters of a finder: first the Omnidirectional outer character
// or the Expanded character on the symbol's left, second the other.
struct RSSPairCandidateMap {
    BarSymbolCandidateMapForRSS<64> first;
    BarSymbolCandidateMapForRSS<64> second;
    // Lines that met dark (0) or light (1) ground beyond the outer character.
    unsigned grounds[2] = {0, 0};
    // Lines that read a character beside the finder, and the finder's
    // stretch of the latest of them.
    unsigned sightings = 0;
    LineSegment finder;

    void Reset()
    {
        first.Reset();
        second.Reset();
        grounds[0] = 0;
        grounds[1] = 0;
        sightings = 0;
    }
    // The ground the lines met most is the symbol's light (normal) or dark
    // (inverted) colour; false when they contradict it.
    bool AgreesWith(bool inverted) const { return grounds[inverted ? 1 : 0] <= grounds[inverted ? 0 : 1]; }
    // Lines met ground of the symbol's colour in that polarity, more than
    // noise would.
    bool Shows(bool inverted) const { return grounds[inverted ? 0 : 1] >= 2; }
};

}  // namespace DEC2DIvra
