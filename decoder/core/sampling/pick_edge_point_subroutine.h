#pragma once

#include "decoder/core/gray_image.h"
#include "decoder/core/geometry/line_segment.h"
#include "decoder/core/geometry/point.h"
#include "decoder/core/geometry/vector.h"

namespace DEC2DIvra {

// One edge near a probe, searched across it: the grey profile along the
// search direction is sampled every half pixel, each sample averaged over the
// probe's two ends and midpoint (so that a short probe segment along the
// expected edge evens out noise), and of the clear gradient peaks of the
// wanted direction the one nearest the probe is taken. It is placed where the
// profile crosses the level halfway between the ends of the rise that holds
// the peak, interpolated between samples.
class PickEdgePointSubroutine {
public:
    static constexpr unsigned kFractionBits = 8;
    static constexpr unsigned kMaxRange = 256;
    // As for CalcEdgePointSubroutine: well above sensor noise.
    static constexpr unsigned kMinContrast = 64;

    // Points in 1/256 pixel; `search` gives only the direction; `range` is in
    // whole pixels either side of the probe; colour is the colour the edge
    // leads into along the search direction (true dark). The edge lies on the
    // line through the probe's midpoint along the search direction. False for
    // a zero search vector, a range of 0 (or above kMaxRange), a probe off the
    // image, too little contrast, or no edge of that direction.
    bool Start(GrayImage const& image, LineSegment const& probe, Vector const& search, unsigned range, bool colour,
               Point& edge) const;
};

}  // namespace DEC2DIvra
