#include "decoder/legacy/engine/legacy_driver.h"

#include <cstring>

#include "decoder/legacy/engine/legacy_common_finder.h"
#include "decoder/legacy/engine/legacy_debug_view.h"
#include "decoder/legacy/engine/legacy_full_frame.h"
#include "decoder/legacy/engine/legacy_geometry.h"
#include "decoder/legacy/engine/legacy_linear_remnants.h"
#include "decoder/legacy/engine/legacy_pattern_image.h"
#include "decoder/legacy/engine/legacy_reader_entries.h"
#include "decoder/legacy/engine/legacy_region_pass.h"
#include "decoder/legacy/engine/legacy_result.h"
#include "decoder/legacy/engine/legacy_result_modes.h"
#include "decoder/legacy/engine/legacy_scan_line.h"
#include "decoder/legacy/engine/legacy_settings_bridge.h"
#include "decoder/legacy/engine/legacy_symbol_region_queue.h"

int decodePhase = 0;
int current_region_id = 3;
int lastDecodeResult = kLegacyNothing;

namespace {

// Four rectangles about the image centre (x0, y0, x1, y1): a quarter, a half,
// the whole image and none.
int decode_regions[4][4];

bool IsSet(DECODE_EXEC_STATUS_st const* s, int k) { return s->flag[k] != 0; }

bool IsLive(DECODE_EXEC_STATUS_st const* enables, DECODE_EXEC_STATUS_st const* handled, int k)
{
    return IsSet(enables, k) && !IsSet(handled, k);
}

// Lines offered to the engine since the image began.
int scanLineCount = 0;

// One line of the log per line sampled: where it ran and what it gave.
void log_decode_scanline_count(POINT_st const& a, POINT_st const& b, int length, int samples)
{
    ++scanLineCount;
    SimulationC_PutFormatStringToLog("line %d (%d,%d)-(%d,%d) length %d samples %d runs %d/%d", scanLineCount, a.x,
                                     a.y, b.x, b.y, length, samples, MULTI_RunlenA.count, MULTI_RunlenB.count);
}

// One line of the log per finder search: its time and its outcome.
void log_decode_search_finder_time(long microseconds, int result)
{
    SimulationC_PutFormatStringToLog("finders %ld us result %d finder met %d", microseconds, result, decodePhase);
}

// The hook at the start of each pass, before its line is sampled. Nothing
// is carried from one line to the next for it to clear, so it does nothing.
void reset_NL_SH() {}

}  // namespace

void calc_decode_regions()
{
    int const w = decode_image_info.sampleWidth;
    int const h = decode_image_info.sampleHeight;
    int const cx = w / 2;
    int const cy = h / 2;
    auto clip = [](int v, int hi) { return v < 0 ? 0 : (v > hi ? hi : v); };
    int const spans[3][2] = {{w / 4, h / 4}, {w / 2, h / 2}, {w, h}};
    for (int k = 0; k < 3; ++k) {
        decode_regions[k][0] = clip(cx - spans[k][0] / 2, w - 1);
        decode_regions[k][1] = clip(cy - spans[k][1] / 2, h - 1);
        decode_regions[k][2] = clip(cx + spans[k][0] / 2, w - 1);
        decode_regions[k][3] = clip(cy + spans[k][1] / 2, h - 1);
    }
    std::memset(decode_regions[3], 0, sizeof decode_regions[3]);
    for (int k = 0; k < 2; ++k) {
        SimulationC_DrawRect(decode_regions[k][0], decode_regions[k][1], decode_regions[k][2], decode_regions[k][3],
                             kDebugMarkRegion);
    }
}

int point_in_valid_region(int x, int y)
{
    if (current_region_id < 0) {
        return 0;
    }
    if (get_target_multiple_label_count() > 1) {
        return 1;
    }
    int const last = current_region_id > 3 ? 3 : current_region_id;
    for (int k = 0; k <= last; ++k) {
        int const* r = decode_regions[k];
        if (x >= r[0] && x <= r[2] && y >= r[1] && y <= r[3]) {
            return 1;
        }
    }
    return 0;
}

int get_new_decode_laplacian() { return new_decode_laplacian; }

int multiple_decode_success(unsigned char r) { return (r & 0x80) == 0 ? 1 : 0; }

