#include "decoder/legacy/maxicode/maxi_projective_fit.h"

#include <cmath>

#include "decoder/legacy/engine/legacy_linear_system.h"

bool FitMaxiProjective(MaxiAnchorPair const* pairs, int count, double p[8])
{
    // Both sides centred and scaled for conditioning; undone below.
    double total = 0;
    double mu = 0;
    double mv = 0;
    double mx = 0;
    double my = 0;
    int used = 0;
    for (int i = 0; i < count; ++i) {
        double const w = pairs[i].weight;
        if (w > 0 && std::isfinite(pairs[i].x) && std::isfinite(pairs[i].y)) {
            total += w;
            mu += w * pairs[i].u;
            mv += w * pairs[i].v;
            mx += w * pairs[i].x;
            my += w * pairs[i].y;
            ++used;
        }
    }
    if (used < 5 || !(total > 0)) {
        return false;
    }
    mu /= total;
    mv /= total;
    mx /= total;
    my /= total;
    double su = 0;
    double sx = 0;
    for (int i = 0; i < count; ++i) {
        double const w = pairs[i].weight;
        if (w > 0 && std::isfinite(pairs[i].x) && std::isfinite(pairs[i].y)) {
            su += w * (std::fabs(pairs[i].u - mu) + std::fabs(pairs[i].v - mv));
            sx += w * (std::fabs(pairs[i].x - mx) + std::fabs(pairs[i].y - my));
        }
    }
    su /= total;
    sx /= total;
    if (su < 1e-6 || sx < 1e-6) {
        return false;
    }
    // X = (g0 U + g1 V + g2) / (g6 U + g7 V + 1), Y likewise with g3..g5, in
    // the centred and scaled units.
    double a[8][9] = {};
    for (int i = 0; i < count; ++i) {
        double const w = pairs[i].weight;
        if (!(w > 0) || !std::isfinite(pairs[i].x) || !std::isfinite(pairs[i].y)) {
            continue;
        }
        double const u = (pairs[i].u - mu) / su;
        double const v = (pairs[i].v - mv) / su;
        double const x = (pairs[i].x - mx) / sx;
        double const y = (pairs[i].y - my) / sx;
        double const rows[2][9] = {{u, v, 1, 0, 0, 0, -x * u, -x * v, x}, {0, 0, 0, u, v, 1, -y * u, -y * v, y}};
        for (auto const& row : rows) {
            for (int r = 0; r < 8; ++r) {
                for (int k = 0; k < 9; ++k) {
                    a[r][k] += w * row[r] * row[k];
                }
            }
        }
    }
    double g[8];
    if (!SolveLinearSystem(a, 8, g)) {
        return false;
    }
    // Back to symbol units and pixels: with U = (u - mu) / su and
    // x = mx + sx X, the map is (h0 u + h1 v + h2) / (h6 u + h7 v + h8).
    double const h6 = g[6] / su;
    double const h7 = g[7] / su;
    double const h8 = 1 - g[6] * mu / su - g[7] * mv / su;
    double const hx0 = sx * g[0] / su + mx * h6;
    double const hx1 = sx * g[1] / su + mx * h7;
    double const hx2 = sx * (g[2] - g[0] * mu / su - g[1] * mv / su) + mx * h8;
    double const hy0 = sx * g[3] / su + my * h6;
    double const hy1 = sx * g[4] / su + my * h7;
    double const hy2 = sx * (g[5] - g[3] * mu / su - g[4] * mv / su) + my * h8;
    if (std::fabs(h8) < 1e-9) {
        return false;  // the symbol origin maps to infinity
    }
    // Normalised to w = 1 at the origin, then written about its image.
    double const c = hx2 / h8;
    double const f = hy2 / h8;
    double const gu = h6 / h8;
    double const gv = h7 / h8;
    double const q[8] = {hx0 / h8 - c * gu, hx1 / h8 - c * gv, c, hy0 / h8 - f * gu, hy1 / h8 - f * gv, f, gu, gv};
    for (double const value : q) {
        if (!std::isfinite(value)) {
            return false;
        }
    }
    for (int k = 0; k < 8; ++k) {
        p[k] = q[k];
    }
    return true;
}
