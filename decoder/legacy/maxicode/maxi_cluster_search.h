#pragma once

#include "decoder/legacy/maxicode/maxi_module_set.h"

// The six orientation clusters about the MaxiCode bull's-eye, found degree by
// degree: each direction whose samples show one cluster's modules (and the
// opposite cluster's on the opposite ray) joins a run, the middle of each run
// becomes a candidate, candidates of neighbouring clusters are paired where
// their distance fits the rings, and the pairs that agree on one hexagon are
// chosen together.
//
// Cluster k lies at symbol angle 60 (k + 1) (counter-clockwise, row 0 at the
// top), six module pitches from the centre; directions are image degrees
// counter-clockwise with y down.

// The fixed orientation modules (row, column) beside the bull's-eye, dark
// and light; the clusters of them sit at the hexagon's corners, modules
// (10, 17), (10, 11), (16, 8), (22, 11), (22, 17) and (16, 20) for clusters
// 0..5.
extern int const MaxiOrientationDark[11][2];
extern int const MaxiOrientationLight[6][2];

// A point with a weight, and the zero records accumulators start from.
struct MaxiPoint16W {
    int x;
    int y;
    int weight;
};
extern MaxiPoint16 const tZeroXY;
extern MaxiPoint16W const tZeroXYZ;

// The sample points of one degree for one scale: the corner of the cluster
// tried there and of the opposite one (16.16), and the clusters whose modules
// matched (bit k for cluster k).
struct MaxiOrien {
    int x[3];
    int y[3];
    int clusters;
    int scale;
    int grey;
};
extern MaxiOrien Orien1[360];

// One orientation: the six cluster directions, the accumulated cluster points
// with their weights, and the score it was chosen with.
struct MaxiHexagon {
    int direction[6];
    MaxiPoint16W sum[6];
    MaxiPoint16 point[6];
    int scale;
    int score;
};
extern MaxiHexagon Hexagon1[20];
extern MaxiHexagon* HexP;
extern MaxiHexagon Hexagon2[20];
extern int NumH2;

// Entry 6 j + i: the cluster j + 1 steps after cluster i (j = 0..4).
extern unsigned char const CirShift[36];

// The best combination's score and mask of agreeing clusters.
extern int Lmax;
extern int Lcur;

// The circle test of the vector (dx, dy) (16.16) between two cluster points:
// |L - e| in 1/256 pixel (L1 lengths, e expected from the ring radius table
// at the vector's angle and the scale) into *out; answers the angle, or -1
// when L lies outside e (256 -/+ tolerance) / 256.
int OnCircle(int* out, int dx, int dy, int scale, int tolerance);

// The four pixels of the cell about the 16.16 point against the threshold of
// the sector of `degree`: 1 all darker, 0 all lighter, -1 mixed; *grey the
// first pixel.
int ImgSame4(int y, int x, int degree, int* grey);

// Pairs of candidates of neighbouring clusters i and i + 1 (ScreenPattern),
// of clusters i and i + 2 (ScreenPattern1).
void ScreenPattern(int i);
void ScreenPattern1(int i);

// Every combination of one pair per cluster; the best into HexP.
void Probability();

// The six clusters at ring scales 55..67 against the sector thresholds:
// answers NumH2 (records in Hexagon2).
int PatternFind();
// The search again with every sample point's cell agreeing, pairing
// neighbours and clusters two apart: answers NumH2.
int PatternSearch(int attempt);

// The thresholds of the six 64-degree sectors (Mx_Th) from the grey on the
// circle of the clusters at `scale`: the mid-range where it varies enough,
// else THRESHOLD2.
void SectorThresholds(int scale);

// The module pitch (16.16) on the ray of `degree` at `scale`.
int MaxiPitch(int degree, int scale);
// The point (16.16) at `distance` (1/1000 pitch) on the ray of `degree`.
MaxiPoint16 MaxiRayPoint(int degree, int distance, int scale);