int decmulti_runlength(DECODE_EXEC_STATUS_st const* enables, int* count, int x0, int y0, int x1, int y1, int)
{
    bool any = false;
    for (unsigned char f : enables->flag) {
        any = any || f != 0;
    }
    if (!any) {
        return -1;
    }
    MULTI_PicLineInfo.x0 = x0;
    MULTI_PicLineInfo.y0 = y0;
    MULTI_PicLineInfo.x1 = x1;
    MULTI_PicLineInfo.y1 = y1;
    SoftRunlength(&MULTI_PicLineInfo, &MULTI_RunlenA, &MULTI_RunlenB, 2, 1, nullptr);
    *count = MULTI_PicLineInfo.count;
    return 0;
}

int decmulti_all(DECODE_EXEC_STATUS_st const* enables, DECODE_EXEC_STATUS_st const* handled, PICLINE_INFO* line)
{
    return decmulti_all_next(enables, handled, line);
}

int decmulti_all_next(DECODE_EXEC_STATUS_st const* enables, DECODE_EXEC_STATUS_st const* handled,
                      PICLINE_INFO* line)
{
    // The line as the driver clipped it; the runs of the line record are
    // overwritten by the searches below.
    POINT_st begin{line->x0, line->y0};
    POINT_st end{line->x1, line->y1};

    // The first Han Xin finder on the line decides the Han Xin loop.
    if (IsLive(enables, handled, kLegacyFlagHanXin)) {
        reset_china02();
        if (search_finder_CHINA(&begin, &end, new_decode_laplacian == 1 ? 1 : 0) != -1) {
            decodePhase = 1;
            int const r = decode_china();
            if ((r & 0x80) == 0) {
                return r;
            }
            is_almost_decoded();
        }
    }
    if (!IsLive(enables, handled, kLegacyFlagAztec) && !IsLive(enables, handled, kLegacyFlagMaxi) &&
        !IsLive(enables, handled, kLegacyFlagHanXin)) {
        return kLegacyNothing;
    }
    int mode = new_decode_laplacian == 1 ? 2 : 1;
    int const code = COM_search_finder(enables, &begin, &end, &mode);
    int r = kLegacyNothing;
    switch (code) {
    case kLegacyHanXin:
        decodePhase = 1;
        r = IsSet(enables, kLegacyFlagHanXin) ? decode_china() : kLegacyNothing;
        break;
    case kLegacyMaxiCode:
        decodePhase = 1;
        r = IsSet(enables, kLegacyFlagMaxi) ? dec_maxi2(mode) : kLegacyNothing;
        break;
    case 40:  // an Aztec finder: no reader here
        decodePhase = 1;
        break;
    default:
        break;
    }
    return (r & 0x80) == 0 ? r : kLegacyNothing;
}

int is_almost_decoded()
{
    if (is_decmulti_struct_append_mode() != 0 || is_decmulti_multiple_label_mode() != 0 ||
        error_multiple_label_count <= 0) {
        return 0;
    }
    int const count = error_multiple_label_count < kLegacyResultEntries ? error_multiple_label_count
                                                                         : kLegacyResultEntries;
    int const* r = decode_regions[0];
    for (int i = 0; i < count; ++i) {
        MULTIPLE_LABEL_st& e = error_multiple_label[i];
        if (e.status != 3 && e.status != 4) {
            continue;
        }
        int* centre = &e.geometry[6];
        if (centre[0] == 0 && centre[1] == 0) {
            centre[0] = (e.cornerX[0] + e.cornerX[1] + e.cornerX[2] + e.cornerX[3]) / 4;
            centre[1] = (e.cornerY[0] + e.cornerY[1] + e.cornerY[2] + e.cornerY[3]) / 4;
            SimulationC_DrawPoint(centre[0], centre[1], kDebugMarkNearRead);
        }
        if (centre[0] >= r[0] && centre[0] <= r[2] && centre[1] >= r[1] && centre[1] <= r[3]) {
            return 1;
        }
    }
    return 0;
}

