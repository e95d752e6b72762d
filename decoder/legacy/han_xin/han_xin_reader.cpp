#include "decoder/legacy/han_xin/han_xin_reader.h"

#include "decoder/legacy/han_xin/han_xin_correction.h"
#include "decoder/legacy/han_xin/han_xin_data.h"
#include "decoder/legacy/han_xin/han_xin_finder.h"
#include "decoder/legacy/han_xin/han_xin_grid.h"
#include "decoder/legacy/han_xin/han_xin_lattice.h"
#include "decoder/legacy/han_xin/han_xin_run_search.h"
#include "decoder/legacy/han_xin/han_xin_runs.h"
#include "decoder/legacy/han_xin/han_xin_symbol.h"
#include "decoder/legacy/engine/legacy_geometry.h"
#include "decoder/legacy/engine/legacy_reader_entries.h"
#include "decoder/legacy/engine/legacy_result.h"
#include "decoder/legacy/engine/legacy_settings_bridge.h"

#include <cmath>

namespace {

HanXinLabel gLabel{};
// Whether this image's rows were searched for finders as a whole.
bool gFrameSearched = false;
MULTIPLE_LABEL_st CHINA_multiple_label;
HanXinLattice gLattice;
STRUCT_APPEND_st CHINA_struct_append;

// Files the read (kind 28, code 53) or a failure (kind 129) in the engine's
// result table.
int register_CHINA_area(int kind, int code)
{
    init_struct_append(&CHINA_struct_append);
    bool const failure = (kind & 0x80) != 0;
    if (!failure) {
        CHINA_aim_id[0] = ']';
        CHINA_aim_id[1] = 'X';
        CHINA_aim_id[2] = CHINA_ECI_flag != 0 ? '1' : '0';
        CHINA_aim_id[3] = '\0';
        set_aim_codeID(CHINA_aim_id, 4, CHINA_ECI_flag);
    }
    set_result2multiple_label(&CHINA_multiple_label, &CHINA_struct_append, CHINA_decoded_area_x, CHINA_decoded_area_y,
                              failure ? nullptr : gLabel.data,
                              failure ? nullptr : gLabel.data + kHanXinAnswerCapacity - 1,
                              failure ? 0 : CHINA_final_data_count, reinterpret_cast<signed char const*>(CHINA_aim_id),
                              kLegacyHanXin, kind, code);
    determine_multiple_label_status(&CHINA_multiple_label);
    if (failure && CHINA_finder_count > 1) {
        CHINA_multiple_label.status = 3;
    }
    return register_multiple_label_data(&CHINA_multiple_label);
}

// Samples and decodes the grid, again sharpened when its blocks fail (blur
// may have faded single modules): DecodeHanXinGrid's answer.
int ReadGrid(HanXinImage const& image, CHINA_FUNCTION_INFO_st const& info, HanXinMapping const& mapping)
{
    if (SampleHanXinGrid(image, info, mapping, false) != 0) {
        return -2;
    }
    // Blocks of nothing but zeros pass correction and hold no message: a
    // grid laid over blank label, not a symbol.
    int decoded = DecodeHanXinGrid(CHINA_module_grid, info);
    decoded = decoded == 0 && CHINA_final_data_count == 0 ? -1 : decoded;
    if (decoded == -1 && SampleHanXinGrid(image, info, mapping, true) == 0) {
        decoded = DecodeHanXinGrid(CHINA_module_grid, info);
        decoded = decoded == 0 && CHINA_final_data_count == 0 ? -1 : decoded;
    }
    return decoded;
}

// Reads the symbol placed by the mapping, and again on its alignment
// lattice when its blocks fail: over a large symbol the modules drift off
// the finders' fit, the lattice holds them. The mapping read with is left in
// *mapping.
int DecodeOnLattice(HanXinImage const& image, CHINA_FUNCTION_INFO_st const& info, HanXinMapping* mapping)
{
    int decoded = ReadGrid(image, info, *mapping);
    if (decoded == -1 && info.m >= 1 && mapping->lattice == nullptr &&
        get_CHINA_alignment_pattern(image, info, *mapping, &gLattice) > 0) {
        HanXinMapping onLattice = *mapping;
        onLattice.lattice = &gLattice;
        if (ReadGrid(image, info, onLattice) == 0) {
            decoded = 0;
            *mapping = onLattice;
        }
    }
    return decoded;
}

void FileCorners(HanXinMapping const& mapping, int size)
{
    double const corners[4][2] = {{0, 0}, {1.0 * size, 0}, {1.0 * size, 1.0 * size}, {0, 1.0 * size}};
    double xs[4];
    double ys[4];
    for (int i = 0; i < 4; ++i) {
        mapping.Map(corners[i][0], corners[i][1], &xs[i], &ys[i]);
        CHINA_decoded_area_x[i] = static_cast<int>(std::lround(xs[i]));
        CHINA_decoded_area_y[i] = static_cast<int>(std::lround(ys[i]));
    }
    HanXinAddFoundArea(xs, ys);
}

}  // namespace

