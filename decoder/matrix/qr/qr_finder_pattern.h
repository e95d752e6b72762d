#pragma once

#include "decoder/core/geometry/point.h"
#include "decoder/core/geometry/rectangle.h"
#include "decoder/core/gray_image.h"

namespace DEC2DIvra {

// The last five runs of a scan line (dark, light, dark centre, light,
// dark) as the QR finder search keeps them.
class QRFinderPartialScanData {
public:
    struct Run {
        int begin = 0;        // sub-pixel edge positions, 1/256 pixel
        int end = 0;
        unsigned pixels = 0;  // pixels counted in the run
    };

    // Shifts the runs by one and appends the newest.
    void Push(Run const& run);
    unsigned GetCount() const { return count_; }
    Run const& operator[](unsigned i) const { return runs_[i]; }

    // Whether the five runs show the 1:1:3:1:1 pattern. Above 14 pixels in
    // all the widths are the distances between the sub-pixel edges, else
    // the whole-pixel counts.
    bool IsFinderPattern() const;

private:
    Run runs_[5];
    unsigned count_ = 0;
};

// The centroid of the dark blob at the centre of a window, such as a
// finder's 3 x 3 core: sampled on at most 32 x 32 cells, grown from the
// centre cell over its eight neighbours. The blob must not reach the
// window's outer cells.
class CalcCenterBlackPointSubroutine {
public:
    static constexpr int kCells = 32;

    // Dark is below the threshold, above it with the polarity flag set.
    // 1 and the centre in 1/256 pixel, else 0.
    int Start(GrayImage const& image, Rectangle const& window, unsigned short threshold, bool polarity,
              Point& centre) const;
};

}  // namespace DEC2DIvra
