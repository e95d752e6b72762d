#include "decoder/legacy/engine/legacy_engine_image.h"

#include <cstring>

#include "decoder/legacy/engine/legacy_arith.h"
#include "decoder/legacy/engine/legacy_driver.h"
#include "decoder/legacy/engine/legacy_geometry.h"
#include "decoder/legacy/engine/legacy_reader_entries.h"
#include "decoder/legacy/engine/legacy_result.h"
#include "decoder/legacy/engine/legacy_scan_line.h"

void reset_com00()
{
    Init_Division256();
    Init_Division256OCT();
    Init_DivisionLap();
}

void SetDefaultInactiveXSW() {}

void InitDecodeMainEx()
{
    DECODE_IMAGE_INFO_st& info = decode_image_info;
    info = DECODE_IMAGE_INFO_st{};
    info.width = info.sampleWidth = 640;
    info.height = info.sampleHeight = 480;
    info.currentMaxValue = 1000;
    COM_set_screen_size(640, 480);
    std::memset(multiple_label, 0, sizeof multiple_label);
    std::memset(error_multiple_label, 0, sizeof error_multiple_label);
    reset_com00();
    reset_multi00();
    reset_max00();
    reset_china00();
    SetDefaultInactiveXSW();
    decodePhase = 0;
}

void SetImageWidth(int width) { decode_image_info.width = decode_image_info.sampleWidth = width; }

void SetImageHeight(int height) { decode_image_info.height = decode_image_info.sampleHeight = height; }

void SetMovingObjectFlag(unsigned char moving) { decode_image_info.movingObject = moving; }

void SetImageOffsetX(int offset) { decode_image_info.offsetX = offset; }

void SetImageOffsetY(int offset) { decode_image_info.offsetY = offset; }

int get_default_decode_area_width() { return decode_image_info.width; }

int get_default_decode_area_height() { return decode_image_info.height; }
