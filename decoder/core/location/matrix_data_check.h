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

// Whether lines one module apart across the region's width (the module
// taken from the spacing of its edges) differ pair after pair, as the rows of
// a matrix symbol's modules do, each its own: four pairs at least about the
// middle of the width, two in five of them differing over six in a hundred
// samples of the middle of the stretch between the quiet zones at every shift
// of up to two pixels. A sample differs only where it is plainly dark or
// light and the other line's samples within a pixel of it are all plainly the
// other colour, so that noise about an edge or a grey run makes no
// difference. Elements under two pixels tell nothing, nor does a region over
// 32 spacings of its edges across its bars: a bar-like stretch of matrix data
// runs a few modules along them, a stacked symbol's region spans all its
// rows. A linear symbol's bars read alike from line to line; a stacked
// symbol's rows differ where the lines meet a row's end, and MicroPDF417 and
// composite rows of two modules differ pair after pair too.
bool ShowsModuleRows(GrayImage const& image, BarRegionCandidate const& candidate);

}  // namespace DEC2DIvra
