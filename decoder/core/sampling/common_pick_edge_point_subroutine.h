#pragma once

#include "decoder/core/gray_image.h"
#include "decoder/core/geometry/line_segment.h"
#include "decoder/core/geometry/point.h"
#include "decoder/core/geometry/ptr_line_segment.h"
#include "decoder/core/geometry/vector.h"

namespace DEC2DIvra {

// The set-up shared by edge pickers that measure a profile across an edge
// running along a segment: the picking segment crosses the given segment at
// its midpoint, in the given direction, from width1 before it to width2
// beyond it; at every pixel of the picking walk the sampling line is the given
// segment moved there. A picker walks the picking segment (its line
// coordinates are the profile's positions) and measures something along each
// sampling line.
class CommonPickEdgePointSubroutine {
public:
    static constexpr unsigned kFractionBits = 8;

    // segment in 1/256 pixel, widths in 1/256 pixel along `direction`. On
    // success answers 1 and gives the walk steps before and after the
    // segment's midpoint, so that the edge is expected at walk length
    // x before / (before + after). Answers 0 (and keeps its last set-up) for
    // a zero direction or segment, widths that give no walk, or a sampling
    // line that would leave the image anywhere along the walk.
    unsigned Initialize(GrayImage const& image, LineSegment const& segment, Vector const& direction, unsigned width1,
                        unsigned width2, unsigned& before, unsigned& after);

    // The picking segment and its walk, in whole pixels.
    LineSegment const& GetPickingSegment() const { return picking_; }
    PtrLineSegment const& GetPickingLine() const { return pickingLine_; }
    // The sampling line's ends relative to a picking pixel, in whole pixels.
    Vector const& GetSamplingBegin() const { return samplingBegin_; }
    Vector const& GetSamplingEnd() const { return samplingEnd_; }

    // The sampling line at picking coordinate k (0 .. walk length - 1);
    // false outside the walk or before a successful Initialize.
    bool CalcSamplingLine(GrayImage const& image, int coordinate, LineSegment& line) const;

private:
    LineSegment picking_;
    PtrLineSegment pickingLine_;
    Vector samplingBegin_;
    Vector samplingEnd_;
    bool ready_ = false;
};

}  // namespace DEC2DIvra
