#pragma once

#include "decoder/legacy/han_xin/han_xin_finder.h"
#include "decoder/legacy/han_xin/han_xin_function_info.h"
#include "decoder/legacy/han_xin/han_xin_image.h"

// The module grid of a Han Xin symbol in the frame. The numbered finder
// patterns fix where modules lie: their blocks' centres sit at known module
// positions, so three give an affine map and four a perspective one. The
// version, read from the function information, fixes the symbol's size.

struct HanXinLattice;

// A map from module coordinates (column, row; a module spans one unit) to
// frame pixels: a perspective fitted to the finders and, once searched, the
// shifts of the alignment lattice on top of it.
struct HanXinMapping {
    double h[9];
    HanXinLattice const* lattice = nullptr;
    bool Map(double column, double row, double* x, double* y) const;
};

// How far from where the mapping puts it the finder of the corner puts
// module point (column, row): with one or two finders each places its own
// corner; 0 otherwise.
void HanXinAnchorShift(int corner, int size, HanXinMapping const& mapping, double column, double row, double* dx,
                       double* dy);

// The module grid as sampled: one cell a module, 0 light, 1 dark, rows of
// stride kHanXinMaxSize.
extern unsigned short CHINA_module_grid[];

// Reads the function information through the finders CHINA_finder[0..3]
// (corner index = position, invalid records for the missing ones): 0 with
// info, the mapping for that size and *corrections, or -1.
int get_CHINA_function_info(HanXinImage const& image, int* corrections, CHINA_FUNCTION_INFO_st* info,
                            HanXinMapping* mapping);

// Samples every module of the symbol into CHINA_module_grid, sharpened
// against its neighbours when asked (for blur): 0, or -1 when the mapping
// fails. A module whose centre lies outside the frame reads grey 0.
int SampleHanXinGrid(HanXinImage const& image, CHINA_FUNCTION_INFO_st const& info, HanXinMapping const& mapping,
                     bool sharpen);
