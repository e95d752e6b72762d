#pragma once

#include "decoder/legacy/han_xin_finder.h"
#include "decoder/legacy/han_xin_function_info.h"
#include "decoder/legacy/han_xin_image.h"

// The module grid of a Han Xin symbol in the frame. The numbered finder
// patterns fix where modules lie: their blocks' centres sit at known module
// positions, so three give an affine map and four a perspective one. The
// version, read from the function information, fixes the symbol's size.

// A map from module coordinates (column, row; a module spans one unit) to
// frame pixels.
struct HanXinMapping {
    double h[9];
    bool Map(double column, double row, double* x, double* y) const;
};

// The module grid as sampled: one cell a module, 0 light, 1 dark, rows of
// stride kHanXinMaxSize.
extern unsigned short CHINA_module_grid[];

// Reads the function information through the finders CHINA_finder[0..3]
// (corner index = position, invalid records for the missing ones): 0 with
// info, the mapping for that size and *corrections, or -1.
int get_CHINA_function_info(HanXinImage const& image, int* corrections, CHINA_FUNCTION_INFO_st* info,
                            HanXinMapping* mapping);

// Samples every module of the symbol into CHINA_module_grid, sharpened
// against its neighbours when asked (for blur): 0, or -1 when the symbol does
// not lie in the frame.
int SampleHanXinGrid(HanXinImage const& image, CHINA_FUNCTION_INFO_st const& info, HanXinMapping const& mapping,
                     bool sharpen);
