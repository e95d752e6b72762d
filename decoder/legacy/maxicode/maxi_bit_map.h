#pragma once

// Where each of the 864 codeword bits of a MaxiCode symbol lies in its
// 33 x 30 module grid (odd rows carry 29 modules; their position 29 is empty).
constexpr int kMaxiRows = 33;
constexpr int kMaxiColumns = 30;
constexpr int kMaxiCodewords = 144;
constexpr int kMaxiBits = 6 * kMaxiCodewords;

extern const short maxbits[kMaxiRows][kMaxiColumns];

// Column and row of each bit number 1..864 (index 0 unused); filled by
// BuildMaxiBitInverse from maxbits.
extern int imaxbits_x[kMaxiBits + 1];
extern int imaxbits_y[kMaxiBits + 1];
void BuildMaxiBitInverse();
