#include "decoder/legacy/han_xin/han_xin_run_search.h"

#include "decoder/legacy/engine/legacy_driver.h"
#include "decoder/legacy/engine/legacy_result.h"
#include "decoder/legacy/engine/legacy_run_length.h"
#include "decoder/legacy/engine/legacy_scan_line.h"
#include "decoder/legacy/engine/legacy_run_length_utilities.h"
#include "decoder/legacy/han_xin/han_xin_finder.h"
#include "decoder/legacy/han_xin/han_xin_image.h"

#include <cmath>
#include <cstdlib>

namespace {

constexpr int kLegacyHanXinCode = 53;
// Noise runs of the searched line: shorter than two pixels.
constexpr int kSearchNoise = 64;
// Threshold window of the searched line, pixels.
constexpr int kSearchWindow = 32;

// Turns tried across a window: while no finder is held, and afterwards.
int const kFirstTurns[4] = {-90, -30, 30, 90};
int const kLaterTurns[4] = {90, 30, -30, -90};

int ClipX(int x)
{
    int const w = COM_screen_width();
    return x < 1 ? 1 : (x > w - 2 ? w - 2 : x);
}

int ClipY(int y)
{
    int const h = COM_screen_height();
    return y < 1 ? 1 : (y > h - 2 ? h - 2 : y);
}

// The line through centre along (vx, vy): from 3/2 of it behind to 3/4 ahead.
void LineThrough(POINT_st centre, int vx, int vy, POINT_st* start, POINT_st* end)
{
    start->x = ClipX(centre.x - (3 * vx) / 2);
    start->y = ClipY(centre.y - (3 * vy) / 2);
    end->x = ClipX(centre.x + (3 * vx) / 4);
    end->y = ClipY(centre.y + (3 * vy) / 4);
}

bool Near(int a, int b, int tolerance) { return std::abs(a - b) < tolerance; }

// Window r0..r4 read forward (1:1:1:1:3, the block last) or reverse: 1 or
// -1, 0 when neither. Reverse wins when both fit.
int Orientation(int const* r)
{
    int const p[4] = {r[0] + r[1], r[1] + r[2], r[2] + r[3], r[3] + r[4]};
    bool const forward = std::abs(2 * p[1] - 3 * p[3] / 2) < 3 * p[1] / 2 && Near(p[2], p[1], p[1] / 2) &&
                         Near(p[1], p[0], p[1] / 2) && r[2] < r[4];
    bool const reverse = std::abs(2 * p[2] - 3 * p[0] / 2) < 3 * p[2] / 2 && Near(p[1], p[2], p[2] / 2) &&
                         Near(p[2], p[3], p[2] / 2) && r[2] < r[0];
    return reverse ? -1 : (forward ? 1 : 0);
}

// Module widths of the window read from its L's side: 1, 1, 1 and 2 or 3.
bool ModulesFit(int const* window, int orientation)
{
    int r[5];
    for (int i = 0; i < 5; ++i) {
        r[i] = orientation > 0 ? window[i] : window[4 - i];
    }
    long const S = static_cast<long>(r[0]) + r[1] + r[2] + r[3];
    if (S <= 0) {
        return false;
    }
    int widths[5] = {1, 0, 0, 0, 0};
    for (int i = 0; i < 4; ++i) {
        long const p = r[i] + r[i + 1];
        widths[i + 1] = static_cast<int>((8 * p + S) / (2 * S)) - widths[i];
    }
    return widths[1] == 1 && widths[2] == 1 && widths[3] == 1 && (widths[4] == 2 || widths[4] == 3);
}

// The driver's runs of this very line (grey for line mode 1, sharpened for
// 2), noise runs merged, into line: false when the driver sampled another.
bool DriverRuns(CHINA_RUNLENGTH_st* line)
{
    PICLINE_INFO const& p = MULTI_PicLineInfo;
    RUNLEN_OUT const& out = line->lineMode == 2 ? MULTI_RunlenB : MULTI_RunlenA;
    if (p.count <= 0 || p.x0 != line->start.x || p.y0 != line->start.y || p.x1 != line->end.x ||
        p.y1 != line->end.y || out.runs == nullptr || out.count <= 0) {
        return false;
    }
    static unsigned short work[kLegacyRunCapacity];
    int n = out.count < kLegacyRunCapacity - 3 ? out.count : kLegacyRunCapacity - 3;
    for (int i = 0; i < n; ++i) {
        work[i] = out.runs[i];
    }
    work[n] = kLegacyRunEnd;
    work[n + 1] = kLegacyRunEnd;
    work[n + 2] = 0;
    n = ex_cut_noize(work, nullptr, line->runParameter, 0);
    int first = 0;
    long total = 0;
    line->lead = 0;
    if (n > 0 && out.firstColour == 0) {
        line->lead = work[0];
        total = work[0];
        first = 1;
    }
    line->count = 0;
    for (int i = first; i < n && line->count < line->capacity; ++i) {
        line->runs[line->count++] = work[i];
        total += work[i];
    }
    line->sampledFrom = 0;
    line->sampledTo = static_cast<int>(total);
    line->sampledLength = line->sampledTo;
    return true;
}

POINT_st PointAt(CHINA_RUNLENGTH_st const& line, long position)
{
    POINT_st p{line.start.x, line.start.y};
    transfer_ryo2xyB(&p.x, &p.y, static_cast<int>(position), line.start.x, line.start.y, line.end.x, line.end.y);
    return p;
}

}  // namespace

