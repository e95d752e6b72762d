#include "decoder/legacy/engine/legacy_full_frame.h"

#include <cstring>
#include <initializer_list>

#include "decoder/legacy/engine/legacy_engine_gray_image.h"
#include "decoder/legacy/engine/legacy_result.h"
#include "decoder/legacy/engine/legacy_scan_line.h"
#include "decoder/legacy/engine/legacy_settings_bridge.h"

FULL_FRAME_LINE_INDEX_st full_frame_line_index;
NEW_DECODE_INFO_st new_decode_info_SXGA[kFullFrameRecords];
int new_decode_info_SXGA_live = 0;

namespace {

int GroupFlag(int group)
{
    static int const flags[kFullFrameGroups] = {kLegacyFlagQR, kLegacyFlagMaxi, kLegacyFlagAztec, kLegacyFlagHanXin};
    return flags[group];
}

bool GroupEnabled(int group)
{
    switch (group) {
    case 0:
        return is_enabled_QR_or_mQR() != 0;
    case 1:
        return GetMaxiEnable() != 0;
    case 2:
        return GetAztecEnable() != 0 || GetAztecRunesEnable() != 0;
    default:
        return GetChineseSensibleEnable() != 0;
    }
}

bool IsLiveRecord(NEW_DECODE_INFO_st const& r)
{
    for (unsigned char f : r.enables.flag) {
        if (f != 0) {
            return true;
        }
    }
    return false;
}

// The k-th line of a kind across a w x h image (ends may lie outside it;
// the driver clips them).
void LineOf(int kind, int k, int w, int h, int* x0, int* y0, int* x1, int* y1)
{
    switch (kind) {
    case 0:
        *x0 = 0, *x1 = w - 1, *y0 = *y1 = full_frame_line_index.row[k];
        break;
    case 1:
        *y0 = 0, *y1 = h - 1, *x0 = *x1 = full_frame_line_index.column[k];
        break;
    case 2: {
        // x - y = d - h: from the top edge (or the left edge) down to the right.
        int const c = full_frame_line_index.diagonal[k] - h;
        *x0 = c, *y0 = 0, *x1 = c + h - 1, *y1 = h - 1;
        break;
    }
    default: {
        // x + y = d: from the top edge down to the left.
        int const d = full_frame_line_index.diagonal[k];
        *x0 = d, *y0 = 0, *x1 = d - (h - 1), *y1 = h - 1;
        break;
    }
    }
}

int LineCount(int kind)
{
    return kind == 0 ? kFullFrameRows : (kind == 1 ? kFullFrameColumns : kFullFrameDiagonals);
}

}  // namespace

void calc_line_index_SXGA()
{
    for (int k = 0; k < kFullFrameRows; ++k) {
        full_frame_line_index.row[k] = static_cast<short>(4 + 8 * k);
    }
    for (int k = 0; k < kFullFrameColumns; ++k) {
        full_frame_line_index.column[k] = static_cast<short>(16 + 32 * k);
    }
    for (int k = 0; k < kFullFrameDiagonals; ++k) {
        full_frame_line_index.diagonal[k] = static_cast<short>(24 + 48 * k);
    }
}

int is_enabled_QR_or_mQR() { return (GetQREnable() != 0 || GetMicroQREnable() != 0) ? 1 : 0; }

void init_new_decode_info_SXGA()
{
    for (int g = 0; g < kFullFrameGroups; ++g) {
        bool const enabled = GroupEnabled(g);
        for (int kind = 0; kind < kFullFrameLineKinds; ++kind) {
            NEW_DECODE_INFO_st& r = new_decode_info_SXGA[g * kFullFrameLineKinds + kind];
            r = NEW_DECODE_INFO_st{};
            r.regionNumber = 3;
            r.searchMode = 4;
            r.word16 = 16;
            r.laplacian = 1;
            r.lineKind = static_cast<unsigned char>(kind);
            r.enables.flag[GroupFlag(g)] = enabled ? 1 : 0;
        }
    }
    new_decode_info_SXGA_live = 0;
}

void sort_new_decode_info_SXGA()
{
    NEW_DECODE_INFO_st sorted[kFullFrameRecords];
    int n = 0;
    for (bool live : {true, false}) {
        for (NEW_DECODE_INFO_st const& r : new_decode_info_SXGA) {
            if (IsLiveRecord(r) == live) {
                sorted[n++] = r;
            }
        }
        if (live) {
            new_decode_info_SXGA_live = n;
        }
    }
    std::memcpy(new_decode_info_SXGA, sorted, sizeof sorted);
}

int dec_multi_SXGA()
{
    tagGrayImage_t* const image = GetGrayImage();
    int const w = decode_image_info.sampleWidth;
    int const h = decode_image_info.sampleHeight;
    if (decode_image_info.samplePixels == nullptr || w <= 0 || h <= 0) {
        return kLegacyNothing;
    }
    // The central regions the finders accept points in, for this image.
    calc_decode_regions();
    reset_MULTI_runlength_param();
    NEW_DECODE_INFO_st* const callInfo = image->decodeInfo;
    DECODE_EXEC_STATUS_st* const callHandled = image->handled;
    int result = kLegacyNothing;
    int const live = new_decode_info_SXGA_live < kFullFrameRecords ? new_decode_info_SXGA_live : kFullFrameRecords;
    for (int i = 0; i < live && result == kLegacyNothing; ++i) {
        NEW_DECODE_INFO_st info = new_decode_info_SXGA[i];
        DECODE_EXEC_STATUS_st handled{};
        image->decodeInfo = &info;
        image->handled = &handled;
        int const kind = new_decode_info_SXGA[i].lineKind;
        for (int k = 0; k < LineCount(kind); ++k) {
            int x0 = 0, y0 = 0, x1 = 0, y1 = 0;
            LineOf(kind, k, w, h, &x0, &y0, &x1, &y1);
            int corners[8] = {};
            decodePhase = 0;
            if (TryDecodeOnLineEx(0, image, x0, y0, x1, y1, corners) == 0) {
                result = lastDecodeResult;
                break;
            }
        }
    }
    image->decodeInfo = callInfo;
    image->handled = callHandled;
    return result;
}
