#pragma once

#include "decoder/core/gray_image.h"
#include "decoder/core/geometry/line.h"
#include "decoder/core/geometry/line_segment.h"
#include "decoder/core/geometry/vector.h"

namespace DEC2DIvra {

// An edge line near an estimated one: edge points are picked across the
// segment at evenly spread probes (PickEdgePointSubroutine) and a
// least-squares line is fitted through them, dropping the worst point while
// one lies more than a pixel off the fit.
class CalcEdgeLineSubroutine {
public:
    static constexpr unsigned kMaxProbes = 32;

    // Points in 1/256 pixel, range in whole pixels, colour as for
    // PickEdgePointSubroutine. The line is directed from the segment's begin
    // toward its end. False when fewer than a third of the probes (or fewer
    // than two) give an edge that agrees with the fit.
    bool Start(GrayImage const& image, LineSegment const& segment, Vector const& search, bool colour, unsigned range,
               Line& line) const;
};

}  // namespace DEC2DIvra
