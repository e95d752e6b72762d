#pragma once

#include "decoder/legacy/han_xin/han_xin_function_info.h"

// The back end of the Han Xin reader: a sampled module grid with its function
// information to the message bytes.

// grid holds 0 (light) or 1 (dark) for every module of the size x size symbol
// (rows of stride kHanXinMaxSize); the function modules are marked here. The
// codewords go through CHINA_byte_sequence, the message is written through
// CHINA_final_data (han_xin_data.h). 0 with the message, or a failure when a
// block cannot be corrected (-1) or the message does not fit its buffer (-2).
int DecodeHanXinGrid(unsigned short* grid, CHINA_FUNCTION_INFO_st const& info);
