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

}  // namespace DEC2DIvra
