#pragma once

#include "decoder/legacy/maxicode/maxi_bit_map.h"

// Band sampling of the MaxiCode module grid: module centres interpolated
// between reference lines of module centres (even rows 0, 4, 10, 16, 22, 28
// and 32), grey values read at 16.16 pixel positions of the engine's frame
// (pixel (i, j) at integer coordinates), and each band cut into dark and
// light six columns at a time.

struct MaxiPoint16 {
    int x;  // 16.16 pixels
    int y;
};

inline constexpr int kMaxiLines = 37;
// The farthest a grid point (16.16) is placed from the frame's origin: 4096
// pixels, so that differences and sums of two points fit in 32 bits.
inline constexpr int kMaxiReach = 1 << 28;

// Module (row r, column c) at record 37 r + c; rows 0..32, columns 0..29.
extern MaxiPoint16 Modl[kMaxiLines * kMaxiLines];
// Reference lines; record k + 1 of a line belongs to module column k.
// Lines 12, 10, 0, 8, 3, 11 and 13 run through module rows 0, 4, 10, 16, 22,
// 28 and 32.
extern MaxiPoint16 tMod[kMaxiLines][kMaxiLines];
// 33 rows of 30: '1' dark, '0' light (grey values while a band is sampled).
extern unsigned short MX_bits[kMaxiRows * kMaxiColumns];
// The global threshold (mid-range of the bull's-eye cross) and whether the
// bands are cut at it (1) or at their own running mid-range (0).
extern int THRESHOLD2;
extern int TH_SELECT;

// The grey at the clamped pixel, and interpolated between the four pixels
// about the 16.16 point.
int ImgValue0(int x, int y);
int ImgValueAve(int y, int x);

// Samples rows r0 .. r0 + n between reference lines a and b into Modl and
// MX_bits.
void ModuleSet(int a, int b, int n, int r0);

// The global threshold from the grey along the bull's-eye's cross: centre
// (cx, cy) and half-extents in pixels.
void SetMaxiThreshold(int cx, int cy, int top, int bottom, int left, int right);
// Samples every band once the reference lines are set (TH_SELECT chosen).
void SampleMaxiBands();
