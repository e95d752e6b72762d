#pragma once

// The legacy engine's plane geometry: integer pixel points, straight lines in
// fixed point (fitted by least squares or through two points), crossings,
// point-in-quadrilateral tests, clipping to the image, and angles and
// rotations in whole degrees (sines x 100000). Degenerate input answers -1 and
// leaves the outputs as they were.

struct POINT_st {
    int x;
    int y;
};

// orientation 0: S y = slope x + offset; 1: S x = slope y + offset; -1 invalid.
// The scale S comes with each operation.
struct Line_st {
    int orientation;
    int slope;
    int offset;
};

// The size of the image the engine works on; every image sets it before its
// first line (0 x 0 until then, which puts every point outside).
void COM_set_screen_size(int width, int height);
int COM_screen_width();
int COM_screen_height();

// 1 when margin <= x < width - margin and margin <= y < height - margin.
int point_in_inner_frame(int x, int y, int margin);

void copy_point_struct(POINT_st* p, POINT_st v);
void add_point_struct(POINT_st* out, POINT_st a, POINT_st b);
void subtract_point_struct(POINT_st* out, POINT_st a, POINT_st b);
void substitute_point_struct(POINT_st* out, int const* xs, int const* ys, int n);
void develop_point_struct(int* xs, int* ys, POINT_st const* in, int n);

// sin and cos of whole degrees, x 100000.
int my_sin104_33(int degrees);
int my_cos104_33(int degrees);
// (x, y) turned by degrees, rounded; answers 0.
int Rotate_Vector104_33(int degrees, int x, int y, int* rx, int* ry);

// angles[j] = 180 - j and cosines[j] = its cosine x 100000, j = 0 .. 180.
void COM_generate_sorted_cosine_table(int* angles, int* cosines);
// The angle between vectors a and b: whole degrees of the nearest table entry,
// and the cosine's place between the two bracketing entries in 1/256. -1 for a
// zero vector.
int COM_calc_angle(int* degrees, int* fraction, int ax, int ay, int bx, int by);

// Least-squares line through n points at scale 2^shift (shift >= 1). Mode 0
// picks the orientation with the wider spread; mode 1 always fits y on x.
int COM_Least_Sqr66(int shift, int const* xs, int const* ys, int n, Line_st* out, int mode);
// The same fit from the sums of the points (x, y, x^2, y^2, x y).
struct MULTIPREC_st;
int COM_line_from_sums(int shift, int n, long long sx, long long sy, MULTIPREC_st const* sxx,
                       MULTIPREC_st const* syy, MULTIPREC_st const* sxy, Line_st* out, int mode);
int Least_Sqr66(int shift, int const* xs, int const* ys, int n, Line_st* out);
int Simple_Least_Sqr66(int shift, int const* xs, int const* ys, int n, int* slope, int* offset);

// The line through two points at scale S: answers its orientation, -1 for one point.
int COM_points2line(int S, int x0, int y0, int x1, int y1, int* slope, int* offset);
// Squared distance of (x, y) from the line, rounded.
int sqr_point2line(int orientation, int slope, int offset, int x, int y, int S);
// (x, y) scaled so that its larger component has magnitude |length|.
int COM_enlarge_vector(int* ox, int* oy, int x, int y, int length);
// The length of the segment from (x0, y0) to (x1, y1), truncated (g_pita).
int COM_calc_seg_len(int x0, int y0, int x1, int y1);
// The point t / T of the way from (xs[0], ys[0]) to (xs[1], ys[1]), rounded.
int COM_get_intermediate_point(int* ox, int* oy, int const* xs, int const* ys, int t, int T);
// 1 when (x, y) lies inside the quadrilateral of corners 0 .. 3.
int point_in_area(int x, int y, int const* xs, int const* ys);

// Crossing of two lines of scale S.
// The crossing in 64 bits (Calc_Intsec and Calc_Intsec2 clamp it to 32).
int Calc_Intsec2High(int S, Line_st const* a, Line_st const* b, long long* x, long long* y);
int Calc_Intsec2(int S, Line_st const* a, Line_st const* b, int* x, int* y);
int Calc_Intsec(int S, int orientationA, int slopeA, int offsetA, int orientationB, int slopeB, int offsetB, int* x,
                int* y);
// Crossing of the lines through segA and segB (x0, y0, x1, y1), scaled by 2^shift.
int Calc_Intsec3(int shift, POINT_st* out, int const* segA, int const* segB);
// The parallel to in through (x, y).
void parallel_move_line2(Line_st* out, Line_st const* in, int x, int y, int S);

// Clips the segment a-b to the image; -1, nothing written, when it misses it.
int LimitToScreen(POINT_st* a, POINT_st* b);
