#pragma once

#include "decoder/legacy/han_xin/han_xin_function_info.h"

// From a sampled module grid to the data codewords of a Han Xin symbol.

// Reads the data modules of grid (0 light, 1 dark, 2 function; rows of
// stride kHanXinMaxSize) row by row, removes the mask and undoes the 13-column
// interleave into sequence. Stops at the version's codeword count, so stray
// modules of an imperfect function map never overwrite a placed codeword.
// The count written, or -1 when the grid holds fewer codewords than the
// version or sequence is too small.
int ExtractHanXinCodewords(unsigned short const* grid, CHINA_FUNCTION_INFO_st const& info, unsigned char* sequence,
                           int capacity);

// Corrects the blocks of sequence (the version's codewords in block order)
// and packs their data codewords at its start. A block is taken with at most
// t - 1 corrected errors, keeping one error's margin against misreads. The
// data codeword count, or -1 at the first block that fails.
int CorrectHanXinBlocks(unsigned char* sequence, int version, int level);
