#pragma once

#include "decoder/core/gray_image.h"
#include "decoder/core/location/bar_region_candidate.h"

namespace DEC2DIvra {

// Whether a bar-like region looks like the data of a matrix symbol rather
// than bars: lines laid along its bars (across the axis) change colour about
// as often as modules of a checkerboard would, where a bar code's bars keep
// one colour along their length. Nine such lines spread along the region,
// cut against the grey range of the axis line with a margin either side of
// the middle (noise along a bar's edge changes nothing); the median line
// decides, so a line that runs along an edge does not. False when the region
// is too narrow across for a line to cross a few modules, or flat.
bool LooksLikeMatrixData(GrayImage const& image, BarRegionCandidate const& candidate);

}  // namespace DEC2DIvra
