#include "decoder/core/location/bulls_eye_reach.h"

namespace DEC2DIvra {

namespace {

// The grey range across the bull's-eye rings, along the row through the
// centre; false when they show no contrast.
bool RingRange(GrayImage const& image, FinderSighting const& eye, int& low, int& high)
{
    int const half = eye.module * 7 / 2;
    low = 1 << 20;
    high = -1;
    for (int x = eye.centre.x - half; x <= eye.centre.x + half; ++x) {
        int const v = image.AtClamped(x, eye.centre.y);
        low = v < low ? v : low;
        high = v > high ? v : high;
    }
    return high - low >= MatrixCandidateFinder::kContrastFloor / 2;
}

// The distance from the centre to the kRingEdges-th crossing of the middle
// grey along (dx, dy), in steps; -1 when it lies beyond `limit` steps.
int RingEdgeDistance(GrayImage const& image, FinderSighting const& eye, int middle, int dx, int dy, int limit)
{
    bool dark = image.AtClamped(eye.centre.x, eye.centre.y) < middle;
    int edges = 0;
    for (int t = 1; t <= limit; ++t) {
        bool const here = image.AtClamped(eye.centre.x + dx * t, eye.centre.y + dy * t) < middle;
        if (here != dark) {
            dark = here;
            if (++edges == kRingEdges) {
                return t;
            }
        }
    }
    return -1;
}

bool Agree(int a, int b) { return (a > b ? a - b : b - a) * 4 <= (a > b ? a : b) + 8; }

// A bull's-eye's rings are square: the row and the column through its
// centre cross them at one width whatever its turn, and so do the two
// diagonals. Bars met at a slant pass the sighting's run tests too, but
// their row and column widths differ, or a diagonal runs along a bar.
bool HasSquareRings(GrayImage const& image, FinderSighting const& eye, int middle, int module)
{
    static constexpr int kAxes[4][2] = {{1, 0}, {-1, 0}, {0, 1}, {0, -1}};
    static constexpr int kDiagonals[4][2] = {{1, 1}, {-1, -1}, {1, -1}, {-1, 1}};
    int const limit = module * (kRingEdges + 3);
    int axis[4];
    int diagonal[4];
    for (int k = 0; k < 4; ++k) {
        axis[k] = RingEdgeDistance(image, eye, middle, kAxes[k][0], kAxes[k][1], limit);
        diagonal[k] = RingEdgeDistance(image, eye, middle, kDiagonals[k][0], kDiagonals[k][1], limit);
        if (axis[k] < 0 || diagonal[k] < 0) {
            return false;
        }
    }
    // Opposite ways sum to a width across, which a centre a pixel off
    // leaves the same.
    int const across = axis[0] + axis[1];
    int const down = axis[2] + axis[3];
    return Agree(across, down) && Agree(diagonal[0] + diagonal[1], diagonal[2] + diagonal[3]);
}

}  // namespace

int MeasureBullsEyeReach(GrayImage const& image, FinderSighting const& eye)
{
    int const module = eye.module < 1 ? 1 : eye.module;
    int low = 0;
    int high = 0;
    if (image.GetPixels() == nullptr || !RingRange(image, eye, low, high) ||
        !HasSquareRings(image, eye, (low + high) / 2, module)) {
        return 0;
    }
    // Ink lies within a quarter of the swing of the ink's own grey, so that
    // a grey scene beyond the label's quiet zone does not pass for it.
    int const threshold = eye.dark != 0 ? low + (high - low) / 4 : high - (high - low) / 4;
    bool const darkInk = eye.dark != 0;
    auto isInk = [&](int x, int y) {
        int const v = image.At(x, y);
        return darkInk ? v <= threshold : v >= threshold;
    };
    int const limit = module * kMaxReachModules;
    int const gap = module * kGapModules;
    static constexpr int kWays[4][2] = {{1, 0}, {-1, 0}, {0, 1}, {0, -1}};
    int reach = 0;
    for (auto const& way : kWays) {
        int const dx = way[0];
        int const dy = way[1];
        int last = 0;
        for (int t = 1; t <= limit && t - last <= gap; ++t) {
            bool ink = false;
            bool inside = false;
            for (int line = -1; line <= 1 && !ink; ++line) {
                // The line a module aside, square to the walk.
                int const x = eye.centre.x + dx * t + dy * line * module;
                int const y = eye.centre.y + dy * t + dx * line * module;
                int const px = x - dx;
                int const py = y - dy;
                if (!image.IsInside(x, y) || !image.IsInside(px, py)) {
                    continue;
                }
                inside = true;
                // Two pixels of ink in a row: a speck of sensor noise in the
                // quiet zone does not carry the walk on.
                ink = isInk(x, y) && isInk(px, py);
            }
            if (!inside) {
                // The frame ends inside the symbol.
                last = t;
                break;
            }
            if (ink) {
                last = t;
            }
        }
        reach = last > reach ? last : reach;
    }
    return reach + module > limit ? limit : reach + module;
}

}  // namespace DEC2DIvra
