#pragma once

#include "decoder/legacy/maxi_message.h"

// The MaxiCode reader: from an accepted bull's-eye (MX_check_finderH3) to the
// label of the symbol.

struct MaxiLabel {
    unsigned char data[kMaxiTextCapacity];
    int count;
    int mode;
    int eci;        // the text carries ECI escapes
    char aim[4];    // "]U0" .. "]U3"
    int result;     // 23, 24 for a part of a structured-append series, 129 nothing
    int cornerX[4]; // modules (32, 29), (32, 0), (0, 0), (0, 29); the finder's
    int cornerY[4]; // estimate when nothing was read
    // Structured append, when `structured`: position from 1 and total.
    int structured;
    int position;
    int total;
};

// The last symbol read (or the failure of the last attempt).
MaxiLabel const& GetMaxiLabel();

// Reads the symbol around the bull's-eye the finder check accepted last: 23,
// 24 for a part of a structured-append series, 129 nothing (argument unused).
int dec_maxi2(int mode);

void reset_max00();  // engine start: field tables, module map, structured append
void reset_max01();  // a new image
void reset_max02();  // before each finder search
int GetMaxiMode();   // the mode of the last symbol read

// Writes the AIM identifier of a symbol of this mode into the label: "]U" and
// 1 (modes 0, 2, 3) or 0 (4, 5, 6), plus 2 with ECI escapes but for mode 6.
int MX_determine_AIM_ID(int mode, int eci);
