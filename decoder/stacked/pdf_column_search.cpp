// The start and stop columns fitted through the sightings, and the search for a column not met on the lines.
#include "decoder/stacked/pdf_row_reader.h"

#include <cmath>
#include <initializer_list>

#include "decoder/stacked/pdf_row_reader_tools.h"

namespace DEC2DIvra {

using namespace pdf_rows;

namespace {

// Lines at `turn` from the area's direction, `length` long from (cx, cy)
// on the side `way` points to, across `halfHeight` either side of it.
PDFRowReader::Area TurnedLines(PDFRowReader::Area const& area, float cx, float cy, float way, float turn,
                               float length, float halfHeight)
{
    PDFRowReader::Area lines = area;
    lines.ux = area.ux * std::cos(turn) - area.uy * std::sin(turn);
    lines.uy = area.ux * std::sin(turn) + area.uy * std::cos(turn);
    lines.halfLength = length / 2;
    lines.halfHeight = halfHeight;
    lines.nearHalfLength = 0;
    lines.cx = cx + way * lines.ux * length / 2;
    lines.cy = cy + way * lines.uy * length / 2;
    return lines;
}

}  // namespace

bool PDFRowReader::FanForColumn(GrayImage const& image, Area const& area, bool inverted, bool backward,
                                bool leftSeen, float cx, float cy, float way, bool bundles, float& turn,
                                float& farthest)
{
    Fan const asked{true,  area.ux, area.uy, area.halfLength, cx, cy, way, inverted, backward, leftSeen,
                    false, 0,       0,       bundles};
    if (fan_.set && fan_.ux == asked.ux && fan_.uy == asked.uy && fan_.halfLength == asked.halfLength &&
        Abs(fan_.cx - cx) <= kFanMiddleMoved && Abs(fan_.cy - cy) <= kFanMiddleMoved && fan_.way == way &&
        fan_.inverted == inverted && fan_.backward == backward && fan_.leftSeen == leftSeen &&
        (fan_.found || fan_.bundled || !bundles)) {
        turn = fan_.turn;
        farthest = fan_.farthest;
        return fan_.found;
    }
    fan_ = asked;
    // From the located direction outward, both ways in turn: the rays that
    // meet the far column form a run of near turns on one side (the located
    // direction counts to both), now and then a ray missing among them where
    // the far modules are narrow; a run of one is taken for a chance pattern
    // among the codewords. The fan stops where a run ends.
    struct Run {
        unsigned count;
        int first;
        int last;
        float farthest;
    };
    // Rays at every other step are cast first; a ray between two of them
    // is cast only where one of the two met the far pattern (the far
    // column spans more than a step where it reads at all). Each ray's
    // outcome: unknown, met nothing, or met the far pattern that far.
    static constexpr float kUnknown = -2.0f;
    static constexpr float kMissed = -1.0f;
    // The fan is cast with one line a ray, then (where that finds no run)
    // with kFanShifts lines side by side, a far column of narrow modules
    // reading on one line in several: the first line of each ray as the
    // first cast found it.
    float single[2][kFanRays + 1];
    for (auto& side : single) {
        for (float& m : side) {
            m = kUnknown;
        }
    }
    for (unsigned const shifts : {1u, kFanShifts}) {
        if (shifts > 1 && !bundles) {
            break;
        }
        Run runs[2] = {};
        int chosen = -1;
        float met[2][kFanRays + 1];
        for (auto& side : met) {
            for (float& m : side) {
                m = kUnknown;
            }
        }
        auto const cast = [&](int side, int k) {
            float& m = met[side][k];
            if (m == kUnknown) {
                float const rayTurn = static_cast<float>(side == 0 ? k : -k) * kFanStep;
                if (single[side][k] >= 0) {
                    m = single[side][k];
                    return m;
                }
                unsigned left = 0;
                unsigned right = 0;
                Area line = TurnedLines(area, cx, cy, way, rayTurn, area.halfLength, 0.0f);
                float const x0 = line.cx;
                float const y0 = line.cy;
                for (unsigned shift = single[side][k] == kMissed ? 1 : 0;
                     shift < shifts && (leftSeen ? right : left) == 0; ++shift) {
                    // 0, +1, -1, +2, -2, ... quarters of the search line spacing.
                    float const quarter = kSearchSpacing / 4 * static_cast<float>((shift + 1) / 2);
                    float const off = shift % 2 == 1 ? quarter : -quarter;
                    line.cx = x0 - off * line.uy;
                    line.cy = y0 + off * line.ux;
                    left = right = 0;
                    CollectHits(image, line, inverted, backward, b_->spareLeft, left, b_->spareRight, right);
                }
                Hit const& far = leftSeen ? b_->spareRight[0] : b_->spareLeft[0];
                m = (leftSeen ? right : left) == 0 ? kMissed : std::hypot(far.x - cx, far.y - cy);
            }
            return m;
        };
        auto const ray = [&](int side, int k) {
            if (k % 2 == 0) {
                return cast(side, k);
            }
            bool const besideMet = cast(side, k - 1) >= 0 || (k < kFanRays && cast(side, k + 1) >= 0);
            return besideMet ? cast(side, k) : kMissed;
        };
        for (int k = 0; k <= kFanRays && chosen < 0; ++k) {
            for (int side = 0; side < 2 && chosen < 0; ++side) {
                if (k == 0 && side == 1) {
                    runs[1] = runs[0];
                    continue;
                }
                float const distance = ray(side, k);
                Run& run = runs[side];
                if (distance < 0) {
                    if (run.count > 0 && k - run.last >= kFanGap) {
                        if (run.count >= 2) {
                            chosen = side;
                        } else {
                            run = Run{};
                        }
                    }
                    continue;
                }
                run.first = run.count == 0 ? k : run.first;
                run.last = k;
                run.farthest = distance > run.farthest ? distance : run.farthest;
                ++run.count;
            }
        }
        if (chosen < 0) {
            chosen = runs[0].count >= runs[1].count ? 0 : 1;
        }
        Run const& run = runs[chosen];
        if (run.count < 2) {
            for (int side = 0; side < 2; ++side) {
                for (int k = 0; k <= kFanRays; ++k) {
                    single[side][k] = met[side][k];
                }
            }
            continue;
        }
        // The middle of the run.
        float const middle = static_cast<float>(run.first + run.last) * kFanStep / 2;
        turn = chosen == 0 ? middle : -middle;
        farthest = run.farthest;
        fan_.found = true;
        fan_.turn = turn;
        fan_.farthest = farthest;
        return true;
    }
    return false;
}

void PDFRowReader::SweepForColumn(GrayImage const& image, Area const& area, bool inverted, bool backward,
                                  unsigned& leftCount, unsigned& rightCount, bool fixedTurns)
{
    if ((leftCount < 3) == (rightCount < 3)) {
        return;
    }
    // One edge column seen, the other not: under perspective the rows turn
    // away from the located direction, and lines along it pass by the far
    // column. A fan of rays from the seen column's middle finds the turn at
    // which the far column lies (its patterns read at any slant); lines at
    // that turn over the seen column's extent, as far as the rays met the
    // far column, collect its sightings. Where the far modules are so narrow
    // that few rays read them, lines turned about the seen column by fixed
    // steps sweep for it.
    bool const leftSeen = leftCount >= 3;
    Hit* const hits = leftSeen ? b_->left : b_->right;
    unsigned const n = leftSeen ? leftCount : rightCount;
    // Read fails unless the seen sightings fit a column, and the sweep adds
    // none to them: chance patterns scattered over other symbols' modules
    // (Data Matrix data, DataBar characters) cost no sweep.
    float top[2];
    float bottom[2];
    float seenModule = 0;
    if (!FitColumn(hits, n, area, backward, top[0], top[1], bottom[0], bottom[1], seenModule)) {
        return;
    }
    // Beside a PDF417 edge column stand its row indicators, whose rows use
    // the three clusters in turn; a column of chance patterns among other
    // bars (a DataBar Expanded Stacked symbol's characters above all) shows
    // no two clusters beside it on lines at any turn, and costs no sweep.
    if (!SweepsBeside(image, top, bottom, seenModule, backward ? -area.ux : area.ux, backward ? -area.uy : area.uy,
                      leftSeen, inverted)) {
        return;
    }
    // A start column whose rows, read to where its row indicators put the
    // stop column, reach their last data column needs no sweep: a compact
    // symbol has no stop column to find, and a hidden one is placed there.
    if (leftSeen) {
        float stopTop[2];
        float stopBottom[2];
        float stopModule = 0;
        bool const placed = PlaceMissingStop(image, inverted, backward ? -area.ux : area.ux,
                                             backward ? -area.uy : area.uy, top, bottom, seenModule, stopTop,
                                             stopBottom, stopModule);
        barFollowed_ = false;
        if (placed && rowsReachStop_) {
            return;
        }
    }
    float cx = 0;
    float cy = 0;
    float module = 0;
    for (unsigned i = 0; i < n; ++i) {
        cx += hits[i].x;
        cy += hits[i].y;
        module += hits[i].module;
    }
    cx /= static_cast<float>(n);
    cy /= static_cast<float>(n);
    module /= static_cast<float>(n);
    float across = 0;
    for (unsigned i = 0; i < n; ++i) {
        float const t = Abs((hits[i].x - cx) * area.uy - (hits[i].y - cy) * area.ux);
        across = t > across ? t : across;
    }
    // The far column lies ahead of a start column and behind a stop column
    // in the reading way: the lines run from the seen column that way only.
    float const way = (backward ? -1.0f : 1.0f) * (leftSeen ? 1.0f : -1.0f);
    unsigned& missing = leftSeen ? rightCount : leftCount;
    // The seen side's hits on the turned lines are dropped.
    unsigned const kept = leftSeen ? leftCount : rightCount;
    Hit* farHits = leftSeen ? b_->right : b_->left;
    // The turned lines cross the far column's bars at a slant and find its
    // modules wider by the slant's secant: the sightings from `before` on
    // are narrowed to what lines square to the column find. The column
    // count taken from the width then comes out nearer the symbol's, and
    // fewer readings are made at a wrong one.
    auto const narrow = [&](Area const& lines, unsigned before) {
        float tx = 0;
        float ty = 0;
        float bx = 0;
        float by = 0;
        float ignored = 0;
        if (missing >= before + 3 &&
            FitColumn(farHits + before, missing - before, lines, backward, tx, ty, bx, by, ignored)) {
            float const length = std::hypot(bx - tx, by - ty);
            float const cosine = Abs((by - ty) * lines.ux - (bx - tx) * lines.uy) / length;
            for (unsigned i = before; i < missing; ++i) {
                farHits[i].module *= cosine;
            }
        }
    };
    // The far column's sightings are narrowed to lines square to it.
    farSwept_ = leftSeen ? 2 : 1;
    auto const sweep = [&](Area const& lines, float turn) {
        unsigned const before = missing;
        CollectHits(image, lines, inverted, backward, leftCount, rightCount);
        (leftSeen ? leftCount : rightCount) = kept;
        narrow(lines, before);
        farTurn_ = before == 0 && missing > 0 ? turn : farTurn_;
    };
    float turn = 0;
    float farthest = 0;
    if (FanForColumn(image, area, inverted, backward, leftSeen, cx, cy, way, fixedTurns, turn, farthest)) {
        // The far pattern and the quiet zone past it: the far modules may be
        // wider than the seen ones (a stop column seen small).
        float const length = farthest + 50.0f * module;
        float const halfHeight = 1.25f * across + 8.0f;
        sweep(TurnedLines(area, cx, cy, way, turn, length < area.halfLength ? length : area.halfLength,
                          halfHeight < area.halfHeight ? halfHeight : area.halfHeight),
              turn);
    }
    static constexpr float kTurns[] = {0.2f, -0.2f, 0.4f, -0.4f};  // radians
    for (float const fixed : kTurns) {
        if (missing >= 3 || !fixedTurns) {
            return;
        }
        Area const lines = TurnedLines(area, cx, cy, way, fixed, area.halfLength, area.halfHeight);
        unsigned const count = CountSearchLines(lines);
        if (kept + count >= kMaxLines || missing + count >= kMaxLines) {
            sweep(lines, fixed);
            continue;
        }
        // Every other line first: a turn none of them meets the far pattern
        // on is given up (a far column read on the lines between only would
        // be read on too few of them). Otherwise the lines between follow,
        // and their sightings join those in line order: the very sightings
        // of one pass over all lines (no list fills up on either way).
        Hit* const spareFar = leftSeen ? b_->spareRight : b_->spareLeft;
        unsigned short farLines[kMaxLines];
        unsigned seenCount = 0;
        unsigned farCount = 0;
        auto const collect = [&](unsigned first) {
            if (leftSeen) {
                CollectHits(image, lines, inverted, backward, b_->spareLeft, seenCount, b_->spareRight, farCount,
                            first, 2, nullptr, farLines);
            } else {
                CollectHits(image, lines, inverted, backward, b_->spareLeft, farCount, b_->spareRight, seenCount,
                            first, 2, farLines, nullptr);
            }
        };
        collect(0);
        unsigned const even = farCount;
        if (even == 0) {
            continue;
        }
        collect(1);
        unsigned const before = missing;
        for (unsigned a = 0, b = even; a < even || b < farCount;) {
            bool const takeEven = b >= farCount || (a < even && farLines[a] < farLines[b]);
            farHits[missing++] = spareFar[takeEven ? a++ : b++];
        }
        narrow(lines, before);
        farTurn_ = before == 0 && missing > 0 ? fixed : farTurn_;
    }
}

bool PDFRowReader::AimAtSightings(GrayImage const& image, Area const& area, bool inverted, bool backward,
                                  bool leftSeen, float const top[2], float const bottom[2], float seenModule,
                                  Hit const* sightings, unsigned sightingCount, Hit* far, unsigned& farCount,
                                  float farTop[2], float farBottom[2], float& farModule)
{
    // The sightings aimed at are copied first: `far` may be their list.
    Hit aims[kMaxAims];
    unsigned aimCount = 0;
    for (unsigned i = 0; i < sightingCount && aimCount < kMaxAims; ++i) {
        aims[aimCount++] = sightings[i];
    }
    float const cx = (top[0] + bottom[0]) / 2;
    float const cy = (top[1] + bottom[1]) / 2;
    float const across = std::hypot(bottom[0] - top[0], bottom[1] - top[1]) / 2;
    float const way = (backward ? -1.0f : 1.0f) * (leftSeen ? 1.0f : -1.0f);
    float const wx = way * area.ux;
    float const wy = way * area.uy;
    for (unsigned a = 0; a < aimCount * 2; ++a) {
        // The lines that met the far column's sightings first, then the
        // area's own lines.
        float const turn = a < aimCount ? farTurn_ : 0.0f;
        if (a >= aimCount && farTurn_ == 0.0f) {
            break;
        }
        Hit const& aim = aims[a % aimCount];
        float const dx = aim.x - cx;
        float const dy = aim.y - cy;
        float const distance = std::hypot(dx, dy);
        float const ahead = dx * wx + dy * wy;
        // A far column lies at least a few characters ahead of the seen one.
        if (!(distance > 3.0f * 17.0f * seenModule) || !(ahead > 0.0f)) {
            continue;
        }
        // Lines along the area's, a quarter of their spacing apart, over the
        // seen column's extent about the sighting: the far column's narrow
        // modules read on a few of them only.
        Area lines = area;
        lines.ux = area.ux * std::cos(turn) - area.uy * std::sin(turn);
        lines.uy = area.ux * std::sin(turn) + area.uy * std::cos(turn);
        lines.halfLength = 40.0f * (aim.module > seenModule ? aim.module : seenModule);
        lines.halfHeight = 1.25f * across + 8.0f < area.halfHeight ? 1.25f * across + 8.0f : area.halfHeight;
        lines.nearHalfLength = 0;
        unsigned seenCount = 0;
        farCount = 0;
        for (unsigned shift = 0; shift < kAimShifts; ++shift) {
            float const off = kSearchSpacing * static_cast<float>(shift) / static_cast<float>(kAimShifts);
            lines.cx = aim.x - off * lines.uy;
            lines.cy = aim.y + off * lines.ux;
            if (leftSeen) {
                CollectHits(image, lines, inverted, backward, b_->spareLeft, seenCount, far, farCount);
            } else {
                CollectHits(image, lines, inverted, backward, far, farCount, b_->spareRight, seenCount);
            }
            seenCount = 0;
        }
        lines.cx = aim.x;
        lines.cy = aim.y;
        float tx = 0;
        float ty = 0;
        float bx = 0;
        float by = 0;
        float module = 0;
        if (farCount < kMinColumnSightings || !FitColumn(far, farCount, lines, backward, tx, ty, bx, by, module)) {
            continue;
        }
        // The far column's ends in the order of the seen one's; its module as
        // lines square to it find it.
        float const length2 = std::hypot(bx - tx, by - ty);
        float const cosine = Abs((by - ty) * lines.ux - (bx - tx) * lines.uy) / length2;
        if (!(cosine > 0.3f)) {
            continue;
        }
        bool const flip = (bx - tx) * (bottom[0] - top[0]) + (by - ty) * (bottom[1] - top[1]) < 0;
        farTop[0] = flip ? bx : tx;
        farTop[1] = flip ? by : ty;
        farBottom[0] = flip ? tx : bx;
        farBottom[1] = flip ? ty : by;
        farModule = module * cosine;
        return true;
    }
    farCount = 0;
    return false;
}

bool PDFRowReader::FitColumn(Hit* hits, unsigned count, Area const& area, bool backward, float& topX, float& topY,
                             float& bottomX, float& bottomY, float& module) const
{
    if (count < 3) {
        return false;
    }
    float const ux = backward ? -area.ux : area.ux;
    float const uy = backward ? -area.uy : area.uy;
    float const vx = -area.uy;
    float const vy = area.ux;
    float t[kMaxLines];
    float s[kMaxLines];
    bool use[kMaxLines];
    for (unsigned i = 0; i < count; ++i) {
        float const dx = hits[i].x - area.cx;
        float const dy = hits[i].y - area.cy;
        s[i] = dx * ux + dy * uy;
        t[i] = dx * vx + dy * vy;
        use[i] = true;
    }
    // The median module, then two rounds that drop points off the line.
    float sorted[kMaxLines];
    for (unsigned i = 0; i < count; ++i) {
        float const m = hits[i].module;
        unsigned j = i;
        for (; j > 0 && sorted[j - 1] > m; --j) {
            sorted[j] = sorted[j - 1];
        }
        sorted[j] = m;
    }
    module = sorted[count / 2];
    // A first line that strays points do not pull: the median slope of
    // pairs half the list apart and the median offset; then least squares
    // over the points near it.
    float b = MedianSlope(t, s, count, sorted);
    float a = MedianOffset(t, s, count, b, sorted);
    for (int round = 0; round < 2; ++round) {
        for (unsigned i = 0; i < count; ++i) {
            use[i] = Abs(s[i] - (a + b * t[i])) <= 1.5f * module && Abs(hits[i].module - module) <= 0.35f * module;
        }
        if (!FitLine(t, s, use, count, a, b)) {
            return false;
        }
    }
    for (unsigned i = 0; i < count; ++i) {
        use[i] = Abs(s[i] - (a + b * t[i])) <= 1.5f * module && Abs(hits[i].module - module) <= 0.35f * module;
    }
    float tMin = 1e9f;
    float tMax = -1e9f;
    unsigned used = 0;
    for (unsigned i = 0; i < count; ++i) {
        if (use[i]) {
            ++used;
            tMin = t[i] < tMin ? t[i] : tMin;
            tMax = t[i] > tMax ? t[i] : tMax;
        }
    }
    if (used < 3 || tMax - tMin < 2.0f) {
        return false;
    }
    float const s0 = a + b * tMin;
    float const s1 = a + b * tMax;
    topX = area.cx + s0 * ux + tMin * vx;
    topY = area.cy + s0 * uy + tMin * vy;
    bottomX = area.cx + s1 * ux + tMax * vx;
    bottomY = area.cy + s1 * uy + tMax * vy;
    return true;
}

void PDFRowReader::SetCorners(float const lt[2], float const lb[2], float const rt[2], float const rb[2], float ux,
                              float uy, float outward, float corners[8])
{
    corners[0] = lt[0] - ux * outward;
    corners[1] = lt[1] - uy * outward;
    corners[2] = rt[0] + ux * outward;
    corners[3] = rt[1] + uy * outward;
    corners[4] = rb[0] + ux * outward;
    corners[5] = rb[1] + uy * outward;
    corners[6] = lb[0] - ux * outward;
    corners[7] = lb[1] - uy * outward;
}

void PDFRowReader::JoinExtents(float left[4], float right[4])
{
    // Both columns span the symbol's height: each takes the ends that reach
    // further, moved along its own line.
    float const lx = left[2] - left[0];
    float const ly = left[3] - left[1];
    float const rx = right[2] - right[0];
    float const ry = right[3] - right[1];
    float const ll = lx * lx + ly * ly;
    float const rl = rx * rx + ry * ry;
    if (!(ll > 0) || !(rl > 0)) {
        return;
    }
    // Ends of each column projected onto the other's line, as fractions.
    float const rTop = ((right[0] - left[0]) * lx + (right[1] - left[1]) * ly) / ll;
    float const rBottom = ((right[2] - left[0]) * lx + (right[3] - left[1]) * ly) / ll;
    float const lTop = ((left[0] - right[0]) * rx + (left[1] - right[1]) * ry) / rl;
    float const lBottom = ((left[2] - right[0]) * rx + (left[3] - right[1]) * ry) / rl;
    float const leftFrom = rTop < 0 ? rTop : 0;
    float const leftTo = rBottom > 1 ? rBottom : 1;
    float const rightFrom = lTop < 0 ? lTop : 0;
    float const rightTo = lBottom > 1 ? lBottom : 1;
    float const l0[2] = {left[0], left[1]};
    float const r0[2] = {right[0], right[1]};
    left[0] = l0[0] + lx * leftFrom;
    left[1] = l0[1] + ly * leftFrom;
    left[2] = l0[0] + lx * leftTo;
    left[3] = l0[1] + ly * leftTo;
    right[0] = r0[0] + rx * rightFrom;
    right[1] = r0[1] + ry * rightFrom;
    right[2] = r0[0] + rx * rightTo;
    right[3] = r0[1] + ry * rightTo;
}

}  // namespace DEC2DIvra
