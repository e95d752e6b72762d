#pragma once

#include "decoder/legacy/maxicode/maxi_bit_map.h"

// The codeword stage of the MaxiCode reader: module values to 144 corrected
// six-bit codewords. All records are static: the engine is not reentrant.

// GF(64) tables (primitive polynomial x^6 + x + 1).
extern int gfpwr_MX[64];
extern int gflog_MX[64];
void InitTables_mx();

// Powers of two, the bit masks of the codeword bits.
extern unsigned int const Binary8[8];

// Reed-Solomon work area: block b at entry 250 b.
constexpr int kMaxiBlockStride = 250;
extern unsigned short MX_RSdata[4 * kMaxiBlockStride];
// Running sum of the corrector's results for the current symbol.
extern int Err_n;
int CorrectErrs_mx(int block, int n, int k);

// Codewords 1..144 (index 0 unused).
struct MaxiCodewords {
    unsigned char value[kMaxiCodewords + 1];
};

// Reads the codewords from module values (row-major 33 x 30, nonzero dark).
void ReadMaxiCodewords(unsigned char const* modules, MaxiCodewords& out);

// Corrects the primary message and, for modes 2 to 6, the two interleaved
// halves of the secondary message; for mode 0 its four blocks (the data then
// moved to codewords 21..104). Answers the mode, or -1 when a block cannot be
// corrected or the mode is not one of 0, 2..6.
int CorrectMaxiCodewords(MaxiCodewords& codewords);
