#pragma once

#include "decoder/core/gray_image.h"
#include "decoder/core/location/matrix_candidate_finder.h"

namespace DEC2DIvra {

// Whether a sighted bull's-eye shows the rings of a true one along sixteen
// ways out from its centre (the row, the column, the diagonals and the ways
// between them): its first
// kEvenRingEdges colour changes out either way lie a ring width apart, and
// opposite ways agree. A matrix
// symbol's data makes runs of one module width on a row now and then, but
// seldom along all sixteen ways at once: such a sighting fails here. The
// middle grey is that of the row through the centre; a sighting without
// contrast there fails too.
bool HasEvenRings(GrayImage const& image, FinderSighting const& eye);

// The ring edges each way out that the test measures: four before a compact
// symbol's mode message.
inline constexpr int kEvenRingEdges = 4;

}  // namespace DEC2DIvra
