#include "decoder/legacy/han_xin/han_xin_finder_function.h"

#include "decoder/legacy/engine/legacy_scan_line.h"
#include "decoder/legacy/han_xin/han_xin_finder.h"
#include "decoder/legacy/han_xin/han_xin_image.h"
#include "decoder/legacy/han_xin/han_xin_runs.h"
#include "decoder/legacy/han_xin/han_xin_scale.h"

#include <cmath>
#include <cstdlib>
#include <initializer_list>

namespace {

constexpr double kPi = 3.14159265358979323846;
constexpr int kGrid = 13;
constexpr int kHalfModules = 2 * kGrid;

// The grid's positions along one axis of a finder: the offset (1/32 pixel)
// from the block's centre of each half-module index 0 .. 26 along the axis.
bool AxisScale(double cx, double cy, double ux, double uy, double vx, double vy, double module, int* along)
{
    // Through the block at 11/14 of the pattern, then 10/14 and 12/14.
    double const shifts[3] = {0, -0.5, 0.5};
    CHINA_RUNLENGTH_st& record = CHINA_runlength_info_2ND;
    record.lineMode = 1;
    record.window = static_cast<int>(3.5 * module + 0.5);
    record.runParameter = static_cast<int>(16 * module);
    for (double shift : shifts) {
        double const ox = cx + shift * module * vx;
        double const oy = cy + shift * module * vy;
        double const w = 7 * module;
        POINT_st const start{static_cast<int>(std::lround(ox - 1.5 * w * ux)), static_cast<int>(std::lround(oy - 1.5 * w * uy))};
        POINT_st const end{static_cast<int>(std::lround(ox + 0.75 * w * ux)), static_cast<int>(std::lround(oy + 0.75 * w * uy))};
        POINT_st const target{static_cast<int>(std::lround(ox)), static_cast<int>(std::lround(oy))};
        int runs[5];
        if (verify_china_finder_sequence(start, end, target, &record, nullptr, runs) != 0) {
            continue;
        }
        int const from = ChinaPatternStart(record, target);
        if (from < 0) {
            continue;
        }
        // Module edges: the pattern's L side (index 6), the middle of its
        // fourth run (index 13) and its far side (index 20).
        int const knowns[6] = {6, from, 13, from + runs[0] + runs[1] + runs[2] + runs[3] / 2, 20,
                               from + runs[0] + runs[1] + runs[2] + runs[3] + runs[4]};
        int positions[kHalfModules + 1];
        if (QR_calc_scale(positions, knowns, kHalfModules, 0) != 0) {
            continue;
        }
        // Positions run along the major axis: to offsets along the line from
        // the line's own start, then from the centre.
        double const dx = end.x - start.x;
        double const dy = end.y - start.y;
        double const major = std::fabs(dx) >= std::fabs(dy) ? std::fabs(dx) : std::fabs(dy);
        if (major == 0) {
            continue;
        }
        double const length = std::hypot(dx, dy) / major;
        double const startOffset = (start.x - ox) * ux + (start.y - oy) * uy;
        for (int i = 0; i <= kHalfModules; ++i) {
            along[i] = static_cast<int>(std::lround(32 * startOffset + positions[i] * length));
        }
        return true;
    }
    return false;
}

}  // namespace

