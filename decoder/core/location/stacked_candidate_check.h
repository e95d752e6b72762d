#pragma once

#include "decoder/core/location/bar_region_candidate.h"
#include "decoder/core/gray_image.h"

namespace DEC2DIvra {

// Whether the profile along the middle of a bar-like region shows a PDF417
// start pattern (8:1:1:1:1:1:1:3 modules) or stop pattern
// (7:1:1:3:1:1:1:2:1), read either way along the axis. One walk over the
// region's length; no other pixel is read.
bool IsStackedCandidate(GrayImage const& image, BarRegionCandidate const& candidate);

}  // namespace DEC2DIvra
