#include "decoder/core/location/bulls_eye_reach.h"

namespace DEC2DIvra {

namespace {

// The bull's-eye rings swing between the symbol's ink and its ground: ink
// is what lies within a quarter of that swing of the ink's own grey, so that
// a grey scene beyond the label's quiet zone does not pass for it.
bool InkThreshold(GrayImage const& image, FinderSighting const& eye, int& threshold)
{
    int const half = eye.module * 7 / 2;
    int low = 1 << 20;
    int high = -1;
    for (int x = eye.centre.x - half; x <= eye.centre.x + half; ++x) {
        int const v = image.AtClamped(x, eye.centre.y);
        low = v < low ? v : low;
        high = v > high ? v : high;
    }
    threshold = eye.dark != 0 ? low + (high - low) / 4 : high - (high - low) / 4;
    return high - low >= MatrixCandidateFinder::kContrastFloor / 2;
}

}  // namespace

int MeasureBullsEyeReach(GrayImage const& image, FinderSighting const& eye)
{
    int threshold = 0;
    int const module = eye.module < 1 ? 1 : eye.module;
    if (image.GetPixels() == nullptr || !InkThreshold(image, eye, threshold)) {
        return 0;
    }
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
        int t = 1;
        for (; t <= limit && t - last <= gap; ++t) {
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
