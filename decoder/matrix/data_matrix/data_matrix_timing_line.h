#pragma once

#include "decoder/core/containers/stack_interface.h"
#include "decoder/core/geometry/line.h"
#include "decoder/core/geometry/line_segment.h"
#include "decoder/core/geometry/point.h"
#include "decoder/core/geometry/vector.h"
#include "decoder/core/gray_image.h"
#include "decoder/matrix/data_matrix/data_matrix_timing_edge.h"

namespace DEC2DIvra {

// The outer edge of a timing side (the alternating side opposite the L):
// the line through two edge points picked outward across the side, one on
// each end part of it. Points and widths in 1/256 pixel.
class CalcTimingEdgeLineSubroutine {
public:
    explicit CalcTimingEdgeLineSubroutine(TimingEdgeWorkArea& work) : work_(&work) {}

    // side: the side's ends A and B as the outline puts them; outward away
    // from the symbol; width: the picking walk's length across the side.
    // With fifths the parts run from A to 2/5 of the way and from 3/5 to B,
    // else from A to 1/3 and from 2/3 to B. Nonzero when both points were
    // found.
    unsigned Start(GrayImage const& image, LineSegment const& side, Vector const& outward, unsigned width,
                   Line& edge, bool fifths) const;

private:
    TimingEdgeWorkArea* work_;
};

// A curved or skewed timing side followed module by module: the module
// edges along the side's outer edge, and from each a chain of four more
// outer edge points, the step doubled each time, fitted by a short line.
class CalcTimingPatternPolygonalLine {
public:
    explicit CalcTimingPatternPolygonalLine(TimingEdgeWorkArea& work) : work_(&work) {}

    // start: the side's first outer corner; step: one module along the
    // side; side: from start to the side's far corner; outwardLeft: the
    // symbol lies to the right of the side (looking along it). The lines
    // go onto `lines` in the order of their module edges while there is
    // room. 1 unless the module edges along the side cannot be picked.
    unsigned Start(GrayImage const& image, Point const& start, Vector const& step, Vector const& side,
                   bool outwardLeft, StackInterface<Line>& lines) const;

private:
    TimingEdgeWorkArea* work_;
};

}  // namespace DEC2DIvra
