#pragma once

// Small array, coordinate and clipping routines shared by the finders and
// readers. Positions along a line are in run-length units (1/32 pixel along
// the major axis).

#include "decoder/legacy/engine/legacy_geometry.h"

struct PICLINE_INFO;

int get_sum_array(int const* a, int n);
int get_average_array(int const* a, int n);  // -1 for n < 1
int get_max_array(int* index, int const* a, int n);
int get_min_array(int* index, int const* a, int n);
// The largest and smallest of n grey samples (0 and 0 for n < 1).
void get_max_min_byte_array(int* max, int* min, unsigned short const* a, int n);
// The median of n values (the upper one for even n), a left unchanged; -1 for
// n < 1.
int get_median_array(int const* a, int n);
void reverse_buffer(int* a, int n);
void swap_int_value(int* a, int* b);
void memcpy_usho2int(int* out, unsigned short const* in, int n);
void memcpy_int2usho(unsigned short* out, int const* in, int n);

// Rewrites a run sequence to start with a dark run (colour 1: the first run
// is dark). The output ends with two 0xFFFF values; out holds n + 2 entries.
void start_from_black_unified(int colour, int offset, int n, int* count, int* lead, unsigned short const* runs,
                              unsigned short* out);

// Length of a line in run-length units.
int transfer_xy2ryo(int x0, int y0, int x1, int y1, int* position);
// The point at run-length position p along a line; -1 for a line of no length.
int transfer_ryo2xyB(int* x, int* y, int position, int x0, int y0, int x1, int y1);
int transfer_ryo2xyC(int* x, int* y, int position, int x0, int y0, int x1, int y1);
// The same with every coordinate in 1/32 pixel, so that points between
// pixels keep their place: the position is the major extent itself.
int transfer_xy2ryo_high_resolution(int x0, int y0, int x1, int y1, int* position);
int transfer_ryo2xyC_high_resolution(int* x, int* y, int position, int x0, int y0, int x1, int y1);
void copy_line_struct(Line_st* out, Line_st const* in);

int COM_clip_x(int x);
int COM_clip_y(int y);
// Clips a line to the image: 0 when both ends were inside or the line was
// cut, -1 when it misses the image (the ends become (1, 1) and (2, 2)).
int COM_clip_xy(int* x0, int* y0, int* x1, int* y1);
// Extremes of the grey values along a segment; -1 for a segment of no length.
int get_max_min33(int x0, int y0, int x1, int y1, int* max, int* min);
int get_contrast(int x0, int y0, int x1, int y1, int* contrast);
int int_log2(unsigned v);
