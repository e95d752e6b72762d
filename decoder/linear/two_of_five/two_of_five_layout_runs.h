#pragma once

#include "decoder/linear/line/line_run_data.h"
#include "decoder/linear/two_of_five/two_of_five_layout.h"

namespace DEC2DIvra {

// The runs of a scan line from a candidate run on, read as 2 of 5 characters.
class TwoOfFiveLayoutRuns : public LineRunData {
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

    using LineRunData::LineRunData;

    // The character of `layout` at run `first`; `previous` (or null) is the
    // character before it, whose widths this one must follow.
    bool CalcBarSymbol(TwoOfFiveLayout const& layout, unsigned first, Character const* previous,
                       Character& character) const;
    // The opening or closing pattern at run `first`, judged by a character's
    // thresholds.
    bool CheckPattern(unsigned first, unsigned runs, unsigned wide, unsigned examined,
                      Character const& reference) const;

private:
    bool ClassifyDigit(unsigned first, unsigned char const* runs, int& digit,
                       long long& threshold, long long& narrowWidth) const;
};

}  // namespace DEC2DIvra
