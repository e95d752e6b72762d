#pragma once

#include "decoder/core/gray_image.h"
#include "decoder/core/geometry/line_segment.h"
#include "decoder/core/geometry/point.h"
#include "decoder/core/geometry/region.h"
#include "decoder/core/geometry/vector.h"

namespace DEC2DIvra {

// The band of parallel scan lines laid over a located region. The first scan
// line runs from corner 0 to corner 1, the last from corner 3 to corner 2;
// neighbouring lines lie one pixel step (a unit step of one of the eight
// principal directions) apart, so the band holds every pixel line between.
class BarCodeScanRegion {
public:
    static constexpr unsigned kMinLines = 4;

    // Lays the band over a region whose scan direction runs from corner 0 to
    // corner 1 and whose lines advance from corner 0 toward corner 3. False
    // when the region gives fewer than kMinLines lines, or its sides or lines
    // miss the image.
    bool Set(GrayImage const& image, Region const& region);

    Point const& GetCorner(unsigned i) const { return corner_[i & 3]; }
    Region GetBand() const { return Region{{corner_[0], corner_[1], corner_[2], corner_[3]}}; }
    LineSegment GetFirstLine() const { return LineSegment{corner_[0], corner_[1]}; }
    LineSegment GetLastLine() const { return LineSegment{corner_[3], corner_[2]}; }
    bool IsFourConnected() const { return fourConnected_ != 0; }
    int GetStep() const { return step_; }
    Vector const& GetStepVector() const { return stepVector_; }
    unsigned GetLineCount() const { return lines_; }
    int GetSkew() const { return skew_; }
    Region const& GetLocatedRegion() const { return located_; }

private:
    Point corner_[4];
    unsigned char fourConnected_ = 0;
    int step_ = 0;  // pixel-address offset from one scan line to the next
    Vector stepVector_;
    unsigned lines_ = 0;
    int skew_ = 0;  // -1, 0, +1: on which side of the step the across direction lies, when far off it
    Region located_;
};

}  // namespace DEC2DIvra
