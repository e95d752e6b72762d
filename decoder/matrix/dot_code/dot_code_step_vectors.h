#pragma once

#include "decoder/core/gray_image.h"
#include "decoder/core/geometry/point.h"
#include "decoder/matrix/dot_code/dot_code_dot_center.h"

namespace DEC2DIvra {

// Three dot centres with the right angle at the first.
struct RightTriangle {
    Point corner[3];
};

// A vector between two dots (half the way from one to the other when ground
// lies between them) and the contrast that supports it.
struct NearDotVector {
    Vector v;
    int contrast = 0;
};

// The step vectors of a dot grid from candidate dot centres (1/256 pixel).
// u is the more horizontal vector, turned so that its x is not negative, w
// the more vertical, turned so that its y is not negative. The search keeps
// its state from call to call while the candidates of one image grow, and
// starts afresh when asked from index 0.
class CalcStepVectorSubroutine {
public:
    static constexpr unsigned kMaxNear = 32;     // neighbours listed around a candidate
    static constexpr unsigned kMaxVectors = 64;  // detached vectors kept

    // The smallest right triangle of candidates whose legs are alike, read
    // as three diagonal neighbours or as two steps along the axes, or else
    // pairs of dots with ground between them. A probe across an axis may
    // push the dot it finds onto the candidates (while `capacity` allows).
    bool Start(GrayImage const& image, unsigned modeSize, bool dark, unsigned startIndex, Point* centres,
               unsigned& count, unsigned capacity, DotStepVectors& steps);

    // The other reading of the candidates: the six smallest triangles, each
    // in both readings, scored by how the candidates stand out with them.
    bool StartByScoredTriangles(GrayImage const& image, unsigned modeSize, bool dark, unsigned startIndex,
                                Point const* centres, unsigned count, DotStepVectors& steps) const;

    // Forms the vectors from a triangle in one of the two readings; false
    // for a zero vector.
    static bool FormStepVectors(RightTriangle const& triangle, bool legReading, DotStepVectors& steps);

    // Pairs with ground between them (a pitch along an axis is half such a
    // pair) straight from the candidates, an axis no pair runs along probed
    // across the other; every candidate must then stand out.
    static bool CalcStepVectorsFromCandidatePairs(GrayImage const& image, unsigned modeSize, bool dark,
                                                  Point const* centres, unsigned count, DotStepVectors& steps);

    // Looks for a dot 2k half-steps of `direction` (k = 1 .. 5) from a
    // candidate from index `first` on, standing out by more than `threshold`
    // from the ground k half-steps away; the vector is half the way to it,
    // both dots re-centred. The candidate is re-centred in place and the dot
    // found pushed while `capacity` allows.
    static bool CalcStepVectorFromContrast(GrayImage const& image, bool dark, Vector const& direction,
                                           Point* centres, unsigned& count, unsigned capacity, unsigned first,
                                           int threshold, Vector& found, int& contrast);

    // Whether the last vectors found came from a triangle rather than from
    // pairs of dots.
    bool IsFromTriangle() const { return fromTriangle_; }

private:
    void Reset();
    unsigned CalcIndexStack(Point const* centres, unsigned count, unsigned index, unsigned modeSize,
                            unsigned* near) const;
    void SearchSmallestTriangle(GrayImage const& image, unsigned modeSize, bool dark, Point const* centres,
                                unsigned index, unsigned const* near, unsigned n);
    void SearchNewSmallestTriangle(Point const* centres, unsigned index, unsigned second, unsigned const* near,
                                   unsigned n);
    void SearchRightTriangle(Point const& candidate, Point const& second, Point const& third);
    void PushVectorStack(GrayImage const& image, unsigned modeSize, bool dark, Point const& a, Point const& b);
    void ResetVectorStack();
    bool PushNearDotVector(Vector const& v, int contrast);
    bool CalcStepVectorsFromTriangle(GrayImage const& image, bool dark, DotStepVectors& steps) const;
    bool CalcRealTriangle(GrayImage const& image, bool dark, bool legReading, unsigned long long size,
                          DotStepVectors& steps) const;
    bool CalcStepVectorsFromDetachedVectors(GrayImage const& image, unsigned modeSize, bool dark,
                                            unsigned startIndex, Point* centres, unsigned& count, unsigned capacity,
                                            DotStepVectors& steps);
    bool CalcStepVectors(GrayImage const& image, int length, bool dark, unsigned startIndex, Point* centres,
                         unsigned& count, unsigned capacity, Vector& u, Vector& w);

    unsigned long long bestSize_ = ~0ull;
    long long bestCosine_ = 65536;  // of this search
    int bestContrast_ = 256;
    NearDotVector vectors_[kMaxVectors];
    unsigned vectorCount_ = 0;
    RightTriangle best_;
    bool hasTriangle_ = false;
    bool lowContrast_ = false;
    bool fromTriangle_ = false;
};

// Re-centres two dots along the vector between them and across it; false
// when either has no centre.
bool CorrectDetachedPoints(GrayImage const& image, bool dark, Point& a, Point& b);

// The vectors span a dot grid: alike in pitch and square to each other, as
// print at a slant keeps them.
bool IsLikeDotGrid(Vector const& u, Vector const& w);

}  // namespace DEC2DIvra
