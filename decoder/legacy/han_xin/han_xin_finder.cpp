#include "decoder/legacy/han_xin/han_xin_finder.h"

#include "decoder/legacy/han_xin/han_xin_run_search.h"

#include <cmath>

CHINA_FINDER_INFO_st CHINA_finder[kHanXinMaxFinders];
int CHINA_finder_count = 0;

void swap_finder_CHINA(CHINA_FINDER_INFO_st* a, CHINA_FINDER_INFO_st* b)
{
    CHINA_FINDER_INFO_st const t = *a;
    *a = *b;
    *b = t;
}

namespace {

constexpr double kPi = 3.14159265358979323846;

// Candidates already examined on this image (square about the centre).
struct Area {
    double x, y, half;
};
constexpr int kMaxSearched = 256;
Area gSearched[kMaxSearched];
int gSearchedCount = 0;

// Outlines of symbols already handled on this image.
constexpr int kMaxFound = 20;
double gFoundX[kMaxFound][4];
double gFoundY[kMaxFound][4];
int gFoundCount = 0;

// Every finder verified on this image, and the windows already scanned for
// a symbol's other finders: a second finder of the same symbol, or a pattern
// in its data, does not scan the window again.
constexpr int kMaxImageFinders = 32;
CHINA_FINDER_INFO_st gImageFinders[kMaxImageFinders];
bool gImageFinderUsed[kMaxImageFinders];
int gImageFinderCount = 0;
constexpr int kMaxScanned = 8;
double gScanned[kMaxScanned][5];  // left, top, right, bottom; 1 when the ray checks ran
int gScannedCount = 0;

HanXinRuns gRuns;

// Narrowest pattern (pixels) a line search takes: a finder across the frame
// must be wide enough not to be mistaken in noise; beside a finder found,
// under perspective, the far ones may be narrower.
constexpr double kLeastWidth = 10;
constexpr double kLeastWidthBeside = 7;
double gLeastWidth = kLeastWidth;

// Flood fill scratch: a square box about the candidate.
constexpr int kBox = 200;
unsigned char gSeen[kBox * kBox];
unsigned short gBoxGrey[kBox * kBox];
int gQueue[kBox * kBox];

bool InQuad(double const* xs, double const* ys, double x, double y)
{
    bool inside = false;
    for (int i = 0, j = 3; i < 4; j = i++) {
        if ((ys[i] > y) != (ys[j] > y) && x < (xs[j] - xs[i]) * (y - ys[i]) / (ys[j] - ys[i]) + xs[i]) {
            inside = !inside;
        }
    }
    return inside;
}

bool Same(CHINA_FINDER_INFO_st const& a, CHINA_FINDER_INFO_st const& b) { return a.x == b.x && a.y == b.y; }

// A finder verified earlier on this image at (x, y): its index, or -1.
int ImageFinderAt(double x, double y)
{
    for (int i = 0; i < gImageFinderCount; ++i) {
        if (std::hypot(gImageFinders[i].x - x, gImageFinders[i].y - y) < 2.5 * gImageFinders[i].module) {
            return i;
        }
    }
    return -1;
}

bool Held(CHINA_FINDER_INFO_st const& f)
{
    for (int i = 0; i < CHINA_finder_count; ++i) {
        if (Same(CHINA_finder[i], f)) {
            return true;
        }
    }
    return false;
}

bool InFoundArea(double x, double y)
{
    for (int i = 0; i < gFoundCount; ++i) {
        if (InQuad(gFoundX[i], gFoundY[i], x, y)) {
            return true;
        }
    }
    return false;
}

// The finder the search started from stays the newest.
void KeepSeedLast(CHINA_FINDER_INFO_st const& seed)
{
    for (int i = 0; i + 1 < CHINA_finder_count; ++i) {
        if (Same(CHINA_finder[i], seed)) {
            swap_finder_CHINA(&CHINA_finder[i], &CHINA_finder[CHINA_finder_count - 1]);
            return;
        }
    }
}

bool Known(double x, double y)
{
    for (int i = 0; i < CHINA_finder_count; ++i) {
        CHINA_FINDER_INFO_st const& f = CHINA_finder[i];
        if (std::hypot(f.x - x, f.y - y) < 3.5 * f.module) {
            return true;
        }
    }
    for (int i = 0; i < gSearchedCount; ++i) {
        if (std::fabs(gSearched[i].x - x) < gSearched[i].half && std::fabs(gSearched[i].y - y) < gSearched[i].half) {
            return true;
        }
    }
    for (int i = 0; i < gFoundCount; ++i) {
        if (InQuad(gFoundX[i], gFoundY[i], x, y)) {
            return true;
        }
    }
    return false;
}

// The 3 x 3 block: the dark region about the candidate, cut at the local
// mid-range. Its centroid and area give the centre and the module size.
bool FindBlock(HanXinImage const& image, double x, double y, double module, double* cx, double* cy, double* size,
               int* threshold)
{
    int const radius = static_cast<int>(4.5 * module) + 2;
    if (2 * radius + 1 > kBox) {
        return false;
    }
    int const left = static_cast<int>(std::floor(x)) - radius;
    int const top = static_cast<int>(std::floor(y)) - radius;
    int const side = 2 * radius + 1;
    int lo = 1 << 30;
    int hi = -1;
    for (int j = 0; j < side; ++j) {
        for (int i = 0; i < side; ++i) {
            int const g = HanXinPixel(image, left + i, top + j);
            gBoxGrey[j * side + i] = static_cast<unsigned short>(g);
            lo = g < lo ? g : lo;
            hi = g > hi ? g : hi;
        }
    }
    if (hi - lo < kHanXinMinContrast) {
        return false;
    }
    int const t = (lo + hi + 1) / 2;
    auto dark = [&](int i, int j) { return gBoxGrey[j * side + i] < t; };
    // Seed: the darkest of the pixels next to the candidate.
    int seed = -1;
    for (int d = 0; d <= 2 && seed < 0; ++d) {
        for (int j = radius - d; j <= radius + d && seed < 0; ++j) {
            for (int i = radius - d; i <= radius + d && seed < 0; ++i) {
                if (dark(i, j)) {
                    seed = j * side + i;
                }
            }
        }
    }
    if (seed < 0) {
        return false;
    }
    for (int i = 0; i < side * side; ++i) {
        gSeen[i] = 0;
    }
    int head = 0;
    int tail = 0;
    gQueue[tail++] = seed;
    gSeen[seed] = 1;
    double sx = 0;
    double sy = 0;
    while (head < tail) {
        int const p = gQueue[head++];
        int const i = p % side;
        int const j = p / side;
        if (i == 0 || j == 0 || i == side - 1 || j == side - 1) {
            return false;  // runs on beyond a block
        }
        sx += i;
        sy += j;
        int const next[4] = {p - 1, p + 1, p - side, p + side};
        for (int q : next) {
            if (gSeen[q] == 0 && dark(q % side, q / side)) {
                gSeen[q] = 1;
                gQueue[tail++] = q;
            }
        }
    }
    double const area = tail;
    *cx = left + sx / area + 0.5;
    *cy = top + sy / area + 0.5;
    *size = std::sqrt(area) / 3;
    *threshold = t;
    return *size >= 0.5 * module && *size <= 1.3 * module && *size >= 1.0;
}

// Reads the ray from the block centre in direction a: block, light, dark,
// light, dark, light, the widths 1.5:1:1:1:1 of a common unit.
bool RayReadsPattern(HanXinImage const& image, double x, double y, double a, double module, int threshold)
{
    double const step = module / 3;
    double const dx = std::cos(a) * step;
    double const dy = std::sin(a) * step;
    int const steps = static_cast<int>(11 * module / step);
    double widths[6] = {};
    int run = 0;
    bool dark = true;
    for (int s = 0; s < steps && run < 6; ++s) {
        bool const d = HanXinGrey(image, x + dx * s, y + dy * s) < threshold;
        if (d != dark) {
            ++run;
            dark = d;
            if (run == 6) {
                break;
            }
        }
        widths[run] += 1;
    }
    if (run < 5 || (run == 5 && widths[5] < 1)) {
        return false;
    }
    double const unit = (widths[0] + widths[1] + widths[2] + widths[3] + widths[4]) / 5.5;
    if (widths[0] < 1.0 * unit || widths[0] > 2.0 * unit) {
        return false;
    }
    for (int i = 1; i < 5; ++i) {
        if (widths[i] < 0.5 * unit || widths[i] > 1.5 * unit) {
            return false;
        }
    }
    return true;
}

// Before the full check: the L's corner lies on the side of the line where
// the window began, so a ray a third of a quarter turn to one side or the other
// of the line must read the pattern too.
bool QuickCheck(HanXinImage const& image, double x, double y, double towardCorner, double module)
{
    int lo = 1 << 30;
    int hi = -1;
    for (int j = -4; j <= 4; j += 2) {
        for (int i = -4; i <= 4; i += 2) {
            int const g = HanXinPixel(image, static_cast<int>(x + i * module), static_cast<int>(y + j * module));
            lo = g < lo ? g : lo;
            hi = g > hi ? g : hi;
        }
    }
    int const threshold = (lo + hi + 1) / 2;
    // The line may cross the block off its middle: centre it across the
    // line first. The block is then dark all round its centre.
    double const nx = -std::sin(towardCorner);
    double const ny = std::cos(towardCorner);
    double reach[2] = {0, 0};
    for (int side = 0; side < 2; ++side) {
        double const sign = side == 0 ? 1 : -1;
        while (reach[side] < 5 * module &&
               HanXinGrey(image, x + sign * nx * (reach[side] + 0.25 * module),
                          y + sign * ny * (reach[side] + 0.25 * module)) < threshold) {
            reach[side] += 0.25 * module;
        }
    }
    double const across = reach[0] + reach[1];
    if (across < 1.5 * module || across > 4.5 * module) {
        return false;
    }
    x += nx * (reach[0] - reach[1]) / 2;
    y += ny * (reach[0] - reach[1]) / 2;
    for (int k = 0; k < 8; ++k) {
        double const a = k * kPi / 4;
        if (HanXinGrey(image, x + 0.7 * module * std::cos(a), y + 0.7 * module * std::sin(a)) >= threshold) {
            return false;
        }
    }
    return RayReadsPattern(image, x, y, towardCorner + kPi / 6, module, threshold) ||
           RayReadsPattern(image, x, y, towardCorner - kPi / 6, module, threshold);
}

void AddSearched(double x, double y, double half)
{
    if (gSearchedCount < kMaxSearched) {
        gSearched[gSearchedCount++] = Area{x, y, half};
    }
}

}  // namespace

