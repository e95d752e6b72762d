#pragma once

#include "decoder/core/array_iterator.h"
#include "decoder/linear/scan_element.h"
#include "decoder/linear/two_of_five_layout.h"

namespace DEC2DIvra {

// The runs of a scan line from a candidate run on, read in place, with each
// run's magnitude (width times its depth below the opposite colour's level
// nearby) and the narrow/wide reading of 2 of 5 characters.
class TwoOfFivePartialScanData {
public:
    // One character of a layout, classified.
    struct Character {
        int digits[2] = {-1, -1};
        unsigned digitCount = 0;
        long long barThreshold = 0;    // magnitude between narrow and wide bars
        long long spaceThreshold = 0;  // likewise for spaces
        long long narrowWidth = 0;     // mean width of the narrow runs
        int begin = 0;
        int end = 0;
    };

    explicit TwoOfFivePartialScanData(ArrayIterator<ScanElement const> const& first);

    // Runs from the first one on still on the line.
    unsigned GetCount() const { return count_; }
    ScanElement const& operator[](unsigned i) const { return line_[index_ + i]; }
    long long GetMagnitude(unsigned i) const;

    // The character of `layout` at run `first`; `previous` (or null) is the
    // character before it, whose widths this one must follow.
    bool CalcBarSymbol(TwoOfFiveLayout const& layout, unsigned first, Character const* previous,
                       Character& character) const;
    // The opening or closing pattern at run `first`, judged by a character's
    // thresholds.
    bool CheckPattern(unsigned first, unsigned runs, unsigned wide, unsigned examined,
                      Character const& reference) const;
    // The quiet zone before run `first` or after run `last`.
    bool CheckMarginBefore(unsigned first, unsigned width, bool negative, unsigned specks) const;
    bool CheckMarginAfter(unsigned last, unsigned width, bool negative, unsigned specks) const;

private:
    bool ClassifyDigit(unsigned first, unsigned char const* runs, int& digit,
                       long long& threshold, long long& narrowWidth) const;

    ScanElement const* line_;
    long long lineCount_;
    long long index_;
    unsigned count_;
};

}  // namespace DEC2DIvra
