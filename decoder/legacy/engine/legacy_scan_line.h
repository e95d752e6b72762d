#pragma once

#include "decoder/legacy/engine/legacy_run_length_records.h"

// The image the engine reads and the road from a scan line to its run
// lengths: grey samples, block thresholds that follow the local contrast, and
// the grey and sharpened run sequences the finders work on.

// The image handed to the engine for the current call (filled by the
// adapter). Pixel (x, y) is at pixels[y * (width + rowPadding) + x].
struct DECODE_IMAGE_INFO_st {
    unsigned short const* pixels;
    int width;
    int rowPadding;
    int height;
    unsigned short const* samplePixels;  // the image the samplers read
    int sampleRowPadding;
    int sampleWidth;
    int sampleHeight;
    int currentMaxValue;
    unsigned char movingObject;
    int offsetX;
    int offsetY;
};
extern DECODE_IMAGE_INFO_st decode_image_info;

// The engine's fixed frame limit.
inline constexpr int kLegacyFrameWidthLimit = 1280;
inline constexpr int kLegacyFrameHeightLimit = 1024;

// Pixel access. Outside the image (or the frame limit) the grey value is
// white, 1023, and the pointer points at a white sample.
unsigned short const* ImgGrayValuePtr(int x, int y);
int ImgGrayValue(int x, int y);
// 5 p - (left + right + up + down) clamped to 0..1023 at least one pixel
// inside the image, else the grey value.
int ImgLapValue(int x, int y);
// The grey value and the sharpened value (ImgLapValue) of a pixel into
// out[0] and out[1], one sample pair of an interleaved line buffer.
void ImgLapGrayValue(int x, int y, unsigned short* out);
// The line sampled as pairs of grey and sharpened values, the plain walk or
// (fourConnected) the 4-connected one; the sample count, or -1 when the
// buffer (2 * kLegacyLineSamples entries) cannot hold the line. The ends must
// lie in the image.
int PicLineGrayLap(unsigned short* buffer, int x0, int y0, int x1, int y1, int fourConnected);
// Sub-pixel sample at (x + fx / 4, y + fy / 4), sharpened with lap = 1; with
// max_mode the largest sharpened value of the 4 x 4 block from (x-1, y-1).
// 128 when (x, y) is not at least 2 pixels inside the image.
int get_gray_dot(int fx, int fy, int x, int y, int lap, int max_mode);
// 2-D sharpening of a width x height block read with the given pitch.
void picdot_laplacian(unsigned short* out, unsigned short const* in, int width, int height, int pitch);

// Line sampling into channel 1 of `buffer` (interleaved, 2 * kLegacyLineSamples
// entries); -1 for an end outside the image, a line of no length, or more
// samples than the buffer holds.
int pic_line33_onlyG(PICLINE_INFO* line, unsigned short* buffer, int x0, int y0, int x1, int y1);
// Samples the line (mode 0 plain walk, 1 4-connected, 2+ 4-connected on steep
// lines) into channel 1 and channel 2 through filter b.
int pic_line_unified2(FILTER_INFO* a, FILTER_INFO* b, int mode, int* count, PICLINE_INFO* line,
                      unsigned short* buffer, int x0, int y0, int x1, int y1);

// 1 when a line of the given sampler mode is walked 4-connected (mode 1, or
// mode 2 and higher on lines steeper than 25600 / 65536), else 0.
int select_picline_mode(int mode, int x0, int y0, int x1, int y1);
// The sampler without filter a.
int pic_line_unified(FILTER_INFO* b, int mode, int* count, PICLINE_INFO* line, unsigned short* buffer, int x0, int y0,
                     int x1, int y1);

