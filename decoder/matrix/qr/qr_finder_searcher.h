#pragma once

#include "decoder/core/geometry/point.h"
#include "decoder/core/gray_image.h"
#include "decoder/matrix/qr/qr_finder_region.h"

namespace DEC2DIvra {

// Looks for a QR finder pattern along a line segment: the 1:1:3:1:1 runs
// (QRFinderPartialScanData::IsFinderPattern), the dark core's centre
// (CalcCenterBlackPointSubroutine) and the outline of the finder around it.
class QRFinderSearcher {
public:
    static constexpr int kMaxSamples = 1024;

    // begin and end in whole pixels. 1 and the first finder met from begin
    // on, else 0. With the polarity flag set the finder is light on dark.
    // blindRays: as MeasureRegion takes it, for the finder's outline.
    int Start(GrayImage const& image, bool polarity, Point const& begin, Point const& end,
              QRFinderRegion& found, unsigned blindRays = 0) const;

    // The outline of the finder whose dark core holds the centre (1/256
    // pixel), for a module of about `module` pixels: its corner module
    // centres from the outer edge seen along rays around the centre, ordered
    // from the one up and left clockwise. 0 when no outline shows.
    // blindRays: how many of the 64 rays may miss the outer edge (in gaps
    // of at most three, each filled in from the rays either side).
    int MeasureRegion(GrayImage const& image, bool polarity, Point const& centre, float module,
                      QRFinderRegion& region, unsigned blindRays = 0) const;
};

}  // namespace DEC2DIvra