int TryDecodeOnLineEx(int mode, tagGrayImage_t* image, int x0, int y0, int x1, int y1, int* corners)
{
    NEW_DECODE_INFO_st* const info = image->decodeInfo;
    DECODE_EXEC_STATUS_st* const handled = image->handled;
    if (info == nullptr || handled == nullptr) {
        return 1;
    }
    reset_NL_SH();
    info->lineKind = 2;
    info->line[0] = x0;
    info->line[1] = y0;
    info->line[2] = x1;
    info->line[3] = y1;
    tagSegment_t const asGiven{{x0, y0}, {x1, y1}};
    int const length = CulcSegmentLengthLite(&asGiven);
    POINT_st a{x0, y0};
    POINT_st b{x1, y1};
    if (LimitToScreen(&a, &b) != 0) {
        return 1;
    }
    MULTI_PicLineInfo.mode = mode;
    int count = 0;
    if (decmulti_runlength(&info->enables, &count, a.x, a.y, b.x, b.y, info->searchMode) != 0) {
        return 1;
    }
    // What the finders get, before their searches overwrite the runs.
    SimulationC_DrawLineA(&a, &b, kDebugMarkLine);
    PlotRunLength(&MULTI_RunlenA, &MULTI_RunlenB, a.x, a.y, b.x, b.y);
    log_decode_scanline_count(a, b, length, count);
    new_decode_laplacian = info->laplacian;
    current_region_id = info->regionNumber;
    // A read counts only when this pass filed it in the good table; a reader
    // that answered success for a record sent to the error table (table full,
    // outside the window) has read nothing new.
    int const filedBefore = multiple_label_count;
    long const searchStart = SimulationC_GetTimeCount();
    int const r = decmulti_all(&info->enables, handled, &MULTI_PicLineInfo);
    log_decode_search_finder_time(SimulationC_GetTimeCount() - searchStart, r);
    if ((r & 0x80) != 0 || multiple_label_count <= filedBefore) {
        return 1;
    }
    lastDecodeResult = r;
    MULTIPLE_LABEL_st const& newest = multiple_label[multiple_label_count - 1];
    for (int k = 0; k < 4; ++k) {
        corners[2 * k] = newest.cornerX[k];
        corners[2 * k + 1] = newest.cornerY[k];
    }
    SimulationC_DrawRectA(newest.cornerX, newest.cornerY, kDebugMarkRead);
    return 0;
}

// The start of a decode over one region: the region and the image's
// handled marks cleared, the search mode set to a region's and every
// symbology's enable off. Null when the image carries no decode records.
NEW_DECODE_INFO_st* BeginRegionDecode(tagGrayImage_t* image, tagSymbolRegion* region)
{
    NEW_DECODE_INFO_st* const info = image->decodeInfo;
    if (info == nullptr || image->handled == nullptr) {
        return nullptr;
    }
    InitializeSymbolRegionBeforeDecode(region);
    decodePhase = 0;
    std::memset(image->handled, 0, sizeof *image->handled);
    info->searchMode = 4;
    std::memset(&info->enables, 0, sizeof info->enables);
    return info;
}

int TryDecodeOnLineForFix2DEx(tagGrayImage_t* image, int x0, int y0, int x1, int y1, tagSymbolRegion* region)
{
    NEW_DECODE_INFO_st* const info = BeginRegionDecode(image, region);
    if (info == nullptr) {
        return 1;
    }
    info->enables.flag[kLegacyFlagQR] = (GetQREnable() != 0 || GetMicroQREnable() != 0) ? 1 : 0;
    info->enables.flag[kLegacyFlagMaxi] = GetMaxiEnable() != 0 ? 1 : 0;
    info->enables.flag[kLegacyFlagAztec] = (GetAztecEnable() != 0 || GetAztecRunesEnable() != 0) ? 1 : 0;
    info->enables.flag[kLegacyFlagHanXin] = GetChineseSensibleEnable() != 0 ? 1 : 0;
    if (info->enables.flag[kLegacyFlagQR] != 0 || info->enables.flag[kLegacyFlagHanXin] != 0) {
        region->inUse = 1;
    }
    int corners[8] = {};
    int const r = TryDecodeOnLineEx(0, image, x0, y0, x1, y1, corners);
    if (r == 0) {
        for (int k = 0; k < 4; ++k) {
            region->tetragon.corner[k] = {corners[2 * k], corners[2 * k + 1]};
        }
    }
    return r;
}

void clear_ahead_runlength()
{
    reset_MULTI_runlength_param();
    MULTI_PicLineInfo.count = 0;
    MULTI_RunlenA.count = 0;
    MULTI_RunlenB.count = 0;
    num_gry_runlen = 0;
    num_lap_runlen = 0;
}

void reset_multi01()
{
    reset_multiple_label();
    reset_max01();
    reset_1D();
    reset_china01();
    Set_Composite1dComponent(0);
    lastDecodeResult = kLegacyNothing;
    scanLineCount = 0;
    clear_ahead_runlength();
}

void reset_multi00()
{
    calc_line_index_SXGA();
    dec_multi_SXGA();
    clear_ahead_runlength();
    reset_struct_append();
    force_reset_multiple();
    disable_decmulti_multiple_label_mode();
}
