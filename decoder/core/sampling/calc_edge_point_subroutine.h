#pragma once

#include "decoder/core/gray_image.h"
#include "decoder/core/geometry/point.h"

namespace DEC2DIvra {

// The first edge met when walking from a point of one colour toward a target:
// the grey profile is sampled every half pixel (bilinear) and the edge is
// placed where it first crosses the level halfway between its darkest and
// lightest samples, interpolated between the two samples around the crossing.
class CalcEdgePointSubroutine {
public:
    static constexpr unsigned kMaxSamples = 1025;
    // Less grey-level contrast than this along the walk is no edge: 10-bit
    // samples, over five times the sensor's noise, so that a walk over a flat
    // patch does not take a noise ripple for an edge.
    static constexpr unsigned kMinContrast = 64;

    // from, to and edge carry `edgeMode` fraction bits (8: 1/256 pixel).
    // colour tells the start: true dark, false light. The walk ends at the
    // image border. False when the start lies off the image or does not show
    // the colour, the walk has too little contrast, or no edge is met.
    bool Start(GrayImage const& image, Point const& from, Point const& to, bool colour, unsigned edgeMode,
               Point& edge) const;
};

}  // namespace DEC2DIvra
