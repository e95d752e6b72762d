#pragma once

#include "decoder/core/geometry/region.h"
#include "decoder/core/gray_image.h"

namespace DEC2DIvra {

// A cheap look at a sighted L before the outline is fitted: a Data Matrix
// symbol's solid legs have the quiet zone on their outer sides, ground of
// one colour for at least a module beyond each leg's edge. Chance corners of
// a blotchy ground (grass, gravel, leaves) or of heavy noise have more
// texture right beside them. Across each leg at several places the grey
// profile outward from the leg's middle is read: past the leg's edge it must
// stay on the ground's side of the threshold half way between the leg and
// the ground for about a leg width. Most places on both legs must show it.
// Grey values are the image's 10-bit ones; points in whole pixels, corner 3
// the L's corner and corners 0 and 2 its legs' far ends, as the locator
// gives them.
class DataMatrixQuietSides {
public:
    // Places looked at on each leg, of which kMinQuiet must show a quiet zone.
    static constexpr int kPlaces = 9;
    static constexpr int kMinQuiet = 6;
    // Below this the leg is too short to judge: taken as quiet.
    static constexpr int kMinLeg = 12;
    // A leg and its ground differ at least this much (10-bit grey).
    static constexpr int kMinContrast = 24;

    static bool Show(GrayImage const& image, Region const& lPattern);

private:
    // The share of places along the leg from `corner` to `end` whose outer
    // side (away from `other`) is quiet, out of kPlaces.
    static int QuietPlaces(GrayImage const& image, Point const& corner, Point const& end, Point const& other);
};

}  // namespace DEC2DIvra
