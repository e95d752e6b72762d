#include "decoder/core/location/code_searcher_candidate_order.h"

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
