#pragma once

// The engine's full-frame scan: lines laid over the whole frame (up to the
// engine's 1280 x 1024 limit) in four kinds, each offered to the driver with
// the enables of one symbology group. The decode records are rebuilt from
// the settings before each pass; the scan itself runs on the image of the
// image record, and with no image it reads nothing.

#include "decoder/legacy/engine/legacy_driver.h"

// Line kinds: rows every 8 from row 4, columns every 32 from column 16, and
// the two diagonals (x - y, and x + y) every 48 from 24.
inline constexpr int kFullFrameRows = 128;
inline constexpr int kFullFrameColumns = 40;
inline constexpr int kFullFrameDiagonals = 48;
inline constexpr int kFullFrameLineKinds = 4;
// Symbology groups: QR Code or Micro QR, MaxiCode, Aztec or Aztec Runes,
// Han Xin.
inline constexpr int kFullFrameGroups = 4;
inline constexpr int kFullFrameRecords = kFullFrameGroups * kFullFrameLineKinds;

struct FULL_FRAME_LINE_INDEX_st {
    short row[kFullFrameRows];
    short column[kFullFrameColumns];
    short diagonal[kFullFrameDiagonals];
};
extern FULL_FRAME_LINE_INDEX_st full_frame_line_index;

// One decode record per group and line kind (lineKind holds the kind), and
// how many lead the sorted order with an enable set.
extern NEW_DECODE_INFO_st new_decode_info_SXGA[kFullFrameRecords];
extern int new_decode_info_SXGA_live;

void calc_line_index_SXGA();
// 1 when QR Code or Micro QR is enabled.
int is_enabled_QR_or_mQR();
// The records from the settings, in group order then line kind.
void init_new_decode_info_SXGA();
// Records with an enable first (their order kept), the others after.
void sort_new_decode_info_SXGA();
// Every line of every live record over the image, until a read: the
// reader's result byte, or 129.
int dec_multi_SXGA();
