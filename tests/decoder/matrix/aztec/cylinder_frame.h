#pragma once
// A flat frame bent around an upright cylinder, for the Aztec reads of
// curved symbols (tests and read-rate bench alike).

#include <cmath>
#include <cstdint>

#include "tests/support/frame.h"

namespace aztec_test {

// The frame wrapped around an upright cylinder of the given radius (pixels)
// through the frame centre, seen square on: a point at arc length s from the
// centre line appears at radius * sin(s / radius).
inline support::Frame OnCylinder(support::Frame const& flat, double radius)
{
    support::Frame bent = flat;
    double const cx = flat.width / 2.0;
    for (int y = 0; y < flat.height; ++y) {
        for (int x = 0; x < flat.width; ++x) {
            double const d = (x + 0.5 - cx) / radius;
            if (d <= -1 || d >= 1) {
                continue;
            }
            double const s = cx + radius * std::asin(d) - 0.5;
            int const x0 = static_cast<int>(std::floor(s));
            double const a = s - x0;
            if (x0 < 0 || x0 + 1 >= flat.width) {
                continue;
            }
            bent.at(x, y) = static_cast<std::uint16_t>(flat.at(x0, y) * (1 - a) + flat.at(x0 + 1, y) * a + 0.5);
        }
    }
    return bent;
}

}  // namespace aztec_test