CHINA_FUNCTION_INFO_st CHINA_function_info;
char CHINA_aim_id[4];
int CHINA_decoded_area_x[4];
int CHINA_decoded_area_y[4];

HanXinLabel const& GetHanXinLabel() { return gLabel; }

int search_finder_CHINA(POINT_st* start, POINT_st* end, int mode)
{
    if (start == nullptr || end == nullptr || GetChineseSensibleEnable() == 0) {
        return -1;
    }
    // The run windows of the line first, checked across on lines of their
    // own; the ray checks of the line search behind them take light-on-dark
    // patterns and those the windows miss.
    if (SearchChinaFinderLine(*start, *end, mode == 1 ? 2 : 1) > 0) {
        return 0;
    }
    // Pixel centres: the line runs through the middle of its end pixels.
    HanXinImage const image = GetHanXinImage();
    if (HanXinSearchLine(image, start->x + 0.5, start->y + 0.5, end->x + 0.5, end->y + 0.5) > 0) {
        return 0;
    }
    // The line was laid where something like a finder was seen, but it
    // missed it (a tilted symbol shows the pattern on few rows): once an
    // image, every third row of the frame is searched instead.
    if (!gFrameSearched) {
        gFrameSearched = true;
        for (int y = 1; y < image.height && CHINA_finder_count < kHanXinMaxFinders; y += 3) {
            HanXinSearchLine(image, 0.5, y + 0.5, image.width - 0.5, y + 0.5);
        }
    }
    return CHINA_finder_count > 0 ? 0 : -1;
}

unsigned CHINA_check_finderH3(POINT_st* point, int modules, int width, int)
{
    if (point == nullptr || modules <= 0 || width <= 0 || GetChineseSensibleEnable() == 0) {
        return 129;
    }
    // Five module widths (width in 1/32 pixel) either side of the point,
    // searched on its run windows first.
    int const reachPixels = ((5 * width + modules / 2) / modules + 16) >> 5;
    CHINA_RUNLENGTH_st line{};
    line.start = POINT_st{point->x, point->y - reachPixels};
    line.end = POINT_st{point->x, point->y + reachPixels};
    line.lineMode = 1;
    line.window = (((5 * width + modules) / (2 * modules)) + 16) >> 5;
    line.runParameter = (width + 2 * modules) / (4 * modules);
    line.contrast = kChinaThresholdContrast;
    line.runs = CHINA_runlength_int;
    line.capacity = kChinaLineRuns;
    if (point_in_inner_frame(line.start.x, line.start.y, 0) != 0 && point_in_inner_frame(line.end.x, line.end.y, 0) != 0 &&
        china_make_runlength(&line) == 0 && SearchChinaFinderRuns(line) > 0) {
        return 53;
    }
    double const reach = 5.0 * width / modules / 32;
    double const x = point->x + 0.5;
    double const y = point->y + 0.5;
    return HanXinSearchLine(GetHanXinImage(), x, y - reach, x, y + reach) > 0 ? 53 : 129;
}

