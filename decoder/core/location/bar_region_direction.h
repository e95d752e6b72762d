#pragma once

#include "decoder/core/location/bar_region_axis.h"
#include "decoder/core/location/bar_region_profile.h"
#include "decoder/core/gray_image.h"
#include "decoder/core/geometry/rectangle.h"

namespace DEC2DIvra {

// Corrects the direction of an axis across bars. The summed gradient
// products lean toward the nearest image axis when the edges are sharp (by
// up to 3.5 degrees for a one-pixel transition), too much for a long scan
// line to stay inside a low symbol. Two lines parallel to the axis, far
// apart across it, see the same edges shifted by the remaining error: the
// shift that best matches their level changes (with a parabola through the
// best three for the fraction) turns the axis onto the bars' true normal.
class CalcBarDirectionSubroutine {
public:
    // The tangent of the largest error corrected, in 1/256.
    static constexpr int kMaxTangent = 28;  // about 6 degrees
    static constexpr int kMinimumDistance = 8;
    // Below this likeness (see FindShift) the two lines may cross different
    // symbols; a half of the band that reaches kHalfLikeness gives the
    // direction, one kHalfOverFar times as alike as the far lines or the
    // other half says they do cross different symbols.
    static constexpr double kMinLikeness = 0.3;
    static constexpr double kHalfLikeness = 0.5;
    static constexpr double kHalfOverFar = 2.0;

    // Lines at t0 and t1 (t1 - t0 at least kMinimumDistance pixels) over
    // s = begin .. end. False, with the axis unchanged, when the lines cannot
    // be sampled or show nothing to match. `fit`, when given, is set to the
    // likeness of the lines that gave the direction, or of the far lines
    // when none did (below kMinLikeness: the lines across the band do not
    // see the same edges at its axis); 0 when nothing matched, -1 when the
    // lines lie too close or cannot be sampled.
    bool Start(GrayImage const& image, Rectangle const& area, int begin, int end, int t0, int t1,
               BarRegionProfile& first, BarRegionProfile& second, BarRegionAxis& axis,
               double* fit = nullptr) const;
};

}  // namespace DEC2DIvra
