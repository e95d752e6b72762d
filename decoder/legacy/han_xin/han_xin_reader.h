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
    char aim[4];        // "]X0" or "]X1"
    int cornerX[4];     // the symbol's corners in pixels, clockwise from its first
    int cornerY[4];
    CHINA_FUNCTION_INFO_st info;
};

HanXinLabel const& GetHanXinLabel();

// The engine's entries into the reader (search_finder_CHINA,
// CHINA_check_finderH3, decode_china and the resets) are declared with the
// other readers' in legacy_reader_entries.h.
