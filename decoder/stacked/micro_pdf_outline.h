#pragma once

#include "decoder/core/gray_image.h"

namespace DEC2DIvra {

// The map of a symbol's unit square onto its four corners in the frame
// (top-left, top-right, bottom-right, bottom-left), as a camera sees a flat
// label: u runs along the rows, v down the columns.
class QuadMap {
public:
    // False when the corners make no map (three in a line, or coincident).
    bool Set(float const corners[8]);
    void At(float u, float v, float point[2]) const;
    // Pixels per unit of u at (u, v).
    float ScaleAlong(float u, float v) const;

private:
    float a_ = 0, b_ = 0, c_ = 0, d_ = 0, e_ = 0, f_ = 0, g_ = 0, h_ = 0;
};

// The outline of the ink within a rectangle of the frame (centre, unit
// direction, half extents): the largest quadrilateral with its corners on
// the convex hull of the dark pixels, those with a dark neighbour (light ones
// when `inverted`). A stacked symbol's side columns and its top and bottom
// rows are ink to its corners, so under any perspective that is its outline.
// `corners` in the order of QuadMap, when the frame is not mirrored, up to a
// turn, on the middles of the outermost ink pixels. False when the rectangle holds too little ink or contrast.
class MicroPdfOutline {
public:
    static constexpr unsigned kMaxRows = 1024;
    static constexpr int kLevelStep = 3;
    static bool Find(GrayImage const& image, float cx, float cy, float ux, float uy, float halfLength,
                     float halfHeight, bool inverted, float corners[8]);
    // The outline (as Find gives it) with each side moved out by `offset`
    // pixels (in when negative). Find's corners are the middles of ink
    // pixels; a pixel's worth either way shifts the rows of a small symbol.
    static void Offset(float const corners[8], float offset, float moved[8]);
};

}  // namespace DEC2DIvra
