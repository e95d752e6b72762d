#include "decoder/core/location/bulls_eye_rings.h"

namespace DEC2DIvra {

namespace {

// The steps from the centre to each of the first kEvenRingEdges crossings of
// the middle grey along (dx, dy), a pixel a step along the longer of the
// two; false when one lies beyond `limit` steps.
bool RingEdges(GrayImage const& image, FinderSighting const& eye, int middle, int dx, int dy, int limit,
               int* edges)
{
    int const longer = (dx < 0 ? -dx : dx) > (dy < 0 ? -dy : dy) ? (dx < 0 ? -dx : dx) : (dy < 0 ? -dy : dy);
    auto const along = [longer](int d, int t) {
        int const v = d * t * 2;
        return (v >= 0 ? v + longer : v - longer) / (2 * longer);
    };
    bool dark = image.AtClamped(eye.centre.x, eye.centre.y) < middle;
    int found = 0;
    for (int t = 1; t <= limit && found < kEvenRingEdges; ++t) {
        bool const here = image.AtClamped(eye.centre.x + along(dx, t), eye.centre.y + along(dy, t)) < middle;
        if (here != dark) {
            dark = here;
            edges[found++] = t;
        }
    }
    return found == kEvenRingEdges;
}

// Whether a width (times `scale`) lies within a third of `expected` (times
// `scale`) and a step or so of it.
bool IsNear(int width, int expected, int scale)
{
    int const off = width * scale - expected;
    return (off < 0 ? -off : off) * 3 <= expected + 3 * scale;
}

}  // namespace

bool HasEvenRings(GrayImage const& image, FinderSighting const& eye)
{
    if (image.GetPixels() == nullptr) {
        return false;
    }
    int const module = eye.module < 1 ? 1 : eye.module;
    int const half = module * 7 / 2;
    int low = 1 << 20;
    int high = -1;
    for (int x = eye.centre.x - half; x <= eye.centre.x + half; ++x) {
        int const v = image.AtClamped(x, eye.centre.y);
        low = v < low ? v : low;
        high = v > high ? v : high;
    }
    if (high - low < MatrixCandidateFinder::kContrastFloor / 2) {
        return false;
    }
    int const middle = (low + high) / 2;
    // Opposite ways in pairs: along the row, the column, both diagonals and
    // the four ways between them.
    static constexpr int kWays[8][2] = {{1, 0}, {0, 1}, {1, 1}, {1, -1}, {2, 1}, {1, 2}, {2, -1}, {1, -2}};
    int const limit = module * (kEvenRingEdges + 3);
    for (auto const& way : kWays) {
        int ahead[kEvenRingEdges];
        int behind[kEvenRingEdges];
        if (!RingEdges(image, eye, middle, way[0], way[1], limit, ahead) ||
            !RingEdges(image, eye, middle, -way[0], -way[1], limit, behind)) {
            return false;
        }
        // Three ring widths each way; their sum, both ways, is six. The
        // centre run is left out: a blurred or half-covered pixel beside the
        // centre module shortens it along the diagonals.
        int const outward = ahead[kEvenRingEdges - 1] - ahead[0];
        int const inward = behind[kEvenRingEdges - 1] - behind[0];
        int const six = outward + inward;
        if (!IsNear(outward, six, 2) || !IsNear(inward, six, 2)) {
            return false;
        }
        for (int i = 1; i < kEvenRingEdges; ++i) {
            if (!IsNear(ahead[i] - ahead[i - 1], six, 6) || !IsNear(behind[i] - behind[i - 1], six, 6)) {
                return false;
            }
        }
    }
    return true;
}

}  // namespace DEC2DIvra
