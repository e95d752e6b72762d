#pragma once

// Sharpening of a plain (not interleaved) line of 10-bit grey samples.

// out[i] = 3 in[i] - in[i - 1] - in[i + 1] clamped to 0 .. 1023 for the inner
// samples; both end samples copied. Nothing for n < 1.
void GrayToLap(unsigned short const* in, unsigned short* out, int n);
// GrayToLap, or a plain copy when flag is 0.
void calc_line_laplacian(unsigned short* out, unsigned short const* in, int n, int flag);