bool VerifyChinaFinderAcross(POINT_st windowStart, POINT_st windowEnd, POINT_st centre, int width, int lineMode)
{
    CHINA_RUNLENGTH_st& verify = CHINA_runlength_info_VERIFY;
    verify.lineMode = lineMode;
    verify.window = ((width + 1) / 2 + 16) >> 5;
    verify.runParameter = (width + 14) / 28;
    verify.contrast = kChinaThresholdContrast;
    int const wx = windowEnd.x - windowStart.x;
    int const wy = windowEnd.y - windowStart.y;
    int const* turns = CHINA_finder_count == 0 ? kFirstTurns : kLaterTurns;
    for (int t = 0; t < 4; ++t) {
        POINT_st points[3];
        int runs[5];
        int vx = 0;
        int vy = 0;
        POINT_st start{};
        POINT_st end{};
        Rotate_Vector104_33(turns[t], wx, wy, &vx, &vy);
        LineThrough(centre, vx, vy, &start, &end);
        if (verify_china_finder_sequence(start, end, centre, &verify, points, runs) != 0) {
            continue;
        }
        Rotate_Vector104_33(turns[t] / 2, wx, wy, &vx, &vy);
        LineThrough(centre, vx, vy, &start, &end);
        if (verify_china_finder_sequence(start, end, centre, &verify, points, runs, true) == 0) {
            return true;
        }
    }
    return false;
}

int SearchChinaFinderRuns(CHINA_RUNLENGTH_st const& line)
{
    if (line.count < 6) {
        return 0;
    }
    HanXinImage const image = GetHanXinImage();
    int added = 0;
    long start = line.lead;
    for (int i = 0; i + 4 < line.count && CHINA_finder_count < kHanXinMaxFinders; i += 2) {
        int r[5];
        long T = 0;
        for (int j = 0; j < 5; ++j) {
            r[j] = line.runs[i + j];
            T += r[j];
        }
        long const windowStart = start;
        start += line.runs[i] + line.runs[i + 1];
        int const orientation = T >= kChinaLeastWindow ? Orientation(r) : 0;
        if (orientation == 0 || !ModulesFit(r, orientation)) {
            continue;
        }
        long const centreAt = windowStart + (orientation > 0 ? (11 * T + 7) / 14 : (3 * T + 7) / 14);
        POINT_st a = PointAt(line, windowStart);
        POINT_st b = PointAt(line, windowStart + T);
        POINT_st const centre = PointAt(line, centreAt);
        POINT_st const middle = PointAt(line, windowStart + T / 2);
        if (HanXinEarlierFinderAt(centre.x + 0.5, centre.y + 0.5)) {
            // Met on an earlier line: kept again while its symbol was not tried.
            added += HanXinOfferCandidate(image, centre.x + 0.5, centre.y + 0.5, 0, 0, true);
            continue;
        }
        if (HanXinCandidateKnown(middle.x + 0.5, middle.y + 0.5) || HanXinCandidateKnown(centre.x + 0.5, centre.y + 0.5)) {
            continue;
        }
        // A first finder in an area already read as Han Xin is that symbol's.
        if (CHINA_finder_count == 0 && point_in_valid_region(middle.x, middle.y) == 0 &&
            point_in_multiple_label_area(middle.x, middle.y, kLegacyHanXinCode) != 0) {
            continue;
        }
        if (orientation < 0) {
            POINT_st const swap = a;
            a = b;
            b = swap;
        }
        if (!VerifyChinaFinderAcross(a, b, centre, static_cast<int>(T), line.lineMode)) {
            continue;
        }
        double const pixels = std::hypot(static_cast<double>(b.x - a.x), static_cast<double>(b.y - a.y));
        double const towardCorner = std::atan2(static_cast<double>(a.y - b.y), static_cast<double>(a.x - b.x));
        added += HanXinOfferCandidate(image, centre.x + 0.5, centre.y + 0.5, pixels, towardCorner, true);
    }
    return added;
}

int SearchChinaFinderLine(POINT_st start, POINT_st end, int lineMode)
{
    CHINA_RUNLENGTH_st line{};
    line.start = start;
    line.end = end;
    line.lineMode = lineMode;
    line.runParameter = kSearchNoise;
    line.window = kSearchWindow;
    line.contrast = kChinaThresholdContrast;
    line.runs = CHINA_runlength_int;
    line.capacity = kChinaLineRuns;
    if (!DriverRuns(&line) && china_make_runlength(&line) != 0) {
        return 0;
    }
    return SearchChinaFinderRuns(line);
}
