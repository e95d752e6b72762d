#pragma once

// The Han Xin function information: version, error-correction level and mask,
// 34 bits held twice in the symbol (17 bits beside each finder pattern), seven
// 4-bit codewords corrected over GF(16) and a 6-bit value.

struct CHINA_FUNCTION_INFO_st {
    int version;  // 1-84
    int level;    // error correction level 0-3
    int mask;     // 0-3
    int spare;    // the 6 bits after the codewords
    int k;
    int r;
    int m;
    int size;
    int lines;  // m + 2 lattice lines a side
};

// The function information of the symbol being read.
extern CHINA_FUNCTION_INFO_st CHINA_function_info;

// Corrects the seven codewords (three data, four check) in place: the number
// of corrected codewords (0 or 1), or -1 when the word cannot be corrected,
// would need two or more corrections, or is all zero.
int CorrectErrs_CHINA(unsigned short* nibbles);

// Splits 34 bits (most significant first: the first finder's 17 bits, then
// the second's) into seven codewords and the 6-bit value.
void SplitHanXinFunctionBits(unsigned long long bits, unsigned short* nibbles, int* spare);

// Fills the record from the codewords: 0, or -1 for a version outside 1-84.
int ParseHanXinFunctionInfo(unsigned short const* nibbles, int spare, CHINA_FUNCTION_INFO_st* info);

// The version as the 17 modules beside corner 0 or 2 of a sampled grid read,
// uncorrected (a hint where the other half of the copy is out of reach), or
// -1.
int HanXinVersionBesideCorner(unsigned short const* grid, int size, int corner);

// Reads the function information of a sampled module grid (0 light, 1 dark,
// rows of stride kHanXinMaxSize, size x size), corrected: the halves beside
// corners (0, 1), (0, 3), (2, 1), (2, 3) in turn. 0 with the record filled
// and *corrections set, or -1.
int ReadHanXinFunctionInfoFromGrid(unsigned short const* grid, int size, CHINA_FUNCTION_INFO_st* info,
                                   int* corrections);

// When no pair corrects: the function information taken uncorrected from the
// grid of a symbol of the given size whose finders stand at the corners of
// `valid` (bit c for corner c). With one finder its half reads as it stands
// (*count 100, corner 0 or 2 only: the other halves hold no version). With
// two or more, of the halves beside corners 0 and 2 the one whose version
// lies nearest the size measured between the finders (in modules; 0 when
// unknown) is taken when within 9 per cent (*count 3 plus that per cent).
// 0, or -1.
int HanXinFunctionInfoUncorrected(unsigned short const* grid, int size, unsigned valid, int measured,
                                  CHINA_FUNCTION_INFO_st* info, int* count);
