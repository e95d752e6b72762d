// The QR decoder's road from a lone finder: the finders beside it, a lost
// one placed where the others put it, then the symbol read as a triple.

#include <cmath>
#include <initializer_list>

#include "decoder/core/geometry/geometry.h"
#include "decoder/matrix/qr/qr_code_decoder.h"
#include "decoder/matrix/qr/qr_finder_region.h"
#include "decoder/matrix/qr/qr_finder_searcher.h"
#include "decoder/matrix/qr/qr_next_finder_searcher.h"

namespace DEC2DIvra {

namespace {

// Finders met off the locator's runs (the lone one, and those its own
// searches meet) are measured through up to this many of the 64 rays blind
// to their outer edge: a speck or noise on a faint ring does not make them
// none. The windows beside a lone finder take none.
constexpr unsigned kBlindRays = 8;

float Distance(Point const& p, Point const& q)
{
    float const dx = static_cast<float>(p.x - q.x) / 256.0f;
    float const dy = static_cast<float>(p.y - q.y) / 256.0f;
    return std::sqrt(dx * dx + dy * dy);
}

// The region's corners turned so that each lies the way the reference's
// corner of the same index does from its centre.
void MatchOrder(QRFinderRegion const& reference, QRFinderRegion& region)
{
    Point const rc = reference.CalcCenterPoint();
    Point const c = region.CalcCenterPoint();
    unsigned best = 0;
    long long bestScore = 0;
    for (unsigned turn = 0; turn < 4; ++turn) {
        long long score = 0;
        for (unsigned k = 0; k < 4; ++k) {
            Point const& p = region.corner[(k + turn) & 3];
            Point const& q = reference.corner[k];
            score += static_cast<long long>(p.x - c.x) * (q.x - rc.x) + static_cast<long long>(p.y - c.y) * (q.y - rc.y);
        }
        if (turn == 0 || score > bestScore) {
            bestScore = score;
            best = turn;
        }
    }
    QRFinderRegion const old = region;
    for (unsigned k = 0; k < 4; ++k) {
        region.corner[k] = old.corner[(k + best) & 3];
    }
    region.CalcMiddlePoints();
}

Region ToRegion(QRFinderRegion const& r)
{
    Region region;
    for (unsigned k = 0; k < 4; ++k) {
        region.corner[k] = r.corner[k];
    }
    return region;
}

Point ToPixels(Point const& p) { return Point{(p.x + 128) >> 8, (p.y + 128) >> 8}; }

// A finder of a like module between `nearest` and `farthest` modules from
// the lone one along the ray from its centre through `toward` (a side's
// middle, or a corner for a diagonal); the finders met on the way that are
// not are passed over.
bool FindAlongAxis(QRFinderSearcher const& searcher, GrayImage const& image, bool polarity,
                   QRFinderRegion const& lone, Point const& toward, float nearest, float farthest,
                   QRFinderRegion& found)
{
    constexpr unsigned kMaxTries = 8;
    Point const centre = lone.CalcCenterPoint();
    float const module = static_cast<float>(lone.size) / 256.0f / 6.0f;
    float const dx = static_cast<float>(toward.x - centre.x) / 256.0f;
    float const dy = static_cast<float>(toward.y - centre.y) / 256.0f;
    float const length = std::sqrt(dx * dx + dy * dy);
    if (module < 1.0f || length <= 0.0f) {
        return false;
    }
    float const ux = dx / length;
    float const uy = dy / length;
    float const cx = static_cast<float>(centre.x) / 256.0f;
    float const cy = static_cast<float>(centre.y) / 256.0f;
    auto at = [&](float t) {
        return Point{static_cast<int>(std::lround(cx + ux * t)), static_cast<int>(std::lround(cy + uy * t))};
    };
    // Clear of the lone finder's own rings: half as far again as its side's
    // middle (4.5 modules) or its corner module.
    float from = 1.5f * length;
    from = from > (nearest - 8.0f) * module ? from : (nearest - 8.0f) * module;
    float const last = farthest * module;
    // In stretches of 48 modules overlapping by 8, so that each takes its
    // threshold from the ground near it (light falls off across a frame).
    constexpr float kStretch = 48.0f;
    constexpr float kOverlap = 8.0f;
    unsigned tries = 0;
    while (from < last && tries < kMaxTries) {
        Point const begin = at(from);
        if (!image.IsInside(begin.x, begin.y)) {
            return false;
        }
        float const to = from + kStretch * module < last ? from + kStretch * module : last;
        QRFinderRegion region;
        if (searcher.Start(image, polarity, begin, at(to), region, kBlindRays) == 0) {
            if (to >= last) {
                return false;
            }
            from = to - kOverlap * module;
            continue;
        }
        ++tries;
        float const m = static_cast<float>(region.size) / 256.0f / 6.0f;
        Point const c = region.CalcCenterPoint();
        float const apart = Distance(c, centre) / module;
        if (m * 1.5f >= module && m <= module * 1.5f && apart >= nearest && apart <= farthest) {
            MatchOrder(lone, region);
            found = region;
            return true;
        }
        // On past it.
        float const along = (static_cast<float>(c.x) / 256.0f - cx) * ux + (static_cast<float>(c.y) / 256.0f - cy) * uy;
        float const reached = along + 4.0f * (m > 1.0f ? m : 1.0f);
        if (reached <= from) {
            return false;
        }
        from = reached;
    }
    return false;
}

// The axis of the finder (through the middles of two opposite sides) that
// points nearest to `toward`, as a line through its centre.
bool AxisToward(QRFinderRegion const& finder, Point const& toward, Line& axis)
{
    Point const centre = finder.CalcCenterPoint();
    long long best = 0;
    unsigned side = 4;
    for (unsigned d = 0; d < 4; ++d) {
        long long const along = static_cast<long long>(finder.middle[d].x - centre.x) * (toward.x - centre.x) +
                                static_cast<long long>(finder.middle[d].y - centre.y) * (toward.y - centre.y);
        if (side == 4 || along > best) {
            best = along;
            side = d;
        }
    }
    return Geometry::CalcLine(centre, finder.middle[side], axis);
}

// Where the axes of two finders toward a point near both cross.
bool CrossAxes(QRFinderRegion const& a, QRFinderRegion const& b, Point const& near, Point& crossing)
{
    Line la;
    Line lb;
    return AxisToward(a, near, la) && AxisToward(b, near, lb) && Geometry::CalcCrossPoint(la, lb, crossing);
}

// A finder of a like module within `reach` modules of `at` (1/256 pixel),
// looked for along segments across that square parallel to the lone
// finder's sides, a module apart from the middle out.
bool FindNear(QRFinderSearcher const& searcher, GrayImage const& image, bool polarity, QRFinderRegion const& lone,
              Point const& at, int reach, QRFinderRegion& found)
{
    Point const centre = lone.CalcCenterPoint();
    float const module = static_cast<float>(lone.size) / 256.0f / 6.0f;
    if (module < 1.0f) {
        return false;
    }
    float const ax = static_cast<float>(at.x) / 256.0f;
    float const ay = static_cast<float>(at.y) / 256.0f;
    for (unsigned axis = 0; axis < 2; ++axis) {
        float const dx = static_cast<float>(lone.middle[axis].x - centre.x);
        float const dy = static_cast<float>(lone.middle[axis].y - centre.y);
        float const length = std::sqrt(dx * dx + dy * dy);
        if (length <= 0.0f) {
            return false;
        }
        // u along the segments, v across them, a module long each.
        float const ux = dx / length * module;
        float const uy = dy / length * module;
        float const vx = -uy;
        float const vy = ux;
        float const r = static_cast<float>(reach);
        for (int j = 0; j <= 2 * reach; ++j) {
            float const t = static_cast<float>(j % 2 == 0 ? j / 2 : -(j + 1) / 2);
            Point const begin{static_cast<int>(std::lround(ax - ux * r + vx * t)),
                              static_cast<int>(std::lround(ay - uy * r + vy * t))};
            Point const end{static_cast<int>(std::lround(ax + ux * r + vx * t)),
                            static_cast<int>(std::lround(ay + uy * r + vy * t))};
            QRFinderRegion region;
            if (searcher.Start(image, polarity, begin, end, region, kBlindRays) == 0) {
                continue;
            }
            float const m = static_cast<float>(region.size) / 256.0f / 6.0f;
            // Perspective may shrink or grow the corner finder against the
            // lone one more than it does the finders along a side.
            if (m * 2.0f >= module && m <= module * 2.0f &&
                Distance(region.CalcCenterPoint(), at) <= r * module * 1.5f) {
                MatchOrder(lone, region);
                found = region;
                return true;
            }
        }
    }
    return false;
}

}  // namespace

bool QRCodeDecoder::ReadAroundFinder(QRSampler const& sampler, Point const& centre, float module, DecodedLabel& label)
{
    GrayImage const& image = sampler.GetImage();
    bool const polarity = sampler.IsReversed();
    QRFinderSearcher const searcher;
    QRFinderRegion lone;
    if (searcher.MeasureRegion(image, polarity, Point{centre.x * 256, centre.y * 256}, module, lone, kBlindRays) ==
        0) {
        return false;
    }
    float const loneModule = static_cast<float>(lone.size) / 256.0f / 6.0f;
    Point const loneCentre = lone.CalcCenterPoint();
    // The finders beside it, each side searched up to the frame's edge.
    QRFinderRegion found[4];
    bool has[4] = {};
    for (unsigned d = 0; d < 4; ++d) {
        Point const& facing = lone.middle[d];
        Point const& behind = lone.middle[(d + 2) & 3];
        Point far;
        Line scanLine;
        if (!Geometry::CalcDividingPoint(-30, behind, 31, facing, far)) {
            continue;
        }
        Point const along{far.x + lone.corner[(d + 1) & 3].x - lone.corner[d].x,
                          far.y + lone.corner[(d + 1) & 3].y - lone.corner[d].y};
        if (!Geometry::CalcLine(far, along, scanLine)) {
            continue;
        }
        NextQRFinderSearcher next(searcher);
        next.Initialize(lone, static_cast<NextQRFinderSearcher::Direction>(d));
        QRFinderRegion region;
        while (next.IsActive()) {
            if (next.Start(image, polarity, scanLine, NextQRFinderSearcher::kSteps - 1, region) == 0) {
                break;
            }
            // Of a like module, and at least a version 1 symbol's finder
            // spacing away.
            float const m = static_cast<float>(region.size) / 256.0f / 6.0f;
            float const apart = Distance(region.CalcCenterPoint(), loneCentre) / loneModule;
            if (m * 1.5f >= loneModule && m <= loneModule * 1.5f && apart >= 12.0f && apart <= 180.0f) {
                MatchOrder(lone, region);
                found[d] = region;
                has[d] = true;
            }
        }
    }
    // Behind the run windows: where they met no finder of a like module on
    // a side, the finder's own axis is scanned out to the frame's edge
    // (blur and low contrast can leave the windows without the pattern).
    for (unsigned d = 0; d < 4; ++d) {
        if (!has[d]) {
            has[d] = FindAlongAxis(searcher, image, polarity, lone, lone.middle[d], 12.0f, 180.0f, found[d]);
        }
    }
    auto read = [&](QRFinderRegion const& topLeft, QRFinderRegion const& a, QRFinderRegion const& b,
                    unsigned predictedOf) {
        // predictedOf: 0 none, 1 a, 2 b, 3 the top left.
        Point const pa = ToPixels(topLeft.CalcCenterPoint());
        Point const pb = ToPixels(a.CalcCenterPoint());
        Point const pc = ToPixels(b.CalcCenterPoint());
        bool const clockwise = static_cast<long long>(pb.x - pa.x) * (pc.y - pa.y) -
                                   static_cast<long long>(pb.y - pa.y) * (pc.x - pa.x) >
                               0;
        Region region;
        region.corner[0] = pa;
        region.corner[1] = clockwise ? pb : pc;
        region.corner[3] = clockwise ? pc : pb;
        region.corner[2] = Point{region.corner[1].x + region.corner[3].x - pa.x,
                                 region.corner[1].y + region.corner[3].y - pa.y};
        unsigned predicted = 3;
        if (predictedOf == 3) {
            predicted = 0;
        } else if (predictedOf == 1) {
            predicted = clockwise ? 1 : 2;
        } else if (predictedOf == 2) {
            predicted = clockwise ? 2 : 1;
        }
        return ReadTriple(sampler, region, label, predicted);
    };
    // Two finders beside it at a right angle: it is the top-left one.
    for (unsigned d = 0; d < 4; ++d) {
        if (has[d] && has[(d + 1) & 3] && read(lone, found[d], found[(d + 1) & 3], 0)) {
            return true;
        }
    }
    // One beside it: the lost finder lies beside one of the two, on the
    // side where the symbol's texture reaches further.
    QRCodeEdgeSearcher const edges;
    for (unsigned d = 0; d < 4; ++d) {
        if (!has[d]) {
            continue;
        }
        QRFinderRegion const& partner = found[d];
        float const apart = Distance(partner.CalcCenterPoint(), loneCentre) / loneModule;
        // The spacing names the version to a module or two: the nearest
        // version first, then those either side.
        float const named = (apart + 7.0f - 17.0f) / 4.0f;
        int const nearest = static_cast<int>(std::lround(named));
        int const other = named > static_cast<float>(nearest) ? nearest + 1 : nearest - 1;
        unsigned const sides[2] = {(d + 1) & 3, (d + 3) & 3};
        float reach[2] = {0.0f, 0.0f};
        for (unsigned k = 0; k < 2; ++k) {
            Line edge;
            Region const finder = ToRegion(lone);
            if (edges.Start(image, finder, static_cast<QRCodeEdgeSearcher::Direction>(sides[k]), edge) != 0) {
                long long const norm = static_cast<long long>(edge.a) * edge.a + static_cast<long long>(edge.b) * edge.b;
                reach[k] = static_cast<float>(std::fabs(static_cast<double>(edge.Evaluate(loneCentre))) /
                                              std::sqrt(static_cast<double>(norm)));
            }
        }
        unsigned const order[2] = {reach[1] > reach[0] ? 1u : 0u, reach[1] > reach[0] ? 0u : 1u};
        for (unsigned k : order) {
          for (int const version : {nearest, other}) {
            if (version < 1 || version > 40) {
                continue;
            }
            unsigned const side = sides[k];
            QRFinderRegion lost;
            // Lost beside this finder: this one is the top-left finder.
            if (QRFinderRegion::CalcNextFinder(lone, static_cast<unsigned>(version), side, lost) != 0 &&
                read(lone, partner, lost, 2)) {
                return true;
            }
            // Lost beside the partner: the partner is the top-left finder.
            if (QRFinderRegion::CalcNextFinder(partner, static_cast<unsigned>(version), side, lost) != 0 &&
                read(partner, lone, lost, 2)) {
                return true;
            }
          }
        }
    }
    // None beside it: the lone finder and a partner across a diagonal are
    // the two outer finders, the corner finder between them unseen (at a
    // paper edge on a dark ground, or blurred past the locator's runs). It
    // stands at either end of the other diagonal of their square; one that
    // measures as a finder there is taken, else the place is predicted.
    // Perspective turns the symbol's diagonal away from the finder's own:
    // a fan of rays around it, about two modules apart at the farthest.
    // Data can pass for a finder on the way: the ray goes on past a
    // partner that does not read, and no partner is tried twice.
    auto readDiagonal = [&](QRFinderRegion const& partner) {
        Point const pc = partner.CalcCenterPoint();
        long long const mx = (static_cast<long long>(loneCentre.x) + pc.x) / 2;
        long long const my = (static_cast<long long>(loneCentre.y) + pc.y) / 2;
        long long const hx = pc.x - mx;
        long long const hy = pc.y - my;
        for (int const sign : {1, -1}) {
            Point at{static_cast<int>(mx - sign * hy), static_cast<int>(my + sign * hx)};
            // Under perspective the corner lies off the square's: it is
            // where the finders' own axes toward it cross.
            Point crossing;
            if (CrossAxes(lone, partner, at, crossing) && Distance(crossing, at) <= Distance(loneCentre, pc) / 3.0f) {
                at = crossing;
            }
            QRFinderRegion corner;
            bool const measured = FindNear(searcher, image, polarity, lone, at, 8, corner);
            if (!measured) {
                for (unsigned c = 0; c < 4; ++c) {
                    corner.corner[c] =
                        Point{lone.corner[c].x - loneCentre.x + at.x, lone.corner[c].y - loneCentre.y + at.y};
                }
                corner.size = lone.size;
                corner.CalcMiddlePoints();
            }
            if (read(corner, lone, partner, measured ? 0u : 3u)) {
                return true;
            }
        }
        return false;
    };
    // Only a finder with no partner beside it is an outer finder whose
    // corner finder went unseen.
    if (has[0] || has[1] || has[2] || has[3]) {
        return false;
    }
    constexpr int kFan = 12;
    constexpr float kFanStep = 0.0125f;  // radians
    constexpr unsigned kMaxPartners = 4;  // a diagonal's
    for (unsigned k = 0; k < 4; ++k) {
        float const dx = static_cast<float>(lone.corner[k].x - loneCentre.x);
        float const dy = static_cast<float>(lone.corner[k].y - loneCentre.y);
        Point tried[kMaxPartners];
        unsigned count = 0;
        for (int j = 0; j <= 2 * kFan && count < kMaxPartners; ++j) {
            float const turn = static_cast<float>(j % 2 == 0 ? j / 2 : -(j + 1) / 2) * kFanStep;
            float const c = std::cos(turn);
            float const sn = std::sin(turn);
            Point const toward{loneCentre.x + static_cast<int>(std::lround(dx * c - dy * sn)),
                               loneCentre.y + static_cast<int>(std::lround(dx * sn + dy * c))};
            float nearest = 19.0f;
            QRFinderRegion partner;
            while (count < kMaxPartners &&
                   FindAlongAxis(searcher, image, polarity, lone, toward, nearest, 245.0f, partner)) {
                Point const pc = partner.CalcCenterPoint();
                float const apart = Distance(pc, loneCentre) / loneModule;
                bool seen = false;
                for (unsigned t = 0; t < count && !seen; ++t) {
                    seen = Distance(tried[t], pc) <= 3.0f * loneModule;
                }
                if (!seen) {
                    tried[count++] = pc;
                    if (readDiagonal(partner)) {
                        return true;
                    }
                }
                nearest = apart + 4.0f;
            }
        }
    }
    return false;
}

}  // namespace DEC2DIvra
