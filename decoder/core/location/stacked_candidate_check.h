#pragma once

#include "decoder/core/location/bar_region_candidate.h"
#include "decoder/core/gray_image.h"

namespace DEC2DIvra {

// Whether the profile along the middle of a bar-like region shows a PDF417
// start pattern (8:1:1:1:1:1:1:3 modules) or stop pattern
// (7:1:1:3:1:1:1:2:1), read either way along the axis. One walk over the
// region's length; no other pixel is read.
bool IsStackedCandidate(GrayImage const& image, BarRegionCandidate const& candidate);

// Whether lines across the region's width show different rows, as a stacked
// symbol's do: two lines half the width apart, shifted along the axis to
// agree best, still disagree over a good share of their length. The bars of
// a linear symbol read the same on every line.
bool HasDifferingRows(GrayImage const& image, BarRegionCandidate const& candidate);

}  // namespace DEC2DIvra
