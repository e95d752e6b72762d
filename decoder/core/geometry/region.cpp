#include "decoder/core/geometry/region.h"

#include "decoder/core/geometry/geometry.h"

namespace DEC2DIvra {

Vector Region::CalcDoubledReadingVector() const
{
    long long dx = static_cast<long long>(corner[1].x) + corner[2].x - corner[0].x - corner[3].x;
    long long dy = static_cast<long long>(corner[1].y) + corner[2].y - corner[0].y - corner[3].y;
    while (dx > 2147483647LL || dx < -2147483647LL || dy > 2147483647LL || dy < -2147483647LL) {
        dx /= 2;
        dy /= 2;
    }
    return Vector{static_cast<int>(dx), static_cast<int>(dy)};
}

Point Region::CalcCenterPoint() const
{
    long long sx = 0;
    long long sy = 0;
    for (Point const& p : corner) {
        sx += p.x;
        sy += p.y;
    }
    Point centre;
    long long x = 0;
    long long y = 0;
    Geometry::RoundDivide(sx, 4, x);
    Geometry::RoundDivide(sy, 4, y);
    centre.x = static_cast<int>(x);
    centre.y = static_cast<int>(y);
    return centre;
}

}  // namespace DEC2DIvra
