#pragma once

#include "decoder/core/gray_image.h"
#include "decoder/core/location/bar_region_candidate.h"

namespace DEC2DIvra {

// Whether a bar-like region looks like the data of a matrix symbol rather
// than bars: lines laid along its bars (across the axis) change colour about
// as often as modules of a checkerboard would, where a bar code's bars keep
// one colour along their length. Nine such lines spread along the region,
// cut against the grey range of the axis line with a margin either side of
// the middle (noise along a bar's edge changes nothing); by default the
// median line decides, so a line that runs along an edge does not. With
// `lines` fewer, that many lines changing so suffice: a region that reaches
// far past a symbol's data into its quiet zone has lines there that change
// nothing. False when the region is too narrow across for a line to cross a
// few modules, or flat, or `lines` is not 1 to kMatrixDataLines. Each of the
// lines must change colour at least `leastChanges` times, however narrow the
// region.
constexpr unsigned kMatrixDataLines = 9;
constexpr unsigned kMatrixDataLeastChanges = 2;
bool LooksLikeMatrixData(GrayImage const& image, BarRegionCandidate const& candidate,
                         unsigned lines = kMatrixDataLines / 2 + 1, unsigned leastChanges = kMatrixDataLeastChanges);

// Whether a bar-like region runs along the clock track of a matrix symbol
// (Data Matrix: a row of modules alternating dark and light along two of its
// sides) rather than across bars: the region is only a few modules wide
// across (a track is one module wide, quiet zone and data on either side),
// and a line along it crosses a long row of runs of one width, edges placed
// to a fraction of a pixel. Every linear symbology mixes elements of one
// width with elements of twice that or more within a few runs (postal
// symbols aside, whose bars are as short). False when the region is too
// short or wide, or flat.
bool LiesAlongClockTrack(GrayImage const& image, BarRegionCandidate const& candidate);

}  // namespace DEC2DIvra
