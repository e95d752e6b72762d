#pragma once

#include "decoder/legacy/han_xin/han_xin_function_info.h"

// The function information as the finders' own lines give it: each numbered
// finder's modules are placed on lines laid across its pattern, and the
// 17 modules beside it are read from a 13 x 13 grid of samples about it.

// The 17 bits beside finder record CHINA_finder[corner] (most significant
// first): 0, or -1 when its pattern does not read on the lines across it.
int SampleChinaFinderString(int corner, unsigned* bits);

// Pairs a first finder (corner 0, then 2) with a second (corner 1, then 3)
// and takes the first pair whose 34 bits correct and parse: 0 with info and
// *corrections (0 or 1), or -1.
int ReadChinaFunctionInfoAtFinders(int* corrections, CHINA_FUNCTION_INFO_st* info);
