#pragma once

// The MaxiCode bull's-eye check on the engine's own line routines, in
// integer arithmetic: lengths along a line in 1/32 pixel, positions in 1/256
// pixel. What it accepts it hands to the reader through finder_MX.

struct POINT_st;

inline constexpr int kMaxiCheckRuns = 1280;

// Runs of the current check line (from the first dark run), and the offset
// of that run from the line's start: horizontal lines, the perpendicular
// line, rays and turned lines.
extern int MX_Bg32lenbarA[kMaxiCheckRuns];
extern int MX_Bg32lenbayB[kMaxiCheckRuns];
extern int MX_Bg32lenbayA[kMaxiCheckRuns];
extern int MX_start_SIRO_lenbar;
// Candidates checked (while fewer than two labels are wanted), and
// bull's-eyes measured in this image.
extern int line_try_cnt_MX;
extern int MX_try_cnt;
// 2, or 3: the line's contrast range must reach the caller's limit.
extern int MX_colour_mode;

// x: outer left edge, the centre run's left and right ends, outer right
// edge; y the same from top to bottom; and the half-extents from the centre
// to the outer edges. 1/256 pixel.
struct MaxiPattern {
    int x[4];
    int y[4];
    int halfLeft;
    int halfRight;
    int halfTop;
    int halfBottom;
};
extern MaxiPattern MX_pattern;

// What an accepted outline leaves: centre and ring widths in pixels, ring
// width x in 1/256 pixel, outline radii every 10 degrees (1/16 pixel, -1
// where a direction failed), estimated corners, flags.
struct MaxiCheckState {
    int centreX;
    int centreY;
    int ringX;
    int ringY;
    int ringX256;
    int radii[36];
    int cornerX[4];
    int cornerY[4];
    int complete;
    int failed;
};
extern MaxiCheckState finder_check_MX;

// Runs of the line (x0, y0)-(x1, y1) into out (32-bit, at most
// kMaxiCheckRuns), from its first dark run: 0, or -1 when the line cannot be
// sampled or, in colour mode 3, its contrast range is below limit. filter:
// the threshold window in samples.
int line_runlength_MX(int x0, int y0, int x1, int y1, int step, int limit, int* out, int* count, int filter);

// Whether the eleven runs about centre run c have the rings' proportions:
// with T their sum, each ring run within [T * 1192 >> 16, T * 11920 >> 16]
// and the centre run within twice those bounds. 1 or 0.
int MaxiRingWindowFits(int const* runs, int c);

// The perpendicular line, the four turned lines and the horizontal once more
// for a candidate of completeness level 1-4 in MX_pattern: 0 when they fit,
// -1 otherwise and for any other level.
int check_finder_cross_MX(int level, int selector);
// One turned line's runs against the perpendicular half-extents h1, h2:
// line = {x0, y0, x1, y1}. 0 when it fits.
int check_rotated_runs_MX(int const* runs, int n, int const* line, int cx, int cy, int angle, int h1, int h2);
// The horizontal line through (cx, cy) re-measured: 0, with the pattern's x
// values and left and right half-extents replaced.
int measure_horizontal_MX(int cx, int cy, int r);
// The outer ring in 36 directions: 0 for a round outline (state stored).
int check_finder_ring_MX();
// The distance (1/16 pixel) from the centre to the outer ring edge on the ray
// at `angle` degrees, the edge point in *ox, *oy (1/256 pixel); -1 when the
// ray gives no runs. *contrast < 0 is measured on the first ray.
int ring_radius_MX(int* ox, int* oy, int* contrast, int angle);

// The ellipse measurement of maxi_finder.cpp, for candidates the integer
// check does not take: 23 or 129.
int CheckBullsEyeByEllipse(int* runs, int count, POINT_st* first, POINT_st* last, int convention);
// Copies an accepted integer check into finder_MX for the reader.
void PublishMaxiFinderCheck();
