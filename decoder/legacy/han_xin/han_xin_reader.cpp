#include "decoder/legacy/han_xin/han_xin_reader.h"

#include "decoder/legacy/han_xin/han_xin_correction.h"
#include "decoder/legacy/han_xin/han_xin_finder.h"
#include "decoder/legacy/han_xin/han_xin_grid.h"
#include "decoder/legacy/han_xin/han_xin_lattice.h"
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
        set_aim_codeID(gLabel.aim, 4, gLabel.eci);
    }
    set_result2multiple_label(&CHINA_multiple_label, &CHINA_struct_append, gLabel.cornerX, gLabel.cornerY,
                              failure ? nullptr : gLabel.data,
                              failure ? nullptr : gLabel.data + kHanXinAnswerCapacity - 1,
                              failure ? 0 : gLabel.count, reinterpret_cast<signed char const*>(gLabel.aim),
                              kLegacyHanXin, kind, code);
    determine_multiple_label_status(&CHINA_multiple_label);
    if (failure && CHINA_finder_count > 1) {
        CHINA_multiple_label.status = 3;
    }
    return register_multiple_label_data(&CHINA_multiple_label);
}

// Samples and decodes the grid, again sharpened when its blocks fail (blur
// may have faded single modules): DecodeHanXinGrid's answer.
int ReadGrid(HanXinImage const& image, CHINA_FUNCTION_INFO_st const& info, HanXinMapping const& mapping,
             HanXinText* text)
{
    if (SampleHanXinGrid(image, info, mapping, false) != 0) {
        return -2;
    }
    // Blocks of nothing but zeros pass correction and hold no message: a
    // grid laid over blank label, not a symbol.
    int decoded = DecodeHanXinGrid(CHINA_module_grid, info, gLabel.data, kHanXinAnswerCapacity, text);
    decoded = decoded == 0 && text->count == 0 ? -1 : decoded;
    if (decoded == -1 && SampleHanXinGrid(image, info, mapping, true) == 0) {
        *text = HanXinText{};
        decoded = DecodeHanXinGrid(CHINA_module_grid, info, gLabel.data, kHanXinAnswerCapacity, text);
        decoded = decoded == 0 && text->count == 0 ? -1 : decoded;
    }
    return decoded;
}

// Reads the symbol placed by the mapping, and again on its alignment
// lattice when its blocks fail: over a large symbol the modules drift off
// the finders' fit, the lattice holds them. The mapping read with is left in
// *mapping.
int DecodeOnLattice(HanXinImage const& image, CHINA_FUNCTION_INFO_st const& info, HanXinMapping* mapping,
                    HanXinText* text)
{
    *text = HanXinText{};
    int decoded = ReadGrid(image, info, *mapping, text);
    if (decoded == -1 && info.m >= 1 && mapping->lattice == nullptr &&
        get_CHINA_alignment_pattern(image, info, *mapping, &gLattice) > 0) {
        HanXinMapping onLattice = *mapping;
        onLattice.lattice = &gLattice;
        *text = HanXinText{};
        if (ReadGrid(image, info, onLattice, text) == 0) {
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
        gLabel.cornerX[i] = static_cast<int>(std::lround(xs[i]));
        gLabel.cornerY[i] = static_cast<int>(std::lround(ys[i]));
    }
    HanXinAddFoundArea(xs, ys);
}

}  // namespace

CHINA_FUNCTION_INFO_st CHINA_function_info;

HanXinLabel const& GetHanXinLabel() { return gLabel; }

int search_finder_CHINA(POINT_st* start, POINT_st* end, int)
{
    if (start == nullptr || end == nullptr || GetChineseSensibleEnable() == 0) {
        return -1;
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
    // Five module widths (width in 1/32 pixel) either side of the point.
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
    search_remaining_finders_CHINA(image);
    CHINA_FINDER_INFO_st const newest = CHINA_finder[CHINA_finder_count - 1];
    int const kept = adjust_finder_circulation_CHINA();
    if (kept < 0) {
        return 129;
    }
    for (CHINA_FINDER_INFO_st const& finder : CHINA_finder) {
        image.inverted = finder.valid != 0 ? finder.inverted : image.inverted;
    }
    CHINA_function_info = CHINA_FUNCTION_INFO_st{};
    HanXinMapping mapping{};
    HanXinText text{};
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
        int const result = DecodeOnLattice(image, tried, &at, &text);
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
            gLabel.count = 0;
            gLabel.eci = 0;
            FileCorners(mapping, CHINA_function_info.size);
            register_CHINA_area(kLegacyNothing, kLegacyNothing);
        }
        return 129;
    }
    if (CheckChineseSensibleLength(static_cast<unsigned>(text.count) & 0xFFFF) == 0) {
        return 129;
    }
    gLabel.count = text.count;
    gLabel.eci = text.eci;
    gLabel.aim[0] = ']';
    gLabel.aim[1] = 'X';
    gLabel.aim[2] = text.eci != 0 ? '1' : '0';
    gLabel.aim[3] = '\0';
    gLabel.info = CHINA_function_info;
    FileCorners(mapping, CHINA_function_info.size);
    register_CHINA_area(28, kLegacyHanXin);
    return kLegacyHanXin;
}

void reset_china02() { init_CHINA_finder(); }

void reset_china01()
{
    gFrameSearched = false;
    init_CHINA_searched_area();
    init_CHINA_found_finder_count();
    reset_china02();
}

void reset_china00()
{
    InitTables_CHINA();
    reset_china01();
}
