#pragma once

#include "decoder/matrix/qr_sampler.h"

namespace DEC2DIvra {

// The projective map from module coordinates of a symbol to pixels, fitted
// through four point pairs.
class QRPerspective {
public:
    // False when the points are degenerate (three in a line).
    bool Fit(QRPoint const* modules, QRPoint const* pixels);
    // The least-squares map through four or more pairs.
    bool Fit(QRPoint const* modules, QRPoint const* pixels, unsigned count);
    QRPoint Map(float x, float y) const;
    bool operator==(QRPerspective const& other) const = default;

private:
    static bool Solve(double (*a)[9], double* solution);

    double h_[9] = {1, 0, 0, 0, 1, 0, 0, 0, 1};
};

inline QRPoint QRPerspective::Map(float x, float y) const
{
    double const w = h_[6] * x + h_[7] * y + h_[8];
    if (w > -1e-12 && w < 1e-12) {
        return QRPoint{-1.0f, -1.0f};
    }
    return QRPoint{static_cast<float>((h_[0] * x + h_[1] * y + h_[2]) / w),
                   static_cast<float>((h_[3] * x + h_[4] * y + h_[5]) / w)};
}

}  // namespace DEC2DIvra
