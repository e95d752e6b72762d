#pragma once

#include "decoder/core/location/bar_region_axis.h"
#include "decoder/core/geometry/region.h"

namespace DEC2DIvra {

// One place where parallel bars stand, as the linear decoders are given it:
// the region's reading direction runs across the bars, and its ends leave a
// little of the quiet zones on either side of the outermost edges. The axis
// and the stretches along (s0 .. s1) and across it (t0 .. t1) that the
// region was built from are kept for building its variants.
struct BarRegionCandidate {
    Region region;
    BarRegionAxis axis;
    int s0 = 0;
    int s1 = 0;
    int t0 = 0;
    int t1 = 0;
    unsigned quiet = 0;    // pixels left beyond the outermost edges
    unsigned score = 0;    // higher: more bar-like
    unsigned edges = 0;    // edges met along the axis
    unsigned spacing = 0;  // median distance of neighbouring edges, pixels
    // Lines across the band saw the same edges at the axis (or were not
    // compared): the axis runs across the bars that gave the edges.
    bool steady = true;
    // Put behind a steady candidate whose region holds its centre: left out
    // only when a label's region holds it, not when that region was searched
    // in vain.
    bool deferred = false;
};

}  // namespace DEC2DIvra
