#include "decoder/core/location/matrix_candidate_finder.h"

namespace DEC2DIvra {

namespace {

int Abs(int v) { return v < 0 ? -v : v; }
int Min(int a, int b) { return a < b ? a : b; }
int Max(int a, int b) { return a > b ? a : b; }

constexpr int kQRModules[5] = {1, 1, 3, 1, 1};
constexpr int kHanXinModules[5] = {1, 1, 1, 1, 3};
constexpr int kHanXinMirrored[5] = {3, 1, 1, 1, 1};
constexpr int kRingModules[7] = {1, 1, 1, 1, 1, 1, 1};
constexpr int kRingCount = 3;  // rings on each side of a bull's-eye's centre

// Sightings closer than this many modules are one pattern.
constexpr int kMergeModules = 3;

}  // namespace

bool IsRunRatio(int const* widths, int const* modules, unsigned count)
{
    long long total = 0;
    long long units = 0;
    for (unsigned i = 0; i < count; ++i) {
        total += widths[i];
        units += modules[i];
    }
    if (total <= 0 || units <= 0) {
        return false;
    }
    for (unsigned i = 0; i < count; ++i) {
        long long const off = static_cast<long long>(widths[i]) * units - modules[i] * total;
        if ((off < 0 ? -off : off) * 4 > total * (modules[i] + 1)) {
            return false;
        }
    }
    return true;
}

void MatrixCandidateFinder::Start(GrayImage const& image, Rectangle const& area, unsigned stride,
                                  Wanted const& wanted)
{
    finderCount_ = 0;
    bullsEyeCount_ = 0;
    hanXinCount_ = 0;
    lPatternCount_ = 0;
    dotCount_ = 0;
    area_ = area;
    if (!wanted.Any() || image.GetPixels() == nullptr || area.right < area.left || area.bottom < area.top) {
        return;
    }
    // The largest dot a DotCode reader considers, as it does.
    maxDot_ = Min(Min(image.GetWidth(), image.GetHeight()) / 20, 64);
    stride = stride == 0 ? 1 : stride;
    for (int y = area.top; y <= area.bottom; y += static_cast<int>(stride)) {
        if (!ScanRow(image, area, y)) {
            continue;
        }
        for (unsigned i = 0; i < runCount_; ++i) {
            if (wanted.qrFinders) {
                CheckQRFinder(image, i, y);
            }
            if (wanted.bullsEyes) {
                CheckBullsEye(image, i, y);
            }
            if (wanted.hanXinFinders) {
                CheckHanXinFinder(i, y);
            }
            if (wanted.lPatterns) {
                CheckLPattern(image, i, y);
            }
            if (wanted.dots) {
                CheckDot(image, i, y, stride);
            }
        }
    }
}

bool MatrixCandidateFinder::ScanRow(GrayImage const& image, Rectangle const& area, int y)
{
    runCount_ = 0;
    int const width = area.right - area.left + 1;
    blockCount_ = static_cast<unsigned>((width + static_cast<int>(kBlock) - 1) / static_cast<int>(kBlock));
    blockCount_ = blockCount_ > kMaxBlocks ? kMaxBlocks : blockCount_;
    int const right = Min(area.right, area.left + static_cast<int>(blockCount_ * kBlock) - 1);
    unsigned short const* row = image.GetPixels() + static_cast<long long>(y) * image.GetPitch();
    for (unsigned b = 0; b < blockCount_; ++b) {
        int const x0 = area.left + static_cast<int>(b * kBlock);
        int const x1 = Min(x0 + static_cast<int>(kBlock) - 1, right);
        int low = row[x0];
        int high = low;
        for (int x = x0 + 1; x <= x1; ++x) {
            low = Min(low, row[x]);
            high = Max(high, row[x]);
        }
        low_[b] = low;
        high_[b] = high;
    }
    // A block has contrast when its own samples spread, or when its middle
    // grey steps from a neighbour's (an edge on the border between them);
    // noise spreads a block less than it spreads three. Its threshold is
    // taken over it and its neighbours; a flat block keeps the colour it
    // was entered with.
    bool contrast = false;
    for (unsigned b = 0; b < blockCount_; ++b) {
        unsigned const before = b > 0 ? b - 1 : b;
        unsigned const after = b + 1 < blockCount_ ? b + 1 : b;
        int const middle = (low_[b] + high_[b]) / 2;
        int const step = Max(Abs(middle - (low_[before] + high_[before]) / 2),
                             Abs(middle - (low_[after] + high_[after]) / 2));
        int const low = Min(low_[b], Min(low_[before], low_[after]));
        int const high = Max(high_[b], Max(high_[before], high_[after]));
        threshold_[b] = (low + high) / 2;
        margin_[b] = Max(high_[b] - low_[b], step) < kContrastFloor ? -1 : (high - low) / 8;
        contrast = contrast || margin_[b] >= 0;
    }
    if (!contrast) {
        return false;
    }
    bool dark = row[area.left] < threshold_[0];
    int start = area.left;
    for (unsigned b = 0; b < blockCount_; ++b) {
        if (margin_[b] < 0) {
            continue;
        }
        int const threshold = threshold_[b];
        int const margin = margin_[b];
        int const x0 = area.left + static_cast<int>(b * kBlock);
        int const x1 = Min(x0 + static_cast<int>(kBlock) - 1, right);
        for (int x = x0; x <= x1; ++x) {
            bool const now = dark ? row[x] <= threshold + margin : row[x] < threshold - margin;
            if (now == dark) {
                continue;
            }
            if (runCount_ >= kMaxRuns) {
                return true;
            }
            runs_[runCount_++] = Run{start, x - start, dark};
            start = x;
            dark = now;
        }
    }
    if (runCount_ < kMaxRuns) {
        runs_[runCount_++] = Run{start, right + 1 - start, dark};
    }
    return true;
}

int MatrixCandidateFinder::GetThreshold(int x) const
{
    unsigned b = static_cast<unsigned>(x - area_.left) / kBlock;
    return threshold_[b >= blockCount_ ? blockCount_ - 1 : b];
}

bool MatrixCandidateFinder::ScanColumn(GrayImage const& image, int x, int y, int threshold, unsigned count,
                                       int limit, int* above, int* below, int& centre, int& top) const
{
    if (x < area_.left || x > area_.right) {
        return false;
    }
    bool const dark = image.At(x, y) < threshold;
    int up = y;
    while (up > area_.top && (image.At(x, up - 1) < threshold) == dark && y - up < limit) {
        --up;
    }
    int down = y;
    while (down < area_.bottom && (image.At(x, down + 1) < threshold) == dark && down - y < limit) {
        ++down;
    }
    centre = down - up + 1;
    top = up;
    if (centre > limit) {
        return false;
    }
    // Further runs, alternating in colour, outward from the centre run.
    for (int side = 0; side < 2; ++side) {
        int* out = side == 0 ? above : below;
        int const step = side == 0 ? -1 : 1;
        int at = side == 0 ? up - 1 : down + 1;
        bool colour = !dark;
        for (unsigned k = 0; k < count; ++k) {
            // A long ground run is only measured up to the limit.
            int length = 0;
            while (at >= area_.top && at <= area_.bottom && (image.At(x, at) < threshold) == colour &&
                   length < limit) {
                ++length;
                at += step;
            }
            if (length == 0) {
                return false;
            }
            out[k] = length;
            colour = !colour;
        }
    }
    return true;
}

void MatrixCandidateFinder::Note(FinderSighting* list, unsigned& count, unsigned capacity, FinderSighting const& seen)
{
    for (unsigned i = 0; i < count; ++i) {
        FinderSighting& known = list[i];
        int const reach = kMergeModules * Max(known.module, seen.module);
        if (known.dark == seen.dark && known.kind == seen.kind && Abs(known.centre.x - seen.centre.x) <= reach &&
            Abs(known.centre.y - seen.centre.y) <= reach) {
            int const n = static_cast<int>(known.rows);
            known.centre.x = (known.centre.x * n + seen.centre.x) / (n + 1);
            known.centre.y = (known.centre.y * n + seen.centre.y) / (n + 1);
            known.module = (known.module * n + seen.module) / (n + 1);
            ++known.rows;
            return;
        }
    }
    if (count < capacity) {
        list[count++] = seen;
        return;
    }
    // A full list gives up a sighting of one row that the rows have left
    // behind: a large symbol's data makes many such, and its last finder
    // comes lowest.
    for (unsigned i = 0; i < count; ++i) {
        if (list[i].rows == 1 && list[i].centre.y + kMergeModules * list[i].module < seen.centre.y) {
            list[i] = seen;
            return;
        }
    }
}

int MatrixCandidateFinder::TakeWidths(unsigned first, unsigned count, int* widths) const
{
    if (first + count > runCount_) {
        return 0;
    }
    int total = 0;
    for (unsigned k = 0; k < count; ++k) {
        widths[k] = runs_[first + k].length;
        total += widths[k];
    }
    return total;
}

void MatrixCandidateFinder::CheckQRFinder(GrayImage const& image, unsigned i, int y)
{
    int widths[5];
    int const total = TakeWidths(i, 5, widths);
    if (total < 7 || !IsRunRatio(widths, kQRModules, 5)) {
        return;
    }
    Run const& middle = runs_[i + 2];
    int const x = middle.x + middle.length / 2;
    int above[2];
    int below[2];
    int centre = 0;
    int top = 0;
    if (!ScanColumn(image, x, y, GetThreshold(x), 2, total, above, below, centre, top)) {
        return;
    }
    int const column[5] = {above[1], above[0], centre, below[0], below[1]};
    int const columnTotal = above[0] + above[1] + centre + below[0] + below[1];
    if (!IsRunRatio(column, kQRModules, 5) || columnTotal * 2 < total || columnTotal > total * 2) {
        return;
    }
    FinderSighting seen;
    seen.centre = Point{x, top + centre / 2};
    seen.module = Max(1, (total + columnTotal) / 14);
    seen.rows = 1;
    seen.dark = middle.dark ? 1 : 0;
    Note(finders_, finderCount_, kMaxFinders, seen);
}

void MatrixCandidateFinder::CheckBullsEye(GrayImage const& image, unsigned i, int y)
{
    if (i < static_cast<unsigned>(kRingCount) || i + kRingCount >= runCount_) {
        return;
    }
    Run const& middle = runs_[i];
    // An Aztec core is one dark module like its rings; a MaxiCode centre is
    // a light spot wider than its rings.
    int rings[6];
    int ringTotal = 0;
    for (int k = 0; k < kRingCount; ++k) {
        rings[k] = runs_[i - kRingCount + static_cast<unsigned>(k)].length;
        rings[kRingCount + k] = runs_[i + 1 + static_cast<unsigned>(k)].length;
        ringTotal += rings[k] + rings[kRingCount + k];
    }
    int const ring6[6] = {1, 1, 1, 1, 1, 1};
    if (ringTotal < 6 || !IsRunRatio(rings, ring6, 6)) {
        return;
    }
    int const module = ringTotal / 6;
    unsigned char const kind = middle.dark ? kAztec : kMaxiCode;
    if (kind == kAztec) {
        int const widths[7] = {rings[0], rings[1], rings[2], middle.length, rings[3], rings[4], rings[5]};
        if (!IsRunRatio(widths, kRingModules, 7)) {
            return;
        }
    } else if (middle.length * 2 < module || middle.length > module * 4) {
        return;
    }
    int const x = middle.x + middle.length / 2;
    int above[kRingCount];
    int below[kRingCount];
    int centre = 0;
    int top = 0;
    int const span = ringTotal + middle.length;
    if (!ScanColumn(image, x, y, GetThreshold(x), kRingCount, span, above, below, centre, top)) {
        return;
    }
    int const column[6] = {above[0], above[1], above[2], below[0], below[1], below[2]};
    int columnTotal = 0;
    for (int w : column) {
        columnTotal += w;
    }
    if (!IsRunRatio(column, ring6, 6) || columnTotal * 2 < ringTotal || columnTotal > ringTotal * 2 ||
        centre * 2 < middle.length || centre > middle.length * 2 + 2) {
        return;
    }
    FinderSighting seen;
    seen.centre = Point{x, top + centre / 2};
    seen.module = Max(1, (ringTotal + columnTotal) / 12);
    seen.rows = 1;
    seen.kind = kind;
    Note(bullsEyes_, bullsEyeCount_, kMaxBullsEyes, seen);
}

void MatrixCandidateFinder::CheckHanXinFinder(unsigned i, int y)
{
    int widths[5];
    int const total = TakeWidths(i, 5, widths);
    if (!runs_[i].dark || total < 7 ||
        (!IsRunRatio(widths, kHanXinModules, 5) && !IsRunRatio(widths, kHanXinMirrored, 5))) {
        return;
    }
    FinderSighting seen;
    seen.centre = Point{runs_[i].x + total / 2, y};
    seen.module = Max(1, total / 7);
    seen.rows = 1;
    Note(hanXin_, hanXinCount_, kMaxHanXinFinders, seen);
}

void MatrixCandidateFinder::CheckLPattern(GrayImage const& image, unsigned i, int y)
{
    Run const& run = runs_[i];
    if (!run.dark || run.length < kMinLeg || lPatternCount_ >= kMaxLPatterns) {
        return;
    }
    int const threshold = GetThreshold(run.x + run.length / 2);
    for (int end = 0; end < 2; ++end) {
        // One pixel inside the run's end, so that a slanted leg is still met.
        int const x = end == 0 ? run.x + 1 : run.x + run.length - 2;
        int up = y;
        while (up > area_.top && image.At(x, up - 1) < threshold && y - up < 3 * run.length) {
            --up;
        }
        int down = y;
        while (down < area_.bottom && image.At(x, down + 1) < threshold && down - y < 3 * run.length) {
            ++down;
        }
        int const legUp = y - up;
        int const legDown = down - y;
        int const thin = run.length / 4;
        Point corner;
        Point across;
        if (legUp * 2 >= run.length && legDown <= thin) {
            corner = Point{x, down};
            across = Point{x, up};
        } else if (legDown * 2 >= run.length && legUp <= thin) {
            corner = Point{x, up};
            across = Point{x, down};
        } else {
            continue;
        }
        Point along{end == 0 ? run.x + run.length - 1 : run.x, corner.y};
        // The reading leg has the other on its left: turning from it to the
        // other is counter-clockwise on the screen (negative cross product).
        long long const cross = static_cast<long long>(along.x - corner.x) * (across.y - corner.y) -
                                static_cast<long long>(along.y - corner.y) * (across.x - corner.x);
        if (cross > 0) {
            Point const swap = along;
            along = across;
            across = swap;
        }
        for (unsigned k = 0; k < lPatternCount_; ++k) {
            if (Abs(lPatterns_[k].corner.x - corner.x) <= kMinLeg / 2 &&
                Abs(lPatterns_[k].corner.y - corner.y) <= kMinLeg / 2) {
                return;
            }
        }
        lPatterns_[lPatternCount_++] = LPatternSighting{corner, along, across};
        return;
    }
}

void MatrixCandidateFinder::CheckDot(GrayImage const& image, unsigned i, int y, unsigned stride)
{
    Run const& run = runs_[i];
    if (i == 0 || i + 1 >= runCount_ || run.length > 2 * maxDot_ || dotCount_ >= kMaxDots) {
        return;
    }
    int const ground = Max(1, run.length / 2);
    if (runs_[i - 1].length < ground || runs_[i + 1].length < ground) {
        return;
    }
    int const x = run.x + run.length / 2;
    int const threshold = GetThreshold(x);
    // Each dot once: from the first sampled row that crosses it.
    int const previousRow = y - static_cast<int>(stride);
    if (previousRow >= area_.top && (image.At(x, previousRow) < threshold) == run.dark) {
        return;
    }
    int centre = 0;
    int top = 0;
    int above[1];
    int below[1];
    if (!ScanColumn(image, x, y, threshold, 1, maxDot_ + 1, above, below, centre, top)) {
        return;
    }
    if (y - top >= static_cast<int>(stride) || above[0] < Max(1, centre / 2) || below[0] < Max(1, centre / 2)) {
        return;
    }
    Dot dot;
    dot.position = Point{x, top + centre / 2};
    dot.dark = run.dark ? 1 : 0;
    if (run.length <= maxDot_ && centre <= maxDot_ && run.length * 2 >= centre && centre * 2 >= run.length) {
        dot.size = static_cast<unsigned>(Max(run.length, centre));
    } else if (run.length > centre * 3 / 2 && run.length <= 2 * maxDot_ && centre <= maxDot_) {
        // Two dots touching side by side.
        dot.size = static_cast<unsigned>(run.length);
        dot.separation = Dot::kTwo;
        dot.separated[0] = Point{run.x + run.length / 4, dot.position.y};
        dot.separated[1] = Point{run.x + run.length - 1 - run.length / 4, dot.position.y};
    } else {
        return;
    }
    dots_[dotCount_++] = dot;
}

}  // namespace DEC2DIvra
