#pragma once

#include <cmath>

namespace DEC2DIvra {

// Grey value between four pixels, weighted by distance. x and y are in pixel
// units with pixel (i, j) centred at (i, j); `at(i, j)` answers a pixel, and
// is asked for neighbours one past the edge, so it must clamp or guard.
template <typename Real, typename At>
Real Bilinear(At const& at, Real x, Real y)
{
    Real const fx = std::floor(x);
    Real const fy = std::floor(y);
    int const x0 = static_cast<int>(fx);
    int const y0 = static_cast<int>(fy);
    Real const ax = x - fx;
    Real const ay = y - fy;
    Real const top = at(x0, y0) * (1 - ax) + at(x0 + 1, y0) * ax;
    Real const bottom = at(x0, y0 + 1) * (1 - ax) + at(x0 + 1, y0 + 1) * ax;
    return top * (1 - ay) + bottom * ay;
}

}  // namespace DEC2DIvra
