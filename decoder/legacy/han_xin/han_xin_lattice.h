#pragma once

#include "decoder/legacy/han_xin/han_xin_function_info.h"
#include "decoder/legacy/han_xin/han_xin_image.h"

struct HanXinMapping;

// The alignment lattice of a Han Xin symbol as found in the frame. A mapping
// fitted to the finder patterns drifts over a large symbol (perspective
// measured at the finders, a curved label); the alignment lines cross at
// every lattice point, so each point is searched in the frame and the
// modules between them follow their cell's corners.

constexpr int kHanXinMaxLatticeLines = 12;  // m + 2 of the largest versions

struct HanXinLattice {
    int lines;                                // a side; 0: no lattice
    int row[kHanXinMaxLatticeLines];          // module row of each lattice row, top down
    int column[kHanXinMaxLatticeLines];       // module column of each lattice column, left to right
    // Shift (pixels) of each lattice point from where the mapping alone puts
    // it, [row][column].
    double dx[kHanXinMaxLatticeLines][kHanXinMaxLatticeLines];
    double dy[kHanXinMaxLatticeLines][kHanXinMaxLatticeLines];
    unsigned char found[kHanXinMaxLatticeLines][kHanXinMaxLatticeLines];
};

// Searches every lattice point of the symbol near where the mapping (and
// the points found before it, nearest the finders first) puts it, and
// completes the points not found from their neighbours. The number of
// points found, or -1 for a symbol without alignment lines.
int get_CHINA_alignment_pattern(HanXinImage const& image, CHINA_FUNCTION_INFO_st const& info,
                                HanXinMapping const& mapping, HanXinLattice* lattice);

// The shift at module point (column, row), from the lattice points of its
// cell.
void HanXinLatticeShift(HanXinLattice const& lattice, double column, double row, double* dx, double* dy);

// Keeps which points of the lattice were found in the frame (the search
// keeps its own).
void HanXinKeepLatticeStatus(HanXinLattice const& lattice);
// 0 when point (x = column, y = row) of the lattice kept was found in the
// frame, else -1.
int CHINA_get_lattice_status(int x, int y);
// The two usable lattice points nearest index a along row b (kind 0: out
// holds columns) or column b (kind 1: rows), searched outward alternately
// (+1, -1, +2, -2 ..., the side dir first) over n lines: 0, or -1 when fewer
// than two exist.
int QR_get_2nn_index(int kind, int dir, int* out, int a, int b, int n);
