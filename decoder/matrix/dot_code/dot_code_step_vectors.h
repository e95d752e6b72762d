#pragma once

#include "decoder/core/gray_image.h"
#include "decoder/core/geometry/point.h"
#include "decoder/matrix/dot_code/dot_code_dot_center.h"

namespace DEC2DIvra {

// Three dot centres with the right angle at the first.
struct RightTriangle {
    Point corner[3];
};

// The step vectors of a dot grid from candidate dot centres (1/256 pixel):
// the smallest right triangle of candidates whose legs are alike, read as
// three diagonal neighbours (the legs' difference runs along one axis, their
// sum along the other) or, when its legs are long for the dot size, as two
// steps along the axes. u is the more horizontal vector, turned so that its x
// is not negative, w the more vertical, turned so that its y is not negative.
class CalcStepVectorSubroutine {
public:
    bool Start(GrayImage const& image, unsigned modeSize, bool dark, unsigned startIndex, Point const* centres,
               unsigned count, DotStepVectors& steps) const;

    // Forms the vectors from a triangle in one of the two readings; false
    // for a zero vector.
    static bool CalcStepVectorsFromTriangle(RightTriangle const& triangle, bool legReading, DotStepVectors& steps);

    // Dots that never touch diagonally, or the dots of one row, form no
    // triangle of neighbours: the vectors then come from pairs of dots with
    // ground between them (a pitch along an axis is half such a pair), and
    // an axis no pair runs along is probed across the other for a dot that
    // stands out. Pairs of diagonal neighbours give the vectors of the grid
    // turned by an eighth and shortened; the caller tries both.
    static bool CalcStepVectorsFromDetachedVectors(GrayImage const& image, unsigned modeSize, bool dark,
                                                   Point const* centres, unsigned count, DotStepVectors& steps);

    // Looks for a dot 2k half-steps of `direction` (k = 1 .. 5) from a
    // candidate, standing out by more than `threshold` from the ground k
    // half-steps away; the vector is half the way to it, re-centred.
    static bool CalcStepVectorFromContrast(GrayImage const& image, bool dark, Vector const& direction,
                                           Point const* centres, unsigned count, int threshold, Vector& found,
                                           int& contrast);
};

// The vectors span a dot grid: alike in pitch and square to each other, as
// print at a slant keeps them.
bool IsLikeDotGrid(Vector const& u, Vector const& w);

}  // namespace DEC2DIvra
