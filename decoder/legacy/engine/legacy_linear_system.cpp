#include "decoder/legacy/engine/legacy_linear_system.h"

#include <cmath>

bool SolveLinearSystem(double (*m)[9], int n, double* solution)
{
    if (n < 1 || n > 8) {
        return false;
    }
    for (int col = 0; col < n; ++col) {
        int pivot = col;
        for (int r = col + 1; r < n; ++r) {
            pivot = std::fabs(m[r][col]) > std::fabs(m[pivot][col]) ? r : pivot;
        }
        if (std::fabs(m[pivot][col]) < 1e-12) {
            return false;
        }
        for (int k = 0; k <= n; ++k) {
            double const t = m[col][k];
            m[col][k] = m[pivot][k];
            m[pivot][k] = t;
        }
        for (int r = 0; r < n; ++r) {
            if (r != col) {
                double const f = m[r][col] / m[col][col];
                for (int k = col; k <= n; ++k) {
                    m[r][k] -= f * m[col][k];
                }
            }
        }
    }
    for (int i = 0; i < n; ++i) {
        solution[i] = m[i][n] / m[i][i];
    }
    return true;
}
