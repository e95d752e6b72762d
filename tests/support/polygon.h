#pragma once
// Convex polygons with exact clipping and area: the basis of area-accurate
// anti-aliasing (a pixel's grey is the share of its square a shape covers).

#include "tests/support/frame.h"

#include <array>

namespace support {

struct Polygon {
    // A quadrilateral clipped by a 32-gon stays below this; extra points are
    // refused rather than written past the end.
    static constexpr int kCapacity = 48;
    std::array<Point, kCapacity> points{};
    int count = 0;

    bool add(Point p)
    {
        if (count >= kCapacity)
            return false;
        points[static_cast<size_t>(count++)] = p;
        return true;
    }
};

// Absolute area (either winding).
double area(Polygon const& polygon);

Polygon clipToBox(Polygon const& subject, double x0, double y0, double x1, double y1);

// `clip` must be convex; either winding.
Polygon clipToConvex(Polygon const& subject, Polygon const& clip);

// Whether every point of `subject` lies in the convex `clip` (either winding),
// edges included: then clipping `subject` by `clip` changes nothing.
bool containsAll(Polygon const& clip, Polygon const& subject);

// Whether every point of `subject` lies strictly outside one edge of the
// convex `clip`: then the clip leaves nothing.
bool excludesAll(Polygon const& clip, Polygon const& subject);

// A regular polygon of the same area as the circle of `radius`.
Polygon circlePolygon(Point centre, double radius, int sides = 32);

// Draws a filled convex polygon (frame coordinates) at `level`, each pixel
// mixed by the exact share of its square the polygon covers.
void fillPolygon(Frame& frame, Polygon const& polygon, int level);

} // namespace support
