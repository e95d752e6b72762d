#pragma once

#include "decoder/legacy/han_xin/han_xin_function_info.h"

// The Han Xin reader: from the finder patterns met on the scan lines to the
// message of the symbol.

constexpr int kHanXinAnswerCapacity = 8000;

// The last symbol read.
struct HanXinLabel {
    unsigned char data[kHanXinAnswerCapacity];
    int count;
    int eci;            // 1: the message carries ECI escapes ("]X1")
    CHINA_FUNCTION_INFO_st info;
};

HanXinLabel const& GetHanXinLabel();

// The AIM text of the last symbol read ("]X0" or "]X1"), and the corners of
// the last symbol placed, in pixels clockwise from its first.
extern char CHINA_aim_id[4];
extern int CHINA_decoded_area_x[4];
extern int CHINA_decoded_area_y[4];

// The engine's entries into the reader (search_finder_CHINA,
// CHINA_check_finderH3, decode_china and the resets) are declared with the
// other readers' in legacy_reader_entries.h.
