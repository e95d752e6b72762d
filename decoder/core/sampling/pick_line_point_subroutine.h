#pragma once

#include "decoder/core/gray_image.h"
#include "decoder/core/geometry/line_segment.h"
#include "decoder/core/geometry/point.h"
#include "decoder/core/geometry/vector.h"

namespace DEC2DIvra {

// One point of an edge that runs along a window: `steps` search lines cross
// the window at evenly spread places, each from the window point less the
// search vector to the window point plus it, and on each the edge met first
// is found (CalcEdgePointSubroutine). The answer lies on the line through the
// window's midpoint along the search vector, at the median of the edges'
// offsets along it: a damaged module under one search line moves it not at
// all.
class PickLinePointSubroutine {
public:
    static constexpr unsigned kFractionBits = 8;
    static constexpr unsigned kMaxSteps = 16;

    // Points and vectors in 1/256 pixel; colour is the colour on the start
    // side of the search lines (true dark). False for 0 steps (or more than
    // kMaxSteps), a zero search vector, or when fewer than half of the lines
    // meet an edge.
    bool Start(GrayImage const& image, LineSegment const& window, Vector const& search, unsigned steps, bool colour,
               Point& edge) const;
};

}  // namespace DEC2DIvra
