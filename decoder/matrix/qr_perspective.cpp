#include "decoder/matrix/qr_perspective.h"

namespace DEC2DIvra {

bool QRPerspective::Fit(QRPoint const* modules, QRPoint const* pixels)
{
    // Eight equations in h0..h7 (h8 = 1), solved by elimination with pivoting.
    double a[8][9];
    for (unsigned i = 0; i < 4; ++i) {
        double const x = modules[i].x;
        double const y = modules[i].y;
        double const u = pixels[i].x;
        double const v = pixels[i].y;
        double const rowU[9] = {x, y, 1, 0, 0, 0, -u * x, -u * y, u};
        double const rowV[9] = {0, 0, 0, x, y, 1, -v * x, -v * y, v};
        for (unsigned k = 0; k < 9; ++k) {
            a[2 * i][k] = rowU[k];
            a[2 * i + 1][k] = rowV[k];
        }
    }
    for (unsigned c = 0; c < 8; ++c) {
        unsigned pivot = c;
        for (unsigned r = c + 1; r < 8; ++r) {
            double const candidate = a[r][c] < 0 ? -a[r][c] : a[r][c];
            double const best = a[pivot][c] < 0 ? -a[pivot][c] : a[pivot][c];
            if (candidate > best) {
                pivot = r;
            }
        }
        double const p = a[pivot][c];
        if (p > -1e-9 && p < 1e-9) {
            return false;
        }
        if (pivot != c) {
            for (unsigned k = 0; k < 9; ++k) {
                double const t = a[c][k];
                a[c][k] = a[pivot][k];
                a[pivot][k] = t;
            }
        }
        for (unsigned r = 0; r < 8; ++r) {
            if (r == c) {
                continue;
            }
            double const f = a[r][c] / p;
            for (unsigned k = c; k < 9; ++k) {
                a[r][k] -= f * a[c][k];
            }
        }
    }
    for (unsigned i = 0; i < 8; ++i) {
        h_[i] = a[i][8] / a[i][i];
    }
    h_[8] = 1.0;
    return true;
}

QRPoint QRPerspective::Map(float x, float y) const
{
    double const w = h_[6] * x + h_[7] * y + h_[8];
    if (w > -1e-12 && w < 1e-12) {
        return QRPoint{-1.0f, -1.0f};
    }
    return QRPoint{static_cast<float>((h_[0] * x + h_[1] * y + h_[2]) / w),
                   static_cast<float>((h_[3] * x + h_[4] * y + h_[5]) / w)};
}

}  // namespace DEC2DIvra
