#pragma once

#include "decoder/core/geometry/point.h"

namespace DEC2DIvra {

// One QR finder pattern in 1/256 pixel: the centres of its four corner
// modules (top-left, top-right, bottom-right, bottom-left, at modules (0,0),
// (6,0), (6,6), (0,6) of the finder), the midpoints of its four sides
// (top, right, bottom, left) and its size (the mean side from corner centre
// to corner centre, six modules).
struct QRFinderRegion {
    Point corner[4];
    Point middle[4];
    unsigned size = 0;

    // Sides and directions are counted as the corners: 0 the top side (up),
    // 1 the right side, 2 the bottom side, 3 the left side.
    void CalcMiddlePoints();
    // The centre of the finder, the mean of its four corner centres.
    Point CalcCenterPoint() const;

    // The finder that a symbol of the version shows beyond the given side
    // of this one: its corner centres lie at modules S - 7 and S - 1 on the
    // lines through this finder's corner centres; the size is copied.
    // 0 when the points do not fit.
    static int CalcNextFinder(QRFinderRegion const& from, unsigned version, unsigned direction,
                              QRFinderRegion& out);
};

}  // namespace DEC2DIvra
