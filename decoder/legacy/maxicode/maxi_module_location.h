#pragma once

#include "decoder/legacy/maxicode/maxi_cluster_search.h"

// The MaxiCode module grid grown from the orientation clusters about the
// bull's-eye, in the engine's integer arithmetic: the bull's-eye centre and
// ring outline by degree, the clusters found degree by degree against the
// rings, the reference lines grown out from them with centring and the bands
// sampled into MX_bits and Modl.

// Centre of the bull's-eye, 16.16.
extern MaxiPoint16 tCenter;
// Outer ring by degree: edge distances (16.16) from the centre, and the ring
// radius table (the outer dark ring's middle, 280.25 units a pixel, averaged
// over AVE_SPAN degrees; HALFPB set when the rings are oval and the window
// halved).
extern int RingEdge[360][6];
extern int Radii360[360];
extern int AVE_SPAN;
extern int HALFPB;
// Thresholds of the six 64-degree sectors about the bull's-eye.
extern int Mx_Th[18];

// Finds the grid about the bull's-eye at (cx, cy) with the given ring
// half-extents (pixels) and samples it; attempt 0..3 (odd: cut at the
// global threshold). 0 when MX_bits and Modl are filled, 1 when no
// orientation was found.
int ModuleLocation(int cx, int cy, int top, int bottom, int left, int right, int attempt);

// Forgets the bull's-eye searched last (a new image).
void ForgetModuleLocation();

// The centre (tCenter) and the ring radius table.
void CenterRadii(int cx, int cy, int top, int bottom, int left, int right);
// Along reference line `line`: the step from record `first` to record
// first + span over span, and the span + after records after `first` and
// the `before` records before it set as equally spaced points.
void Average(int line, int first, int before, int span, int after);
// The grey at the 16.16 point and whether the sector threshold of `degree`
// calls it dark.
int ImgValueTH(int y, int x, int degree, int* dark);
