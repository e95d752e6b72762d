#pragma once

#include "decoder/core/geometry/line_segment.h"
#include "decoder/core/geometry/point.h"
#include "decoder/core/gray_image.h"

namespace DEC2DIvra {

// The centre of the module in the middle of a segment: halfway between its
// edges met walking from the middle toward either end. colour is the
// module's (true dark); points carry edgeMode fraction bits. False when
// either edge is missing.
class CalcModuleCenterSubroutine {
public:
    bool Start(GrayImage const& image, LineSegment const& segment, bool colour, unsigned edgeMode,
               Point& centre) const;
};

// How well count grey (or Laplacian) values along a segment, its ends
// included, alternate dark and light: 4096 for a perfect alternation whose
// first sample is dark with colour set (light with it clear), -4096 for the
// opposite. Points carry 8 fraction bits. False for a count outside 5 .. 10.
class CalcGridCorrelationSubroutine {
public:
    static constexpr unsigned kMinSamples = 5;
    static constexpr unsigned kMaxSamples = 10;
    bool Start(GrayImage const& image, bool laplacian, unsigned count, LineSegment const& segment, bool colour,
               int& correlation) const;
};

}  // namespace DEC2DIvra