void init_CHINA_finder()
{
    for (CHINA_FINDER_INFO_st& f : CHINA_finder) {
        f = CHINA_FINDER_INFO_st{};
        f.corner = -1;
    }
    CHINA_finder_count = 0;
}

void init_CHINA_searched_area()
{
    gSearchedCount = 0;
    gImageFinderCount = 0;
    gScannedCount = 0;
}

void init_CHINA_found_finder_count() { gFoundCount = 0; }

void HanXinAddFoundArea(double const* xs, double const* ys)
{
    if (gFoundCount >= kMaxFound) {
        return;
    }
    for (int i = 0; i < 4; ++i) {
        gFoundX[gFoundCount][i] = xs[i];
        gFoundY[gFoundCount][i] = ys[i];
    }
    ++gFoundCount;
}

bool HanXinVerifyFinder(HanXinImage const& image, double x, double y, double width, CHINA_FINDER_INFO_st* finder)
{
    double const module = width / 7;
    double cx = 0;
    double cy = 0;
    double size = 0;
    int threshold = 0;
    if (!FindBlock(image, x, y, module, &cx, &cy, &size, &threshold)) {
        return false;
    }
    // The directions that read the pattern span about a quarter turn about
    // the L's corner; their middle points at it.
    constexpr int kRays = 32;
    // A quarter turn and a little more reads the pattern; half a turn never.
    constexpr int kLeastRun = kRays * 5 / 32;
    constexpr int kMostRun = kRays / 2;
    bool reads[kRays];
    int count = 0;
    for (int r = 0; r < kRays; ++r) {
        reads[r] = RayReadsPattern(image, cx, cy, 2 * kPi * r / kRays, size, threshold);
        count += reads[r] ? 1 : 0;
    }
    if (count < kLeastRun) {
        return false;
    }
    int bestStart = -1;
    int bestLength = 0;
    int secondLength = 0;
    for (int r = 0; r < kRays; ++r) {
        if (!reads[r] || reads[(r + kRays - 1) % kRays]) {
            continue;
        }
        int length = 0;
        while (length < kRays && reads[(r + length) % kRays]) {
            ++length;
        }
        if (length > bestLength) {
            secondLength = bestLength;
            bestLength = length;
            bestStart = r;
        } else if (length > secondLength) {
            secondLength = length;
        }
    }
    // Data next to the pattern may read like it in a few directions, never
    // in a quarter turn.
    if (bestLength < kLeastRun || bestLength > kMostRun || 2 * secondLength > bestLength) {
        return false;
    }
    finder->x = cx;
    finder->y = cy;
    finder->module = size;
    finder->vertex = 2 * kPi * (bestStart + (bestLength - 1) / 2.0) / kRays;
    finder->corner = -1;
    finder->valid = 1;
    finder->inverted = image.inverted;
    return true;
}

