#pragma once

#include "decoder/legacy/han_xin_function_info.h"

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

// Searches the line from (x0, y0) to (x1, y1) of the current frame for a
// finder pattern: 0 when one was added, -1 when none was (or Han Xin is off).
int HanXinSearchFinderOnLine(int x0, int y0, int x1, int y1);

// Reads the symbol of the newest finder: 53 when a label was read, 129 when
// nothing was.
int decode_china();

void reset_china00();  // engine start
void reset_china01();  // per image
void reset_china02();  // before each finder search
