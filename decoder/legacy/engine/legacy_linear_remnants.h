#pragma once

// The legacy engine reads no linear symbols (the linear decoders do). What is
// left of its linear reader: the per-image reset (nothing to reset), the
// records of a linear read and of the best read along a scan line, the run
// checks and sums its finder used, and the result-buffer preparation of its
// entry points.

#include "decoder/legacy/engine/legacy_geometry.h"

int reset_1D();

inline constexpr int kBarcodeRecordKind = 18;
inline constexpr int kBarcodeNothingRead = 129;

// The result of one linear read (272 bytes).
struct BARCODE_RESULT_st {
    int kind;       // 18
    int status;     // 129 until something is read
    int result;     // 129 until something is read
    int type[3];    // label type words
    unsigned char symbol[4];
    int reserved[2];
    int direction;  // 1
    int rest[58];
};
static_assert(sizeof(BARCODE_RESULT_st) == 272);

// The best read along one scan line.
struct LINE_BARCODE_INFO_st {
    int kind;    // 18
    int status;  // 129
    int value;   // the caller's
    int zero[2];
    int forward;  // direction of the best read: 1 forward, 0 backward
    int b;
    int one;  // 1
    int bestLength;
    POINT_st start;
    POINT_st end;
    int forwardPosition;  // -1 until a forward read is recorded
    POINT_st forwardPoint;
    int backwardPosition;  // -1 until a backward read is recorded
    POINT_st backwardPoint;
};

void init_barcode_result(BARCODE_RESULT_st* result);
void init_line_barcode_info(LINE_BARCODE_INFO_st* info, POINT_st const* start, POINT_st const* end, int value);
// Records a read at least as long as the best so far (answers 1, else 0):
// direction, length, b, and d with the point on the read's side, the other
// side's position -1.
int set_line_barcode_info(LINE_BARCODE_INFO_st* info, int length, int b, int forward, int d, POINT_st point);
// Type 28 stores v, 28, v in the three type words, any other type the type
// three times; the four bytes at p become the result's symbol bytes.
void set_barcode_result_label_type(BARCODE_RESULT_st* result, int type, int v, unsigned char const* p);

// The first 8 runs of runs .. end (bars at even places, spaces at odd) as a
// linear start: -1 for fewer than 8 runs; otherwise the widest and the
// narrowest run are reported, and -1 when the colours' minima differ more
// than 6 times (8 with wideRatios), their maxima more than 8 times (35), a
// run is 27 or less, or a run exceeds 18 times its colour's minimum; else 0.
int chk_barcode2(int* widest, int* narrowest, unsigned short const* runs, unsigned short const* end,
                 int wideRatios = 0);
// Moves *p on by two runs when more than 7 remain after the first (answers
// 0), else by one (answers -1).
int mgn_skip2(unsigned short const** p, unsigned short const* end);
// s1 = sum of i v[i - 1] and s2 = sum of (1 + i) v[i - 1] plus s1 (n + 2),
// i = 1 .. n, both cut to 16 bits; both 0 for n below 1.
void calc_msho(signed char const* v, signed char n, unsigned short* s1, unsigned short* s2);
// "]", c, the digit m and a terminating zero into out (4 bytes); -1, nothing
// written, for m outside 0 .. 9.
int generate_aim_codeID(unsigned char* out, char c, int m);
// The sum of n runs (0 for n below 1).
int get_char_width_barcode(unsigned short const* runs, int n);

// The linear result buffer: "{" at its start and the write position two
// bytes on.
inline constexpr int kBarcodeResultBytes = 256;
extern unsigned char barcode_result_buffer[kBarcodeResultBytes];
extern unsigned char* barcode_result_write;
void set_barcode_result_buffer();
// Entry points of the linear reader: they prepare the result buffer and read
// nothing (answer 0). The finder variant takes 32 off the first run (not
// below 0); it and the 1D variant count their calls, wrapping to 0 after 200.
int ex_decode_1char();
int ex_decode_finder(unsigned short* runs);
int ex_decode_1D();
int ex_decode_call_count();
