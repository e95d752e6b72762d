#pragma once

#include "decoder/core/geometry/vector.h"

namespace DEC2DIvra {

// Directions as whole steps of a turn, counted from +x toward -y
// (counter-clockwise on the screen, where y grows downward).
class CommonAngle {
public:
    static constexpr unsigned kMaxBits = 9;

    // The direction of (dx, dy) as a value with 2^bits steps to a turn,
    // rounded to the nearest step (a direction halfway between two steps takes
    // the higher one; the turn wraps to 0). False for the zero vector or bits
    // outside 1 .. 9. Exact: the comparison is made against the sine table, so
    // the result does not depend on floating point.
    static bool CalcAngleValue(int dx, int dy, unsigned bits, unsigned& value);

    // The unit step of one of the eight principal directions nearest to a
    // value of `bits` bits: for 3 bits the values 0 to 8 give (1, 0), (1, -1),
    // (0, -1), (-1, -1), (-1, 0), (-1, 1), (0, 1), (1, 1), (1, 0).
    static bool CalcAngleVector(unsigned value, unsigned bits, Vector& step);
};

}  // namespace DEC2DIvra
