#include "decoder/legacy/han_xin/han_xin_scale.h"

#include "decoder/legacy/engine/legacy_geometry.h"

#include <cstdlib>

namespace {

__extension__ typedef __int128 Wide;

constexpr int kMostIndex = 1024;
constexpr int kMostDistance = 1 << 20;

Wide Det3(Wide const m[3][3])
{
    return m[0][0] * (m[1][1] * m[2][2] - m[1][2] * m[2][1]) - m[0][1] * (m[1][0] * m[2][2] - m[1][2] * m[2][0]) +
           m[0][2] * (m[1][0] * m[2][1] - m[1][1] * m[2][0]);
}

Wide Rounded(Wide num, Wide den)
{
    if (den < 0) {
        num = -num;
        den = -den;
    }
    return num >= 0 ? (num + den / 2) / den : -((-num + den / 2) / den);
}

}  // namespace

int QR_calc_scale(int* scales, int const* knowns, int count, int flag)
{
    if (scales == nullptr || knowns == nullptr || count < 0 || count > kMostIndex) {
        return -1;
    }
    int xs[3];
    int ys[3];
    for (int k = 0; k < 3; ++k) {
        xs[k] = knowns[2 * k];
        ys[k] = knowns[2 * k + 1];
        if (xs[k] < 0 || xs[k] > kMostIndex || std::abs(ys[k]) > kMostDistance) {
            return -1;
        }
    }
    if (xs[0] == xs[1] || xs[1] == xs[2] || xs[0] == xs[2]) {
        return -1;
    }
    if (flag != 0) {
        constexpr int kShift = 10;
        int slope = 0;
        int offset = 0;
        if (Simple_Least_Sqr66(kShift, xs, ys, 3, &slope, &offset) != 0) {
            return -1;
        }
        for (int i = 0; i <= count; ++i) {
            scales[i] = static_cast<int>(Rounded(static_cast<Wide>(slope) * i + offset, Wide{1} << kShift));
        }
        return 0;
    }
    // d = (a i + b) / (c i + 1) through the three pairs: a i + b - c i d = d,
    // solved by Cramer's rule, so d(i) = (Da i + Db) / (Dc i + D).
    Wide m[3][3];
    Wide rhs[3];
    for (int k = 0; k < 3; ++k) {
        m[k][0] = xs[k];
        m[k][1] = 1;
        m[k][2] = -static_cast<Wide>(xs[k]) * ys[k];
        rhs[k] = ys[k];
    }
    Wide const D = Det3(m);
    if (D == 0) {
        return -1;
    }
    Wide solved[3];
    for (int column = 0; column < 3; ++column) {
        Wide t[3][3];
        for (int r = 0; r < 3; ++r) {
            for (int c = 0; c < 3; ++c) {
                t[r][c] = c == column ? rhs[r] : m[r][c];
            }
        }
        solved[column] = Det3(t);
    }
    for (int i = 0; i <= count; ++i) {
        Wide const den = solved[2] * i + D;
        // The mapping must not pass through its pole within the range.
        if (den == 0 || (den < 0) != (D < 0)) {
            return -1;
        }
        Wide const value = Rounded(solved[0] * i + solved[1], den);
        if (value > kMostDistance * 4 || value < -kMostDistance * 4) {
            return -1;
        }
        scales[i] = static_cast<int>(value);
    }
    return 0;
}