void HanXinRefineVertex(HanXinImage const& image, CHINA_FINDER_INFO_st* finder)
{
    double const module = finder->module;
    int lo = 1 << 30;
    int hi = -1;
    for (int j = -4; j <= 4; j += 2) {
        for (int i = -4; i <= 4; i += 2) {
            int const g = HanXinGrey(image, finder->x + i * module, finder->y + j * module);
            lo = g < lo ? g : lo;
            hi = g > hi ? g : hi;
        }
    }
    int const threshold = (lo + hi + 1) / 2;
    // The directions that read the pattern, a degree apart about the coarse
    // one: the middle of the run that holds it.
    constexpr int kSpan = 100;
    bool reads[2 * kSpan + 1];
    for (int d = -kSpan; d <= kSpan; ++d) {
        reads[d + kSpan] = RayReadsPattern(image, finder->x, finder->y, finder->vertex + d * kPi / 180, module, threshold);
    }
    int first = kSpan;
    int last = kSpan;
    if (!reads[kSpan]) {
        return;
    }
    while (first > 0 && reads[first - 1]) {
        --first;
    }
    while (last < 2 * kSpan && reads[last + 1]) {
        ++last;
    }
    if (first > 0 && last < 2 * kSpan) {
        finder->vertex += ((first + last) / 2.0 - kSpan) * kPi / 180;
    }
}

