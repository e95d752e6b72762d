#pragma once

#include "decoder/core/location/bar_region_candidate.h"
#include "decoder/core/geometry/rectangle.h"
#include "decoder/core/geometry/region.h"

namespace DEC2DIvra {

// The order in which the searcher offers the candidates of one image to the
// decoders. The stages run one after another, each only when its decoder is
// built into the firmware and one of its symbologies is on; within a stage
// the strongest candidate goes first. A label the callback accepts ends the search at once, so the order
// decides which of several symbols in view is read, and how soon.
//
//   1. Linear regions at any angle, to AbstractBarCodeDecoder: groups of
//      cells of parallel gradients, split along their axis into trains of
//      edges; strongest (most edges, most coherent) first, except that a
//      band whose lines across it did not see the same edges goes after a
//      band that did and whose region holds its centre. A region whose
//      profile shows a PDF417 start or stop pattern (with composites read,
//      unless lines beside it read alike: a composite's linear part, read
//      first) or, with MicroPDF417 read, a column of row address
//      patterns at its rows' ends, and whose lines across it show different
//      rows goes to AbstractStackCodeDecoder first (the linear decoders'
//      trials over a stacked symbol cost many times its read), and to the
//      linear decoders only when it gives no label; the stacked stage does
//      not hand it again. With a QR stage
//      wanted, once a region gave no label its finders are swept, and a
//      region whose centre lies in a symbol that three square finders span
//      is left out (its data would only cost the linear decoders time).
//      The locator opens the image to the linear decoder before the first
//      stage and closes it after the last: the linear trial decodes of the
//      image are bounded in between, and spent in this order, each region
//      taking no more than its share.
//   2. PDF417 regions, to AbstractStackCodeDecoder: the regions in which a
//      linear decoder met a PDF417 row, then the same bar-like groups whose
//      profile along the middle shows a start or a stop pattern; a region
//      whose seen-symbol flag comes back 1 is remembered.
//   3. QR finder triples, to the first AbstractRegionDecoder: three 1:1:3:1:1
//      squares at the corners of a right angle (region corners: the corner
//      finder, the finder to its right as the symbol reads, the estimated
//      fourth corner, the finder below it); with Micro QR on, then each
//      finder of no triple, as the square of seven modules around it.
//   4. Aztec and MaxiCode bull's-eyes: concentric rings, those seen on more
//      than one row first, Aztec (dark core) to the second
//      AbstractRegionDecoder, MaxiCode (light centre) as horizontal segments
//      across the symbol to the segment form of AbstractMatrixCodeDecoder.
//   5. Data Matrix L-patterns, to AbstractLPatternDecoder: two solid legs
//      meeting at a corner. When they give no label, the stage hands on
//      what waited for it: the bar-like regions of stage 1 whose lines
//      along their bars change colour like matrix modules, then the Aztec
//      sightings of stage 4 whose rings were not even all round (both only
//      wait while Data Matrix is read; the sightings not while MaxiCode is).
//   6. Han Xin finders, to AbstractMatrixCodeDecoder: the corner patterns
//      (1:1:1:1:3 across), as horizontal segments through each across the
//      box they span.
//   7. DotCode dots, to AbstractDotDecoder: isolated round dots on a grid,
//      one call per dot candidate.
//
// Stages 1 and 2 share the cell field of the image and its bar-like groups
// (stage 2 also takes the regions in which a linear decoder met a PDF417
// row); stages 3 to 7 find their patterns in sweeps over sampled rows
// (matrix_candidate_finder.h). Stages 3 to 5 take turns over four
// interleaved parts of those rows: each part's QR triples, then its
// bull's-eyes, then its L patterns, before the next part is swept (each
// stage keeps its budget and its order over all parts; Micro QR finders and
// loose bull's-eyes wait for the last part). Han Xin finders and dots are
// gathered in one sweep of the whole frame after the parts.
// Within a part the order is that of the rows, top first.
enum class CodeSearchStage : unsigned {
    kLinear = 0,
    kStacked,
    kQRFinder,
    kBullsEye,
    kLPattern,
    kHanXinFinder,
    kDot,
};

// Sorts candidates strongest first (equal scores keep their order); an
// unsteady candidate then gives way to a steady one whose region holds its
// centre.
void OrderBarRegionCandidates(BarRegionCandidate* candidates, unsigned count);

// Whether a region and a rectangle (bounds included) share any point.
bool IsOverlapping(Region const& region, Rectangle const& rectangle);

}  // namespace DEC2DIvra
