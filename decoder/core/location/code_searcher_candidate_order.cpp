#include "decoder/core/location/code_searcher_candidate_order.h"

#include "decoder/core/geometry/geometry.h"

namespace DEC2DIvra {

namespace {

// The projections of the region's corners and the rectangle's corners onto
// a direction (dx, dy) are disjoint.
bool IsSeparatedAlong(long long dx, long long dy, Region const& region, Rectangle const& r)
{
    long long regionLow = 0;
    long long regionHigh = 0;
    for (unsigned i = 0; i < 4; ++i) {
        long long const p = dx * region.corner[i].x + dy * region.corner[i].y;
        regionLow = i == 0 || p < regionLow ? p : regionLow;
        regionHigh = i == 0 || p > regionHigh ? p : regionHigh;
    }
    long long const xs[2] = {r.left, r.right};
    long long const ys[2] = {r.top, r.bottom};
    long long rectangleLow = 0;
    long long rectangleHigh = 0;
    for (unsigned i = 0; i < 4; ++i) {
        long long const p = dx * xs[i & 1] + dy * ys[i >> 1];
        rectangleLow = i == 0 || p < rectangleLow ? p : rectangleLow;
        rectangleHigh = i == 0 || p > rectangleHigh ? p : rectangleHigh;
    }
    return regionHigh < rectangleLow || rectangleHigh < regionLow;
}

}  // namespace

void OrderBarRegionCandidates(BarRegionCandidate* candidates, unsigned count)
{
    for (unsigned i = 1; i < count; ++i) {
        BarRegionCandidate const moving = candidates[i];
        unsigned j = i;
        while (j > 0 && candidates[j - 1].score < moving.score) {
            candidates[j] = candidates[j - 1];
            --j;
        }
        candidates[j] = moving;
    }
    // A band whose lines did not fit its axis may be bars crossed at a slant
    // by the lines of a group beside them (the bars' ends, text under them),
    // with more edges than the bars' own band: a fitting band of nearly as
    // many edges whose region holds its centre goes first. Its label leaves
    // the other out; without one, the other is still tried (the symbol's
    // bars may fan out, as under perspective, and fit no band).
    for (unsigned i = 0; i < count; ++i) {
        if (candidates[i].steady) {
            continue;
        }
        Point const centre = candidates[i].region.CalcCenterPoint();
        for (unsigned k = i + 1; k < count; ++k) {
            if (!candidates[k].steady || 4 * candidates[k].edges < 3 * candidates[i].edges ||
                !Geometry::IsIncluding(candidates[k].region, centre)) {
                continue;
            }
            BarRegionCandidate const moving = candidates[k];
            for (unsigned j = k; j > i; --j) {
                candidates[j] = candidates[j - 1];
            }
            candidates[i] = moving;
            candidates[i + 1].deferred = true;
            break;
        }
    }
}

bool IsOverlapping(Region const& region, Rectangle const& rectangle)
{
    if (rectangle.right < rectangle.left || rectangle.bottom < rectangle.top) {
        return false;
    }
    // Two convex shapes are apart exactly when the axes of one of their sides
    // separate them.
    if (IsSeparatedAlong(1, 0, region, rectangle) || IsSeparatedAlong(0, 1, region, rectangle)) {
        return false;
    }
    for (unsigned i = 0; i < 4; ++i) {
        Point const& a = region.corner[i];
        Point const& b = region.corner[(i + 1) & 3];
        long long const nx = -(static_cast<long long>(b.y) - a.y);
        long long const ny = static_cast<long long>(b.x) - a.x;
        if ((nx != 0 || ny != 0) && IsSeparatedAlong(nx, ny, region, rectangle)) {
            return false;
        }
    }
    return true;
}

}  // namespace DEC2DIvra