// Pointers into the image and the line buffers. OrigImgGrayValuePtr reads the
// image as handed in (`pixels`), the others the image the samplers read; both
// point at a white sample outside.
void Set_gray_ptr(int x, int y, unsigned short const** pointer);
unsigned short const* OrigImgGrayValuePtr(int x, int y);
// Channel 1 or 2 of an interleaved line buffer (-1 for any other channel);
// Set_line_ptr into the driver's line buffer.
int Set_line_ptr33(int channel, unsigned short** pointer, unsigned short* buffer);
int Set_line_ptr(int channel, unsigned short** pointer);
// The line record's image pointer at its begin point, with the row stride and
// height; -1 when the begin point is outside the image.
int Set_pic_line_gray_IMG_ptr(PICLINE_INFO* line);
// The steps of the record's line for a pointer walk: count samples, stepA the
// pointer step along the major axis, stepB the minor coordinate's 16.16 step
// per sample and stepC the pointer step of one minor unit; sample i is at
// imageBase[i * stepA + ((i * stepB) >> 16) * stepC], as pic_line33_onlyG
// samples it. -1 when an end is outside the image.
int calc_pic_line_steps(PICLINE_INFO* line);
// The record's row or column (x0 = x1 or y0 = y1) walked directly into
// channel 1; -1 for any other line or one the buffer cannot hold.
int pic_line_H33_onlyG(PICLINE_INFO* line, unsigned short* buffer);
int pic_line_V33_onlyG(PICLINE_INFO* line, unsigned short* buffer);

// Kernel code of the Laplacian filter of a filter mode: 0 -> 2, 1 -> 3, else 1.
int cnv_filter_mode(int mode);

// Channel filters, on the interleaved buffer (stride 2).
void lineLAP(unsigned short* buffer, int n, int mode);
int lineSMOOTH2_ASIC(int channel, unsigned short* buffer, int n, int width);
void AutoCoefLap(unsigned short const* grey, unsigned short* out, unsigned short const* thresholds, int n,
                 int stride);

// Alternating maxima and minima, found with hysteresis h: (value, position)
// pairs into out (room for 2 * n + 2 entries). Answers the entries written.
int MaxMinLoc(int n, unsigned short const* x, int* out, int h, int stride);
// Block thresholds of a line, one per sample into t (same stride as x). The
// statistics of the last line stay behind: per block the 64-bin histograms
// (grey >> 4) of its peaks and bottoms, 8-bit counts, with the block's count
// in bin 64, and the block's threshold. A line holds at most n / 16 + 2
// blocks, so every line of the sampler fits.
inline constexpr int kLegacyStatisBlocks = kLegacyLineSamples / 16 + 2;
inline constexpr int kLegacyStatisBins = 65;
extern unsigned char peak_statis[kLegacyStatisBlocks][kLegacyStatisBins];
extern unsigned char bottom_statis[kLegacyStatisBlocks][kLegacyStatisBins];
extern unsigned short block_thresh[kLegacyStatisBlocks];
void GetGrayStatis(unsigned short const* x, int n, int stride, unsigned short* t);
// Run lengths of n samples cut at t + offset (threshold stride t_stride).
void make_runlength32Thresh(RUNLEN_OUT* out, int n, unsigned short const* x, unsigned short const* t,
                            int offset, int start_mode, int t_stride, int x_stride);

// The road of the driver: grey and sharpened run sequences of the line of
// `line` (x0, y0)-(x1, y1) into the two records. Answers 129; a line the
// sampler refuses gives two empty sequences (one light run of length 0).
int SoftRunlength(PICLINE_INFO* line, RUNLEN_OUT* grey_runs, RUNLEN_OUT* sharp_runs, int sharpen, int sample,
                  void (*callback)());
// The same for a further line, into the driver's records; answers the sample
// count (0 for a refused line).
int scan_pdf_1D78(int x0, int y0, int x1, int y1, int mode, int* count);
int get_scan_pdf_1D78_lap_mode();

// The driver's line records and the buffers behind them.
extern PICLINE_INFO MULTI_PicLineInfo;
extern FILTER_INFO MULTI_FilterA;
extern FILTER_INFO MULTI_FilterB;
extern RUNLEN_OUT MULTI_RunlenA;  // grey runs
extern RUNLEN_OUT MULTI_RunlenB;  // sharpened runs
extern MAKETH_INFO MAKETH_INFO_MULTI;
extern unsigned short gry_wwsmpl_work[kLegacyRunCapacity];
extern unsigned short lap_wwsmpl_work[kLegacyRunCapacity];
extern int num_gry_runlen;
extern int num_lap_runlen;
extern int new_decode_laplacian;
// Points the driver's records at their buffers.
void reset_MULTI_runlength_param();
