#pragma once

// The engine's image record for one decode call: the frame's pixels, two
// 256-byte work areas, the call's decode record and already-handled flags,
// and the direction offsets of the pattern layer. There is one, global.

#include "decoder/legacy/engine/legacy_pattern_image.h"

struct NEW_DECODE_INFO_st;
struct DECODE_EXEC_STATUS_st;

// The one image record.
tagGrayImage_t* GetGrayImage();

// Points *out at the image record and fills it for a call: pixels, the two
// records, the cleared words and work areas; sets the decode record's
// defaults (region number 3, word 16, sharpened sampling) and clears the
// switch bits a call starts without. Width and height are kept for the
// pattern layer's offsets; pitch and region type are not kept (the engine's
// image record, decode_image_info, holds the row padding).
void InitializeGrayImage(tagGrayImage_t** out, unsigned short* pixels, unsigned width, unsigned height,
                         unsigned pitch, NEW_DECODE_INFO_st* info, DECODE_EXEC_STATUS_st* handled, int region_type);
