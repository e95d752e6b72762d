#pragma once

#include "decoder/core/geometry/line_segment.h"
#include "decoder/core/geometry/region.h"
#include "decoder/core/gray_image.h"

namespace DEC2DIvra {

// The bars' own direction at a DataBar finder one line crossed. The rows of
// a stacked symbol are five modules high, and a band laid a few degrees off
// its bars (as the searcher may lay it over a low, stacked symbol) leaves
// the row before its far character ends. Lines beside the crossing, parallel
// to it a module or more to either side, see the finder's edges shifted by
// the skew; the shifts, fitted over the offsets, turn the line onto the
// normal of the bars.
class RSSFinderDirection {
public:
    // Modules of a finder.
    static constexpr int kFinderModules = 15;
    // Modules beyond the finder's ends that the region reaches: the widest
    // character (17) and room for a guard and a few modules of error.
    static constexpr int kReachModules = 22;
    // Modules either side of the crossing that the region covers across
    // the bars: more than a five-module row wherever the line crossed it.
    static constexpr int kHalfHeightModules = 3;

    // The bilinear grey at (x, y), pixel (i, j) centred at (i, j), with the
    // pixels clamped to the image.
    static double SampleBilinear(GrayImage const& image, double x, double y);

    // How alike two profiles of `count` samples are: their correlation
    // coefficient, 0 where either is flat.
    static double Correlation(double const* a, double const* b, int count);

    // The unit reading direction (from the finder's begin toward its end)
    // across the bars; false when too few lines beside it show the finder.
    // `modules` is the finder's width in modules.
    static bool Calc(GrayImage const& image, LineSegment const& finder, double& ux, double& uy,
                     int modules = kFinderModules);

    // A region along the bars' normal through the middle of the crossing,
    // reaching a character and a guard beyond either end of the finder; its
    // lines lie close enough to read a five-module row through. False when
    // the direction cannot be measured.
    // `acrossModules` moves it along the bars, to another row.
    // `modules` is the finder's width and `reach` the modules beyond its ends.
    static bool CalcRegion(GrayImage const& image, LineSegment const& finder, double acrossModules, Region& region,
                           int modules = kFinderModules, int reach = kReachModules);
};

}  // namespace DEC2DIvra
