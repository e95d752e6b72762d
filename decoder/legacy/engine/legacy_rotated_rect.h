#pragma once

// Shape tests on four corners in any rotation, in the 16 line directions:
// whether they form a near rectangle or a near trapezoid.

#include "decoder/legacy/engine/legacy_pattern_geometry.h"

// Opposite sides must differ in length (maximum norm) by less than half the
// longer one. The score sums the squares of the deviations of opposite sides
// from parallel and of neighbouring sides from square, in direction steps;
// the tetragon passes when it is below 17 (severely) or 25 (broad).
int IsNearRotatedRectangleSeverely(tagTetragon_t const* t);
int IsNearRotatedRectangle(tagTetragon_t const* t);
int IsNearRotatedRectangleBroad(tagTetragon_t const* t);
// 1 with *d the direction of side 0 when sides 0 and 2 are parallel within
// one direction step, else 1 with *d that of side 1 when sides 1 and 3 are,
// else 0.
int IsNearRotetedTrapezoid(tagTetragon_t const* t, tagDirection_t* d);
