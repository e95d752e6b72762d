#pragma once

#include "decoder/core/location/bar_region_candidate.h"
#include "decoder/core/gray_image.h"

namespace DEC2DIvra {

// Whether the profile along the middle of a bar-like region shows a PDF417
// start pattern (8:1:1:1:1:1:1:3 modules) or stop pattern
// (7:1:1:3:1:1:1:2:1), read either way along the axis, beside a quiet zone
// of two modules at its outer end (where the line runs on past it): matrix
// data passes for either pattern now and then, with data beside it. One walk
// over the region's length on each of three lines; no other pixel is read.
bool IsStackedCandidate(GrayImage const& image, BarRegionCandidate const& candidate);

// Whether lines along a bar-like region (run on beyond its ends, which may
// cut a symbol's rows) show the ends of MicroPDF417 rows: a row address
// pattern of the left or right columns (10 modules, three bars and three
// spaces, of the standard's table) beside a quiet zone, the right one with
// the one-module stop bar, with a codeword of 17 modules beside it and a
// codeword or row address pattern beyond; read either way along the axis,
// either colour on the other. Two of three lines must show such an end of
// one kind at one place, as a column of row address patterns does. Linear
// symbols show this now and then: lines across the region that differ
// (HasDifferingRows) tell a stacked symbol.
bool ShowsRowAddressPatterns(GrayImage const& image, BarRegionCandidate const& candidate);

// Whether lines across the region's width show different rows, as a stacked
// symbol's do: two lines half the width apart, shifted along the axis to
// agree best, still disagree over a good share of their length. The bars of
// a linear symbol read the same on every line.
bool HasDifferingRows(GrayImage const& image, BarRegionCandidate const& candidate);

// HasDifferingRows for a region that shows a column of MicroPDF417 row
// address patterns (ShowsRowAddressPatterns): a smaller share of differing
// samples will do, as a narrow symbol may fill little of the region.
bool HasDifferingRowAddressRows(GrayImage const& image, BarRegionCandidate const& candidate);

// Whether two neighbouring lines of five across the region, neither showing
// a PDF417 start or stop pattern, read alike, as a linear symbol's bars do:
// the region holds a composite's linear part beside its PDF417 2D part (a
// PDF417 symbol's rows differ from line to line).
bool HoldsBarsBesideStartOrStop(GrayImage const& image, BarRegionCandidate const& candidate);

}  // namespace DEC2DIvra
