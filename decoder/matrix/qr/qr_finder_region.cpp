#include "decoder/matrix/qr/qr_finder_region.h"

#include "decoder/core/geometry/geometry.h"

namespace DEC2DIvra {

void QRFinderRegion::CalcMiddlePoints()
{
    for (unsigned k = 0; k < 4; ++k) {
        Geometry::CalcCenterPoint(corner[k], corner[(k + 1) & 3], middle[k]);
    }
}

Point QRFinderRegion::CalcCenterPoint() const
{
    long long x = 0;
    long long y = 0;
    for (Point const& p : corner) {
        x += p.x;
        y += p.y;
    }
    return Point{static_cast<int>((x + 2) >> 2), static_cast<int>((y + 2) >> 2)};
}

int QRFinderRegion::CalcNextFinder(QRFinderRegion const& from, unsigned version, unsigned direction,
                                   QRFinderRegion& out)
{
    if (version < 1 || version > 40 || direction > 3) {
        return 0;
    }
    int const s = static_cast<int>(4 * version + 17);
    // The corners of the facing side, each on the line from the corner
    // behind it (module 0) through itself (module 6).
    unsigned const near1 = direction;
    unsigned const near2 = (direction + 1) & 3;
    unsigned const far1 = (direction + 3) & 3;
    unsigned const far2 = (direction + 2) & 3;
    QRFinderRegion next;
    bool ok = Geometry::CalcDividingPoint(6 - (s - 7), from.corner[far1], s - 7, from.corner[near1], next.corner[far1]);
    ok = ok && Geometry::CalcDividingPoint(6 - (s - 1), from.corner[far1], s - 1, from.corner[near1],
                                           next.corner[near1]);
    ok = ok && Geometry::CalcDividingPoint(6 - (s - 7), from.corner[far2], s - 7, from.corner[near2],
                                           next.corner[far2]);
    ok = ok && Geometry::CalcDividingPoint(6 - (s - 1), from.corner[far2], s - 1, from.corner[near2],
                                           next.corner[near2]);
    if (!ok) {
        return 0;
    }
    next.size = from.size;
    next.CalcMiddlePoints();
    out = next;
    return 1;
}

}  // namespace DEC2DIvra
