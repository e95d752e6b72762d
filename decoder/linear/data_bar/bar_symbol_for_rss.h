#pragma once

#include "decoder/core/geometry/point.h"

namespace DEC2DIvra {

class GrayImage;
class ScanLineSegment;

// One DataBar character read beside a finder on one scan line: its code
// (value x modulus + checksum contribution, set when it is voted), its
// extent on the line, its element widths in reading order, and the image
// points of its ends.
struct BarSymbolForRSS {
    unsigned code = 0;
    int begin = 0;  // line coordinates, begin < end
    int end = 0;
    unsigned char widths[8] = {};
    // The grey of each of its eight runs, and which of them are light (bit
    // k for run k), for the tuning statistics.
    short greys[8] = {};
    unsigned char light = 0;
    Point first;  // the end met first in reading order
    Point last;   // the other end

    // The two end points on `line`, swapped when the character reads
    // against the line (reverse). False when either lies outside the image
    // or they lie fewer than `modules` pixels apart (Manhattan): a
    // character narrower than a pixel a module is not voted.
    bool CalcLineSegment(GrayImage const& image, bool reverse, unsigned modules, ScanLineSegment const& line);
};

}  // namespace DEC2DIvra
