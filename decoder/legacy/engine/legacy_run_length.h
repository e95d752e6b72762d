#pragma once

#include "decoder/legacy/engine/legacy_run_length_records.h"

// The configurable run-length maker the readers use for lines of their own
// choosing (module rows, timing rows), with thresholds and filters of their
// own. Buffers attached to the records must hold: line 2 * kLegacyLineSamples
// entries, grey, filtered and thresholds kLegacyLineSamples, runs
// kLegacyRunCapacity.

void set_PicLineInfo_param(PICLINE_INFO* line, int mode, int sample, int maxmin, int x0, int y0, int x1, int y1);
void set_Filter_param(FILTER_INFO* filter, int type, int mode, int scale);
// Filter from a legacy code: type 0 for 0, 3 for 4, else 1; mode from the
// low four bits, scale from bits 4 to 7.
void conv_lapmode(FILTER_INFO* filter, int code);
void set_RunlenInfo_param(RUNLEN_INFO* info, int a, int source, int offset, int start_mode, int noise_limit, int b);
void set_runlength_pointer(MAKETH_INFO* th, PICLINE_INFO* line, FILTER_INFO* a, FILTER_INFO* b, RUNLEN_OUT* oa,
                           RUNLEN_OUT* ob, unsigned short* thresholds, unsigned short* lineBuffer,
                           unsigned short* grey, unsigned short* filteredA, unsigned short* filteredB,
                           unsigned short* runsA, unsigned short* runsB);

// Samples the line of `line`, makes its thresholds and the enabled run
// sequences: 0, or -1 when the records do not suit the line (the reason bits
// in line->error).
int BC_make_runlength4(MAKETH_INFO* th, PICLINE_INFO* line, FILTER_INFO* a, FILTER_INFO* b, RUNLEN_INFO* ra,
                       RUNLEN_INFO* rb, RUNLEN_OUT* oa, RUNLEN_OUT* ob);
// 0 when the records suit the line, else reason bits: 16 filter too wide,
// 64 line of no length, 128 fewer than 5 samples, 512 window too wide.
int check_valid_runlength_param(MAKETH_INFO* th, PICLINE_INFO* line, FILTER_INFO* a, FILTER_INFO* b,
                                RUNLEN_INFO* ra, RUNLEN_INFO* rb);
int is_valid_PB_smooth_window_size(int n, int window, int exponent);
int check_peak_bottom_error(MAKETH_INFO* th, int n);
int calc_line_dot_count(int mode, int x0, int y0, int x1, int y1);
// Thresholds of the line's grey samples: -1 when the line is too short for
// the window.
int ex_DS_threshold(PICLINE_INFO* line, MAKETH_INFO* th);

// Run lengths of n samples cut at threshold + offset. Start modes: 0 and 1
// the colour of the first sample (1 with a first run of 32), 2 light after a
// virtual white sample, 3 dark after a virtual black one. runThresholds (may
// be null) receives the threshold met at each edge.
void make_runlength32(int* count, unsigned short* runs, int* colour, int n, unsigned short const* samples,
                      unsigned short const* thresholds, int offset, int start_mode, int threshold_stride,
                      int sample_stride, unsigned short* runThresholds = nullptr);
// Merges each run (but the first) shorter than limit with its neighbours;
// with automatic the limit follows the run distribution. Answers the runs
// kept.
int ex_cut_noize(unsigned short* runs, unsigned short* thresholds, int limit, int automatic);
void extract_gray_data(int flag, unsigned short* grey, unsigned short const* line, int n);

// The edge rule of the scan-line road and of this maker differ only at the
// crossing fraction.
enum class LegacyCrossing { kTrace, kClamped };
int LegacyMakeRuns(unsigned short* runs, unsigned short* runThresholds, int* colour, int n,
                   unsigned short const* x, unsigned short const* t, int offset, int start_mode, int t_stride,
                   int x_stride, LegacyCrossing rule);
