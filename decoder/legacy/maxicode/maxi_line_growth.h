#pragma once

#include "decoder/legacy/maxicode/maxi_module_set.h"

// The reference lines of module centres grown out from the six orientation
// clusters. Lines 0..5 join neighbouring clusters (the hexagon's sides, record
// 12 and 18 at its corners), lines 6, 7 and 8 cross at the centre (record 18,
// 18 and 15); each is carried outward record by record with centring, lines
// meeting in one module settle it between them, and the rows 0, 4, 10, 16,
// 22, 28 and 32 (lines 12, 10, 0, 8, 3, 11, 13) are spaced through the
// modules the slanted lines reach on them.

// The ring radii (radius table units) in the cluster directions d0, d1, d2
// and their opposites, and the terms of the ellipse they give.
extern int Mx_R0;
extern int Mx_R1;
extern int Mx_R2;
extern int Mx_R3;
extern int Mx_R4;
extern int Mx_R5;
extern long long Mx_Xc;
extern long long Mx_Yc;
extern long long Mx_Cxy;

// 1: a crossing goes to the line walked with fewer corrections; 0: to the
// candidate that keeps the lines straighter. ADJPB: a crossing first takes
// its centring threshold from the grey along its two segments.
extern int METHOD1;
extern int ADJPB;

// Predicts a point from three known ones and ellipse terms a, b, c: the
// point P at t = (a + C) / (2C + b) from p1 toward p2, then
// out = P + (P - p3) (b + C - c) / (C + c), C = Mx_Cxy.
void Point4_Calc(MaxiPoint16* out, int x1, int y1, int x2, int y2, int x3, int y3, long long a, long long b,
                 long long c);

// Predicts cluster k (0 or 3) from its neighbours and the centre by the row
// `row` of the prediction table; the point goes to its three records and to
// record k of line 9.
void Calc_P4(int k, int row);

// 65536 cos^2 of the angle between (ax, ay) and (bx, by); 65536 when either
// is zero.
int PowCos2A(int ax, int ay, int bx, int by);

// Lines a and b meet in one module (records ea and eb): each is walked from
// its start there, the better walk's point goes to both, and both are
// respaced between start and meeting (one record more at either end).
void SelectPoint(int a, int sa, int ea, int b, int sb, int eb);
// The same for three lines.
void SelectPoint3(int a, int sa, int ea, int b, int sb, int eb, int c, int sc, int ec);

// From the six cluster points (16.16) and the centre (tCenter): the ellipse
// terms from the ring radii in directions d0, d1, d2, then every reference
// line the band sampling needs.
void GrowReferenceLines(MaxiPoint16 const clusters[6], int d0, int d1, int d2);
