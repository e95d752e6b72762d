#pragma once

#include "decoder/core/geometry/point.h"
#include "decoder/core/geometry/vector.h"

namespace DEC2DIvra {

// The four corners of a symbol in order around it. The reading direction runs
// from the midpoint of corners 0 and 3 to the midpoint of corners 1 and 2.
struct Region {
    Point corner[4];

    Point& operator[](unsigned i) { return corner[i & 3]; }
    Point const& operator[](unsigned i) const { return corner[i & 3]; }

    // Twice the reading vector, kept doubled so that no rounding enters (both
    // components halved together only if they would not fit an int).
    Vector CalcDoubledReadingVector() const;

    // The mean of the four corners, rounded to nearest (halves upward).
    Point CalcCenterPoint() const;

    friend bool operator==(Region const&, Region const&) = default;
};

}  // namespace DEC2DIvra