int HanXinSearchLine(HanXinImage const& image, double x0, double y0, double x1, double y1)
{
    if (!HanXinSampleRuns(image, x0, y0, x1, y1, &gRuns) || gRuns.count < 6) {
        return 0;
    }
    int added = 0;
    // Windows that start on a dark run look for a dark pattern, those that
    // start on a light run for a light one.
    HanXinImage flipped = image;
    flipped.inverted = image.inverted != 0 ? 0 : 1;
    for (int i = 0; i + 4 < gRuns.count && CHINA_finder_count < kHanXinMaxFinders; ++i) {
        bool const darkWindow = gRuns.dark0 == (i % 2 == 0);
        double const start = i == 0 ? 0 : gRuns.edges[i - 1];
        double r[5];
        for (int j = 0; j < 5; ++j) {
            r[j] = gRuns.edges[i + j] - (i + j == 0 ? 0 : gRuns.edges[i + j - 1]);
        }
        double const width = r[0] + r[1] + r[2] + r[3] + r[4];
        if (width < gLeastWidth || i == 0) {
            continue;
        }
        double const unit = width / 7;
        // Pair sums (edge to edge of like edges) do not depend on the threshold.
        double const p[4] = {r[0] + r[1], r[1] + r[2], r[2] + r[3], r[3] + r[4]};
        bool const forward = std::fabs(p[0] - 2 * unit) < unit && std::fabs(p[1] - 2 * unit) < unit &&
                             std::fabs(p[2] - 2 * unit) < unit && std::fabs(p[3] - 4 * unit) < 1.5 * unit &&
                             r[4] > r[2] * 1.5;
        bool const reverse = std::fabs(p[3] - 2 * unit) < unit && std::fabs(p[2] - 2 * unit) < unit &&
                             std::fabs(p[1] - 2 * unit) < unit && std::fabs(p[0] - 4 * unit) < 1.5 * unit &&
                             r[0] > r[2] * 1.5;
        if (!forward && !reverse) {
            continue;
        }
        double const at = start + (reverse ? r[0] / 2 : width - r[4] / 2);
        double const x = gRuns.x0 + gRuns.dx * at;
        double const y = gRuns.y0 + gRuns.dy * at;
        double const towardCorner = std::atan2(gRuns.dy, gRuns.dx) + (reverse ? 0 : kPi);
        added += HanXinOfferCandidate(darkWindow ? image : flipped, x, y, width, towardCorner, false);
    }
    return added;
}

