#pragma once

#include "decoder/core/geometry/line_segment.h"

namespace DEC2DIvra {

// A start, stop or row address pattern met on a scan line.
struct FinderCandidate {
    unsigned pattern = 0;       // 17-module value, or row address table number; 0 empty
    int number = 0;             // pattern value again, or the row address number 1..52
    unsigned char inverted = 0; // light bars (reversed polarity)
    unsigned char reversed = 0; // read against the scan direction
    unsigned short contrast = 0;
    LineSegment segment;        // begin and end of the pattern, 1/256 pixel

    bool IsEmpty() const { return pattern == 0; }
    // Orderings for the heap sort.
    static bool CompareX(FinderCandidate const& a, FinderCandidate const& b);
    static bool CompareY(FinderCandidate const& a, FinderCandidate const& b);
    static bool CompareReverseX(FinderCandidate const& a, FinderCandidate const& b);
    static bool CompareReverseY(FinderCandidate const& a, FinderCandidate const& b);
    static bool CompareWidth(FinderCandidate const& a, FinderCandidate const& b);
};

}  // namespace DEC2DIvra
