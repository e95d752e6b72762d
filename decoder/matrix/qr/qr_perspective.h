#pragma once

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

#include "decoder/matrix/qr/qr_sampler.h"

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
    // Maps (x0, y), (x0 + 1, y), ... (count points): the map's numerators
    // and denominator step by a constant along a row.
    void MapRow(float x0, float y, unsigned count, QRPoint* out) const;
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

inline void QRPerspective::MapRow(float x0, float y, unsigned count, QRPoint* out) const
{
    double x = h_[0] * x0 + h_[1] * y + h_[2];
    double yy = h_[3] * x0 + h_[4] * y + h_[5];
    double w = h_[6] * x0 + h_[7] * y + h_[8];
    for (unsigned i = 0; i < count; ++i) {
#if defined(__SSE2__)
        // Both quotients in one division, rounded to single precision as the
        // plain casts round them.
        if (w > -1e-12 && w < 1e-12) {
            out[i] = QRPoint{-1.0f, -1.0f};
        } else {
            alignas(16) float q[4];
            _mm_store_ps(q, _mm_cvtpd_ps(_mm_div_pd(_mm_set_pd(yy, x), _mm_set1_pd(w))));
            out[i] = QRPoint{q[0], q[1]};
        }
#else
        out[i] = w > -1e-12 && w < 1e-12 ? QRPoint{-1.0f, -1.0f}
                                         : QRPoint{static_cast<float>(x / w), static_cast<float>(yy / w)};
#endif
        x += h_[0];
        yy += h_[3];
        w += h_[6];
    }
}

}  // namespace DEC2DIvra
