#pragma once

#include "decoder/core/gray_image.h"
#include "decoder/core/geometry/point.h"
#include "decoder/core/geometry/vector.h"

namespace DEC2DIvra {

// A refined dot centre (1/256 pixel) and the contrast it stands out with.
struct DotCenter {
    int x = 0;
    int y = 0;
    int contrast = 0;
};

// The four step vectors of a dot grid: u, w, -u, -w (1/256 pixel), one dot
// pitch along each axis. The positions one step beside a dot are ground.
struct DotStepVectors {
    Vector v[4];

    void Set(Vector const& u, Vector const& w)
    {
        v[0] = u;
        v[1] = w;
        v[2] = Vector{-u.dx, -u.dy};
        v[3] = Vector{-w.dx, -w.dy};
    }
};

// Moves a dot centre to the middle of its edges along the grid axes: with all
// four vectors it alternates four times between the axes, with two (u and w
// only, `passes` 1) once. False when the start lies off the image or no edge
// is met on either side of an axis and the ink around the start does not
// place the dot either (the centroid of its ink within half a pitch).
class CalcDotCenterSubroutine {
public:
    bool Start(GrayImage const& image, DotStepVectors const& steps, bool dark, unsigned passes,
               Point& centre) const;

private:
    bool StartOnEdges(GrayImage const& image, DotStepVectors const& steps, bool dark, unsigned passes,
                      Point& centre) const;
};

// The mean grey difference toward the ground between a dot centre and the
// four ground positions one step beside it that lie on the image; false when
// the centre is not a pixel inside the image or no neighbour is.
bool CalcMeanDotContrast(GrayImage const& image, DotStepVectors const& steps, bool dark, Point const& centre,
                     int& contrast);

}  // namespace DEC2DIvra
