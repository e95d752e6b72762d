#include "decoder/legacy/engine/legacy_line_sharpening.h"

void GrayToLap(unsigned short const* in, unsigned short* out, int n)
{
    if (n < 1) {
        return;
    }
    out[0] = in[0];
    for (int i = 1; i < n - 1; ++i) {
        int const v = 3 * in[i] - in[i - 1] - in[i + 1];
        out[i] = static_cast<unsigned short>(v < 0 ? 0 : v > 1023 ? 1023 : v);
    }
    out[n - 1] = in[n - 1];
}

void calc_line_laplacian(unsigned short* out, unsigned short const* in, int n, int flag)
{
    if (flag != 0) {
        GrayToLap(in, out, n);
        return;
    }
    for (int i = 0; i < n; ++i) {
        out[i] = in[i];
    }
}
