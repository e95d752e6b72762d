#include "decoder/matrix/qr/qr_perspective.h"

namespace DEC2DIvra {

bool QRPerspective::Solve(double (*a)[9], double* solution)
{
    // Elimination with partial pivoting on the 8 x 9 augmented matrix.
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
        if (p > -1e-12 && p < 1e-12) {
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
        solution[i] = a[i][8] / a[i][i];
    }
    return true;
}

bool QRPerspective::Fit(QRPoint const* modules, QRPoint const* pixels)
{
    return Fit(modules, pixels, 4);
}

bool QRPerspective::Fit(QRPoint const* modules, QRPoint const* pixels, unsigned count)
{
    if (count < 4) {
        return false;
    }
    // Centred on both sides for conditioning; the shifts are put back below.
    double mx = 0.0;
    double my = 0.0;
    double px = 0.0;
    double py = 0.0;
    for (unsigned i = 0; i < count; ++i) {
        mx += modules[i].x;
        my += modules[i].y;
        px += pixels[i].x;
        py += pixels[i].y;
    }
    mx /= count;
    my /= count;
    px /= count;
    py /= count;
    double a[8][9] = {};
    for (unsigned i = 0; i < count; ++i) {
        double const x = modules[i].x - mx;
        double const y = modules[i].y - my;
        double const u = pixels[i].x - px;
        double const v = pixels[i].y - py;
        double const rows[2][9] = {{x, y, 1, 0, 0, 0, -u * x, -u * y, u}, {0, 0, 0, x, y, 1, -v * x, -v * y, v}};
        for (auto const& row : rows) {
            for (unsigned r = 0; r < 8; ++r) {
                for (unsigned k = 0; k < 9; ++k) {
                    a[r][k] += row[r] * row[k];
                }
            }
        }
    }
    double g[8];
    if (!Solve(a, g)) {
        return false;
    }
    // H = T(pixel centre) * G * T(-module centre).
    double const g8 = 1.0;
    double const c0 = g[0] + px * g[6];
    double const c1 = g[1] + px * g[7];
    double const c2 = g[2] + px * g8;
    double const c3 = g[3] + py * g[6];
    double const c4 = g[4] + py * g[7];
    double const c5 = g[5] + py * g8;
    double h[9] = {c0, c1, c2 - c0 * mx - c1 * my, c3, c4, c5 - c3 * mx - c4 * my,
                   g[6], g[7], g8 - g[6] * mx - g[7] * my};
    if (h[8] > -1e-12 && h[8] < 1e-12) {
        return false;
    }
    for (unsigned i = 0; i < 9; ++i) {
        h_[i] = h[i] / h[8];
    }
    return true;
}

}  // namespace DEC2DIvra
