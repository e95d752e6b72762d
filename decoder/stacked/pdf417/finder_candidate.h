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
    // Orderings for the heap sort (negative when b comes before a): by the
    // first x or y of the segment, rising or falling, and by the segment's
    // Chebyshev length, rising.
    static int CompareX(FinderCandidate const& a, FinderCandidate const& b);
    static int CompareY(FinderCandidate const& a, FinderCandidate const& b);
    static int CompareReverseX(FinderCandidate const& a, FinderCandidate const& b);
    static int CompareReverseY(FinderCandidate const& a, FinderCandidate const& b);
    static int CompareWidth(FinderCandidate const& a, FinderCandidate const& b);
};

}  // namespace DEC2DIvra
