#pragma once

#include "decoder/core/gray_image.h"
#include "decoder/legacy/maxicode/maxi_bit_map.h"

// The MaxiCode module grid: from an accepted bull's-eye to the 33 x 30 module
// values. The grid is a mapping from symbol units (one module pitch, origin at
// the bull's-eye centre, y down) to the image, found from the rings' ellipse,
// turned until the orientation modules are dark, then refined for perspective
// by sharpening every module sample, or fitted locally through the rings and
// groups of modules ever farther out.

// What the finder check measured: centre and the four half-extents from the
// centre to the outer ring edge, in pixels.
struct MaxiBullsEye {
    float x;
    float y;
    float left;
    float right;
    float top;
    float bottom;
    bool inverted;  // light rings on dark
};

struct MaxiGrid {
    float x[kMaxiRows][kMaxiColumns];  // module centres, pixels
    float y[kMaxiRows][kMaxiColumns];
    unsigned char modules[kMaxiRows * kMaxiColumns];  // 1 dark
};

// Ways of reading the modules of one placed grid: in bands between reference
// rows at the bands' own and at the global threshold, then module by module
// at the local threshold, the global threshold, and the local threshold
// after sharpening (for blur).
constexpr int kMaxiSamplings = 5;
// Attempts read the grid in each way on the best turn, then on the runner-up
// turn, then placed anew with the lattice's height and width searched apart
// from the rings' (a printer whose dot rows squeeze the module rows; turned
// by 0 and by half a degree either way), then on the best turn placed twice
// more from a lattice turned half a degree either way, then on the best and
// the runner-up turn fitted locally (grown from the bull's-eye out, for
// strong perspective).
constexpr int kMaxiGridAttempts = 9 * kMaxiSamplings;

// Places the grid (attempt 0 places it anew; later attempts reuse that
// placement, or place it again from the same bull's-eye). 0 when `grid` holds
// module values, 1 when the rings or the orientation modules were not found,
// 2 when there is no runner-up turn to read.
int LocateMaxiGrid(DEC2DIvra::GrayImage const& image, MaxiBullsEye const& eye, int attempt, MaxiGrid& grid);

// Bilinear grey at (x, y) in pixels (pixel centres at +0.5), the nearest
// border sample outside the frame.
float MaxiGrey(DEC2DIvra::GrayImage const& image, float x, float y);

// Symbol units of module (row, column) relative to the bull's-eye centre.
void MaxiModuleOffset(int row, int column, float& u, float& v);
