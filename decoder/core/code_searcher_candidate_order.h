#pragma once

#include "decoder/core/bar_region_candidate.h"
#include "decoder/core/rectangle.h"
#include "decoder/core/region.h"

namespace DEC2DIvra {

// The order in which the searcher offers the candidates of one image to the
// decoders. The stages run one after another, each only when its decoder is
// built into the firmware; within a stage the strongest candidate goes
// first. A label the callback accepts ends the search at once, so the order
// decides which of several symbols in view is read, and how soon.
//
//   1. Linear regions at any angle, to AbstractBarCodeDecoder: groups of
//      cells of parallel gradients, split along their axis into trains of
//      edges; strongest (most edges, most coherent) first.
//   2. PDF417 regions, to AbstractStackCodeDecoder: the same bar-like groups
//      whose profile shows the start and stop patterns at both ends and rows
//      stacked across the axis.
//   3. QR finder triples, to the first AbstractRegionDecoder: three 1:1:3:1:1
//      squares at the corners of a right angle.
//   4. Aztec and MaxiCode bull's-eyes: concentric rings, Aztec to the second
//      AbstractRegionDecoder, MaxiCode as horizontal segments across the
//      rings to AbstractMatrixCodeDecoder.
//   5. Data Matrix L-patterns, to AbstractLPatternDecoder: two solid edges
//      meeting at a corner, with the clock track opposite.
//   6. Han Xin finders, to AbstractMatrixCodeDecoder: the four corner
//      patterns, as horizontal segments across the symbol.
//   7. DotCode dots, to AbstractDotDecoder: isolated round dots on a grid,
//      one call per dot candidate.
//
// Only stage 1 is built so far; each later stage reuses the same cell field
// of the image where it can (stage 2 the bar-like groups, stages 3 to 6 the
// cells of mixed direction) rather than passing over the pixels again.
enum class CodeSearchStage : unsigned {
    kLinear = 0,
    kStacked,
    kQRFinder,
    kBullsEye,
    kLPattern,
    kHanXinFinder,
    kDot,
};

// Sorts candidates strongest first; equal scores keep their order.
void OrderBarRegionCandidates(BarRegionCandidate* candidates, unsigned count);

// Whether a region and a rectangle (bounds included) share any point.
bool IsOverlapping(Region const& region, Rectangle const& rectangle);

}  // namespace DEC2DIvra