int HanXinOfferCandidate(HanXinImage const& image, double x, double y, double width, double towardCorner,
                         bool verified)
{
    if (CHINA_finder_count >= kHanXinMaxFinders) {
        return 0;
    }
    // A finder met before whose symbol was not tried yet (it was seen
    // while another symbol's finders were sought) is offered again.
    int const earlier = ImageFinderAt(x, y);
    if (earlier >= 0) {
        if (!gImageFinderUsed[earlier] && !Held(gImageFinders[earlier]) && !InFoundArea(x, y)) {
            CHINA_finder[CHINA_finder_count++] = gImageFinders[earlier];
            return 1;
        }
        return 0;
    }
    if (Known(x, y)) {
        return 0;
    }
    // Each candidate is examined once an image: a finder whose symbol
    // could not be read is not tried again from the next line.
    CHINA_FINDER_INFO_st finder{};
    double const unit = width / 7;
    if ((verified || QuickCheck(image, x, y, towardCorner, unit)) && HanXinVerifyFinder(image, x, y, width, &finder)) {
        CHINA_finder[CHINA_finder_count++] = finder;
        AddSearched(finder.x, finder.y, 2.5 * finder.module);
        if (gImageFinderCount < kMaxImageFinders) {
            gImageFinderUsed[gImageFinderCount] = false;
            gImageFinders[gImageFinderCount++] = finder;
        }
        return 1;
    }
    AddSearched(x, y, 0.4 * unit);
    return 0;
}

bool HanXinCandidateKnown(double x, double y) { return Known(x, y) || InFoundArea(x, y); }

bool HanXinEarlierFinderAt(double x, double y) { return ImageFinderAt(x, y) >= 0; }

void search_remaining_finders_CHINA(HanXinImage const& image, CHINA_FINDER_INFO_st const& finder,
                                    CHINA_RUNLENGTH_st* record, bool rays)
{
    if (CHINA_finder_count == 0 || record == nullptr) {
        return;
    }
    CHINA_FINDER_INFO_st const seed = finder;
    double const reach = (2 * 84 + 21) * 1.5 * seed.module;
    double const left = std::fmax(0, seed.x - reach);
    double const right = std::fmin(image.width, seed.x + reach);
    double const top = std::fmax(0, seed.y - reach);
    double const bottom = std::fmin(image.height, seed.y + reach);
    for (int w = 0; w < gScannedCount; ++w) {
        if (seed.x >= gScanned[w][0] && seed.x <= gScanned[w][2] && seed.y >= gScanned[w][1] &&
            seed.y <= gScanned[w][3] && left >= gScanned[w][0] && right <= gScanned[w][2] &&
            top >= gScanned[w][1] && bottom <= gScanned[w][3] && (!rays || gScanned[w][4] != 0)) {
            for (int i = 0; i < gImageFinderCount && CHINA_finder_count < kHanXinMaxFinders; ++i) {
                CHINA_FINDER_INFO_st const& f = gImageFinders[i];
                if (!Same(f, seed) && !Held(f) && !gImageFinderUsed[i] && !InFoundArea(f.x, f.y)) {
                    CHINA_finder[CHINA_finder_count++] = f;
                }
            }
            KeepSeedLast(seed);
            return;
        }
    }
    bool known = false;
    for (int w = 0; w < gScannedCount && rays; ++w) {
        if (gScanned[w][0] == left && gScanned[w][1] == top && gScanned[w][2] == right && gScanned[w][3] == bottom) {
            gScanned[w][4] = 1;
            known = true;
        }
    }
    if (!known && gScannedCount < kMaxScanned) {
        double* window = gScanned[gScannedCount++];
        window[0] = left;
        window[1] = top;
        window[2] = right;
        window[3] = bottom;
        window[4] = rays ? 1 : 0;
    }
    // Under perspective the far finders are smaller than this one.
    double const lineStep = std::fmax(1, std::fmin(0.75 * seed.module, 1.5));
    gLeastWidth = kLeastWidthBeside;
    // The lines are searched on their run windows, with the pattern's own
    // checks across each, or (rays) with the ray checks of the line search,
    // which take light-on-dark patterns and far finders narrower than 14
    // pixels.
    record->runs = CHINA_runlength_int;
    record->capacity = kChinaLineRuns;
    record->lineMode = 1;
    record->runParameter = 64;
    // A threshold window of half a pattern.
    record->window = static_cast<int>(3.5 * seed.module + 0.5);
    auto runs = [&](double x0, double y0, double x1, double y1) {
        record->start = POINT_st{static_cast<int>(x0), static_cast<int>(y0)};
        record->end = POINT_st{static_cast<int>(x1), static_cast<int>(y1)};
        if (china_make_runlength(record) == 0) {
            SearchChinaFinderRuns(*record);
        }
    };
    // The run windows take patterns of 14 pixels or more, whose 3-module
    // block two lines a module apart cross.
    double const runStep = std::fmax(1.5, 0.9 * seed.module);
    for (int pass = rays ? 1 : (seed.inverted != 0 ? 2 : 0); pass < (rays ? 2 : 1); ++pass) {
        double const step = pass == 0 ? runStep : lineStep;
        for (double y = top + 0.5; y < bottom && CHINA_finder_count < kHanXinMaxFinders; y += step) {
            pass == 0 ? runs(left + 0.5, y, right - 0.5, y) : (void)HanXinSearchLine(image, left + 0.5, y, right - 0.5, y);
        }
        for (double x = left + 0.5; x < right && CHINA_finder_count < kHanXinMaxFinders; x += step) {
            pass == 0 ? runs(x, top + 0.5, x, bottom - 0.5) : (void)HanXinSearchLine(image, x, top + 0.5, x, bottom - 0.5);
        }
    }
    gLeastWidth = kLeastWidth;
    KeepSeedLast(seed);
}

