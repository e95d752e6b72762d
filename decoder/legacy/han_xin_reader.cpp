#include "decoder/legacy/han_xin_reader.h"

#include "decoder/legacy/han_xin_correction.h"
#include "decoder/legacy/han_xin_finder.h"
#include "decoder/legacy/han_xin_grid.h"
#include "decoder/legacy/han_xin_symbol.h"
#include "decoder/legacy/legacy_settings_bridge.h"

#include <cmath>

namespace {

HanXinLabel gLabel{};

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

HanXinLabel const& GetHanXinLabel() { return gLabel; }

int HanXinSearchFinderOnLine(int x0, int y0, int x1, int y1)
{
    if (GetChineseSensibleEnable() == 0) {
        return -1;
    }
    HanXinImage const& image = GetHanXinImage();
    return HanXinSearchLine(image, x0 + 0.5, y0 + 0.5, x1 + 0.5, y1 + 0.5) > 0 ? 0 : -1;
}

int decode_china()
{
    if (GetChineseSensibleEnable() == 0 || CHINA_finder_count <= 0) {
        return 129;
    }
    HanXinImage image = GetHanXinImage();
    search_remaining_finders_CHINA(image);
    if (adjust_finder_circulation_CHINA() < 0) {
        return 129;
    }
    for (CHINA_FINDER_INFO_st const& finder : CHINA_finder) {
        image.inverted = finder.valid != 0 ? finder.inverted : image.inverted;
    }
    CHINA_FUNCTION_INFO_st info{};
    HanXinMapping mapping{};
    int corrections = 0;
    if (get_CHINA_function_info(image, &corrections, &info, &mapping) != 0 ||
        SampleHanXinGrid(image, info, mapping) != 0) {
        return 129;
    }
    HanXinText text{};
    if (DecodeHanXinGrid(CHINA_module_grid, info, gLabel.data, kHanXinAnswerCapacity, &text) != 0) {
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
    gLabel.info = info;
    FileCorners(mapping, info.size);
    return 53;
}

void reset_china02() { init_CHINA_finder(); }

void reset_china01()
{
    init_CHINA_searched_area();
    init_CHINA_found_finder_count();
    reset_china02();
}

void reset_china00()
{
    InitTables_CHINA();
    reset_china01();
}