int decode_china()
{
    if (GetChineseSensibleEnable() == 0 || CHINA_finder_count <= 0) {
        return 129;
    }
    HanXinImage image = GetHanXinImage();
    if (image.pixels == nullptr) {
        return 129;
    }
    CHINA_final_data = gLabel.data;
    CHINA_final_data_capacity = kHanXinAnswerCapacity;
    CHINA_runlength_info_REMAINING = CHINA_runlength_info_VERIFY;
    CHINA_runlength_info_2ND = CHINA_runlength_info_VERIFY;
    CHINA_FINDER_INFO_st const newest = CHINA_finder[CHINA_finder_count - 1];
    search_remaining_finders_CHINA(image, newest, &CHINA_runlength_info_REMAINING, false);
    // Short of four finders that fit one symbol, the ray checks search the
    // lines again (light-on-dark symbols, small far finders).
    CHINA_FINDER_INFO_st found[kHanXinMaxFinders];
    int const foundCount = CHINA_finder_count;
    for (int i = 0; i < kHanXinMaxFinders; ++i) {
        found[i] = CHINA_finder[i];
    }
    int kept = adjust_finder_circulation_CHINA();
    if (kept < 4) {
        for (int i = 0; i < kHanXinMaxFinders; ++i) {
            CHINA_finder[i] = found[i];
        }
        CHINA_finder_count = foundCount;
        search_remaining_finders_CHINA(image, newest, &CHINA_runlength_info_REMAINING, true);
        kept = adjust_finder_circulation_CHINA();
    }
    if (kept < 0) {
        return 129;
    }
    for (CHINA_FINDER_INFO_st const& finder : CHINA_finder) {
        image.inverted = finder.valid != 0 ? finder.inverted : image.inverted;
    }
    CHINA_function_info = CHINA_FUNCTION_INFO_st{};
    HanXinMapping mapping{};
    int decoded = -3;
    // One or two finders look alike from three corners, and the function
    // information reads alike turned half round: each numbering is tried
    // until the symbol decodes.
    int const numberings = kept <= 2 ? 4 : 1;
    for (int c = 0; c < 4 && kept <= 2; ++c) {
        if (CHINA_finder[c].valid != 0) {
            // Alone, a finder's own turn places the symbol's far side.
            HanXinRefineVertex(image, &CHINA_finder[c]);
        }
    }
    bool placed = false;
    for (int turn = 0; turn < numberings && decoded != 0; ++turn) {
        if (turn > 0) {
            HanXinTurnCorners();
        }
        CHINA_FUNCTION_INFO_st tried{};
        HanXinMapping at{};
        int corrections = 0;
        if (get_CHINA_function_info(image, &corrections, &tried, &at) != 0) {
            continue;
        }
        int const result = DecodeOnLattice(image, tried, &at);
        if (!placed || result == 0) {
            // The first placement stands for the failure report, on the
            // finders' fit alone (a later numbering reuses the lattices).
            CHINA_function_info = tried;
            mapping = at;
            mapping.lattice = result == 0 ? mapping.lattice : nullptr;
            decoded = result;
            placed = true;
        }
    }
    // Three or four finders are spent with their symbol, read or not; one
    // or two that give no symbol may yet join finders met later.
    HanXinSetFindersTried(placed || kept >= 3 ? nullptr : &newest);
    if (!placed) {
        return 129;
    }
    if (decoded != 0) {
        if (decoded == -1) {
            // The symbol was placed but its blocks could not be corrected.
            CHINA_final_data_count = 0;
            CHINA_ECI_flag = 0;
            FileCorners(mapping, CHINA_function_info.size);
            register_CHINA_area(kLegacyNothing, kLegacyNothing);
        }
        return 129;
    }
    if (CheckChineseSensibleLength(static_cast<unsigned>(CHINA_final_data_count) & 0xFFFF) == 0) {
        return 129;
    }
    gLabel.count = CHINA_final_data_count;
    gLabel.eci = CHINA_ECI_flag;
    gLabel.info = CHINA_function_info;
    FileCorners(mapping, CHINA_function_info.size);
    register_CHINA_area(28, kLegacyHanXin);
    return kLegacyHanXin;
}

void reset_china02()
{
    init_CHINA_finder();
    reset_CHINA_runlength_param();
}

void reset_china01()
{
    gFrameSearched = false;
    init_CHINA_searched_area();
    init_CHINA_found_finder_count();
    reset_china02();
}

void reset_china00()
{
    CHINA_final_data = gLabel.data;
    CHINA_final_data_capacity = kHanXinAnswerCapacity;
    InitTables_CHINA();
    reset_china01();
}