namespace {

double AngleDifference(double a, double b)
{
    double d = std::fmod(a - b, 2 * kPi);
    d = d < -kPi ? d + 2 * kPi : d > kPi ? d - 2 * kPi : d;
    return std::fabs(d);
}

// Where each corner's block lies in the symbol, roughly, in units of its side
// (x right, y down): what the directions between finders are checked against.
double const kCornerAt[4][2] = {{0, 0}, {1, 0}, {1, 1}, {0, 1}};

// Numbers the corners of n finders: true with sorted[corner] filled (the
// others invalid) and *error the largest turn (radians) between a measured
// and an expected direction between two of them.
bool Assign(CHINA_FINDER_INFO_st const* set, int n, CHINA_FINDER_INFO_st* sorted, double* error)
{
    // The centre: the middle of the two finders farthest apart (a diagonal).
    double best = -1;
    double cx = 0;
    double cy = 0;
    for (int i = 0; i < n; ++i) {
        for (int j = i + 1; j < n; ++j) {
            double const d = std::hypot(set[i].x - set[j].x, set[i].y - set[j].y);
            if (d > best) {
                best = d;
                cx = (set[i].x + set[j].x) / 2;
                cy = (set[i].y + set[j].y) / 2;
            }
        }
    }
    // Three corners point their L outwards; the bottom-left one points it
    // inwards.
    int inward = -1;
    for (int i = 0; i < n; ++i) {
        double const turn = AngleDifference(set[i].vertex, std::atan2(set[i].y - cy, set[i].x - cx));
        if (turn > 2 * kPi / 3) {
            if (inward >= 0) {
                return false;
            }
            inward = i;
        } else if (turn > kPi / 3) {
            return false;
        }
    }
    if (n == 4 && inward < 0) {
        return false;
    }
    // Each L's corner points along the symbol's diagonals, so the corners
    // follow from the directions alone, which perspective hardly turns: with
    // the top-left L pointing at theta, the top-right one points at theta +
    // 90 degrees, the bottom-right at theta + 180 and the (inward) bottom-left
    // at theta + 90.
    double const quarter = kPi / 2;
    auto offset = [&](double vertex, double theta) {
        double d = std::fmod(vertex - theta, 2 * kPi);
        d = d < 0 ? d + 2 * kPi : d;
        int const q = static_cast<int>(std::lround(d / quarter)) % 4;
        return AngleDifference(d, q * quarter) < kPi / 6 ? q : -1;
    };
    for (int candidate = 0; candidate < n; ++candidate) {
        double const theta = inward >= 0 ? set[inward].vertex - quarter : set[candidate].vertex;
        for (int c = 0; c < 4; ++c) {
            sorted[c] = CHINA_FINDER_INFO_st{};
            sorted[c].corner = c;
        }
        bool fits = true;
        for (int i = 0; i < n && fits; ++i) {
            int const corner = i == inward ? 3 : offset(set[i].vertex, theta);
            fits = corner >= 0 && (i == inward || corner <= 2) && sorted[corner].valid == 0;
            if (fits) {
                sorted[corner] = set[i];
                sorted[corner].corner = corner;
            }
        }
        // The symbol's x axis points 135 degrees on from the top-left L's corner.
        double const ex = theta + 3 * kPi / 4;
        double worst = 0;
        for (int i = 0; i < 4 && fits; ++i) {
            for (int j = i + 1; j < 4 && fits; ++j) {
                if (sorted[i].valid == 0 || sorted[j].valid == 0) {
                    continue;
                }
                double const du = kCornerAt[j][0] - kCornerAt[i][0];
                double const dv = kCornerAt[j][1] - kCornerAt[i][1];
                double const expected = ex + std::atan2(dv, du);
                double const turn = AngleDifference(std::atan2(sorted[j].y - sorted[i].y, sorted[j].x - sorted[i].x), expected);
                worst = turn > worst ? turn : worst;
                fits = turn < kPi / 5;
            }
        }
        if (fits) {
            *error = worst;
            return true;
        }
        if (inward >= 0) {
            return false;
        }
    }
    return false;
}

}  // namespace

