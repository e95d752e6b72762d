#pragma once

#include "decoder/core/gray_image.h"
#include "decoder/legacy/maxicode/maxi_grid.h"

struct POINT_st;

// The MaxiCode finder check: is a scan line's candidate a bull's-eye? It
// measures the rings across the candidate and at right angles to it, on lines
// turned by 15 and 30 degrees, and traces the outer ring in 36 directions.

// The engine's current frame (its sampled image) as the reader sees it.
DEC2DIvra::GrayImage MaxiFrame();

// What an accepted check leaves for the reader.
struct MaxiFinderState {
    MaxiBullsEye eye;       // centre and half-extents to the outer ring edge, pixels
    float ringX;            // ring widths, pixels
    float ringY;
    float radii[36];        // outer ring radius every 10 degrees, -1 where not found
    int cornerX[4];         // estimated symbol corners, pixels
    int cornerY[4];
    int completeOutline;    // every direction but at most four traced
    int failed;             // the outline was not round (cleared by reset_max02)
};

extern MaxiFinderState finder_MX;

// 23 when the candidate is accepted (finder_MX filled), 129 otherwise. runs:
// `count` run lengths in 1/32 pixel centred on the middle run; first and last:
// the outer ends of the first and last run on the scan line. Convention 1
// takes counts 3, 5, 7, 9, any other 5, 7, 9, 11.
int MX_check_finderH3(int* runs, int count, POINT_st* first, POINT_st* last, int colour, int selector,
                      int convention);

// Forgets the bull's-eyes tried in this image (a new image).
void ResetMaxiTried();