int SampleChinaFinderString(int corner, unsigned* bits)
{
    if (corner < 0 || corner > 3 || CHINA_finder[corner].valid == 0) {
        return -1;
    }
    CHINA_FINDER_INFO_st finder = CHINA_finder[corner];
    HanXinImage const image = GetHanXinImage();
    if (finder.inverted != 0) {
        return -1;
    }
    HanXinRefineVertex(image, &finder);
    // The pattern's own axes from the L's corner: columns 135 degrees on,
    // rows 225 degrees on (the top-left pattern's right and down).
    double const ax = std::cos(finder.vertex + 3 * kPi / 4);
    double const ay = std::sin(finder.vertex + 3 * kPi / 4);
    double const bx = std::cos(finder.vertex + 5 * kPi / 4);
    double const by = std::sin(finder.vertex + 5 * kPi / 4);
    // The block's centre as a pixel-grid point (runs are taken from pixel
    // centres).
    double const cx = finder.x - 0.5;
    double const cy = finder.y - 0.5;
    int columns[kHalfModules + 1];
    int rows[kHalfModules + 1];
    if (!AxisScale(cx, cy, ax, ay, bx, by, finder.module, columns) ||
        !AxisScale(cx, cy, bx, by, ax, ay, finder.module, rows)) {
        return -1;
    }
    unsigned short grey[kGrid * kGrid];
    unsigned short sharp[kGrid * kGrid];
    for (int i = 0; i < kGrid; ++i) {
        for (int j = 0; j < kGrid; ++j) {
            // Quarter pixels.
            double const x = 4 * cx + (columns[2 * j + 1] * ax + rows[2 * i + 1] * bx) / 8;
            double const y = 4 * cy + (columns[2 * j + 1] * ay + rows[2 * i + 1] * by) / 8;
            long const qx = std::lround(x);
            long const qy = std::lround(y);
            long const px = qx >= 0 ? qx / 4 : -((-qx + 3) / 4);
            long const py = qy >= 0 ? qy / 4 : -((-qy + 3) / 4);
            grey[i * kGrid + j] = static_cast<unsigned short>(
                get_gray_dot(static_cast<int>(qx - 4 * px), static_cast<int>(qy - 4 * py), static_cast<int>(px),
                             static_cast<int>(py), 0, 0));
        }
    }
    picdot_laplacian(sharp, grey, kGrid, kGrid, kGrid);
    // Four thresholds, each the mid-range of its block of samples held row
    // after row: rows 0-6 in runs of seven from columns 0 and 7 (the latter
    // running into the next row), rows 7-12 from column 0 and from column 7
    // to the end of each row.
    int threshold[2][2];
    for (int br = 0; br < 2; ++br) {
        for (int bc = 0; bc < 2; ++bc) {
            int lo = 1 << 30;
            int hi = -1;
            for (int i = br * 7; i < (br == 0 ? 7 : kGrid); ++i) {
                int const first = i * kGrid + bc * 7;
                int const last = br == 0 ? first + 7 : (i + 1) * kGrid;
                for (int k = first; k < last && k < kGrid * kGrid; ++k) {
                    lo = grey[k] < lo ? grey[k] : lo;
                    hi = grey[k] > hi ? grey[k] : hi;
                }
            }
            threshold[br][bc] = (lo + hi) / 2;
        }
    }
    auto module = [&](int i, int j) { return sharp[i * kGrid + j] < threshold[i / 7][j / 7] ? 1u : 0u; };
    unsigned v = 0;
    if (corner != 3) {
        for (int j = 3; j <= 10; ++j) {
            v = (v << 1) | module(11, j);
        }
        for (int i = 11; i >= 3; --i) {
            v = (v << 1) | module(i, 11);
        }
    } else {
        for (int j = 9; j >= 1; --j) {
            v = (v << 1) | module(1, j);
        }
        for (int i = 2; i <= 9; ++i) {
            v = (v << 1) | module(i, 1);
        }
    }
    *bits = v;
    return 0;
}

int ReadChinaFunctionInfoAtFinders(int* corrections, CHINA_FUNCTION_INFO_st* info)
{
    unsigned strings[4] = {};
    bool sampled[4] = {};
    for (int c = 0; c < 4; ++c) {
        sampled[c] = SampleChinaFinderString(c, &strings[c]) == 0;
    }
    for (int first : {0, 2}) {
        for (int second : {1, 3}) {
            if (!sampled[first] || !sampled[second]) {
                continue;
            }
            unsigned long long const bits = (static_cast<unsigned long long>(strings[first]) << 17) | strings[second];
            unsigned short nibbles[7];
            int spare = 0;
            SplitHanXinFunctionBits(bits, nibbles, &spare);
            int const corrected = CorrectErrs_CHINA(nibbles);
            CHINA_FUNCTION_INFO_st parsed{};
            if (corrected >= 0 && ParseHanXinFunctionInfo(nibbles, spare, &parsed) == 0) {
                *info = parsed;
                *corrections = corrected;
                return 0;
            }
        }
    }
    return -1;
}