int adjust_finder_circulation_CHINA()
{
    if (CHINA_finder_count == 0) {
        return -1;
    }
    // The newest finder's companions: finders of a like polarity and module
    // size within reach of a symbol of the largest version.
    CHINA_FINDER_INFO_st const seed = CHINA_finder[CHINA_finder_count - 1];
    CHINA_FINDER_INFO_st set[kHanXinMaxFinders];
    int n = 0;
    set[n++] = seed;
    for (int i = 0; i + 1 < CHINA_finder_count; ++i) {
        CHINA_FINDER_INFO_st const& f = CHINA_finder[i];
        double const ratio = f.module / seed.module;
        if (f.inverted == seed.inverted && ratio > 0.3 && ratio < 3.3 &&
            std::hypot(f.x - seed.x, f.y - seed.y) < 189 * 1.5 * seed.module) {
            set[n++] = f;
        }
    }
    // The best-fitting four with the newest, else the best three or two: a
    // pattern in the data that reads like a finder is left out.
    for (int want = 4; want >= 2; --want) {
        double bestError = 1e9;
        CHINA_FINDER_INFO_st best[4];
        for (int mask = 0; mask < (1 << n); ++mask) {
            if ((mask & 1) == 0 || __builtin_popcount(static_cast<unsigned>(mask)) != want) {
                continue;
            }
            CHINA_FINDER_INFO_st subset[4];
            int k = 0;
            for (int i = 0; i < n; ++i) {
                if ((mask >> i) & 1) {
                    subset[k++] = set[i];
                }
            }
            CHINA_FINDER_INFO_st sorted[4];
            double error = 0;
            if (Assign(subset, want, sorted, &error) && error < bestError) {
                bestError = error;
                for (int c = 0; c < 4; ++c) {
                    best[c] = sorted[c];
                }
            }
        }
        if (bestError < 1e9) {
            for (int c = 0; c < 4; ++c) {
                CHINA_finder[c] = best[c];
            }
            CHINA_finder_count = 4;
            return want;
        }
    }
    // The newest alone; which corner it holds is for the reader to try.
    for (int c = 0; c < 4; ++c) {
        CHINA_finder[c] = CHINA_FINDER_INFO_st{};
        CHINA_finder[c].corner = c;
    }
    CHINA_finder[0] = seed;
    CHINA_finder[0].corner = 0;
    CHINA_finder_count = 4;
    return 1;
}

void HanXinTurnCorners()
{
    CHINA_FINDER_INFO_st const last = CHINA_finder[3];
    for (int c = 3; c > 0; --c) {
        CHINA_finder[c] = CHINA_finder[c - 1];
        CHINA_finder[c].corner = c;
    }
    CHINA_finder[0] = last;
    CHINA_finder[0].corner = 0;
}

void HanXinSetFindersTried(CHINA_FINDER_INFO_st const* only)
{
    for (int i = 0; i < gImageFinderCount; ++i) {
        if (only != nullptr) {
            gImageFinderUsed[i] = gImageFinderUsed[i] || Same(gImageFinders[i], *only);
            continue;
        }
        for (int c = 0; c < CHINA_finder_count; ++c) {
            if (CHINA_finder[c].valid != 0 && Same(gImageFinders[i], CHINA_finder[c])) {
                gImageFinderUsed[i] = true;
            }
        }
    }
}
