#pragma once

#include "decoder/core/geometry/point.h"
#include "decoder/core/geometry/rectangle.h"
#include "decoder/core/gray_image.h"

namespace DEC2DIvra {

// Finds a QR alignment pattern (or, at rank 1, a dark corner blob) inside a
// small window: the window sub-sampled to about 28 steps across and
// binarised, each cell ranked by the colour changes between it and the
// grid's border, and the blob of the wanted rank nearest the window's centre
// taken, its centre weighted by its grey values.
class QRMiniFinderSearcher {
public:
    static constexpr int kSteps = 28;
    static constexpr int kMaxCells = 64;

    // window in pixels; moduleSize in 1/256 pixel; centre in 1/256 pixel
    // (`shift` fraction bits); size: the blob's extent in 1/256 pixel.
    int StartPart(GrayImage const& image, Rectangle const& window, unsigned moduleSize, unsigned minContrast,
                  bool polarity, unsigned shift, Point& centre, unsigned& size, unsigned rank) const;

private:
    struct Grid {
        int left = 0;
        int top = 0;
        int step = 1;
        int width = 0;
        int height = 0;
        unsigned short grey[kMaxCells * kMaxCells];
        bool light[kMaxCells * kMaxCells];  // light XOR polarity
        unsigned char rank[kMaxCells * kMaxCells];
    };

    int Search(Grid& grid, Rectangle const& window, unsigned moduleSize, unsigned minContrast, bool polarity,
               unsigned shift, Point& centre, unsigned& size, unsigned rank) const;
    static unsigned CalcContrast(Grid const& grid);
    static void CalcRankMap(Grid& grid);
    // The blob of the wanted rank nearest the window centre.
    static bool CalcMiniFinderPoint(Grid const& grid, Rectangle const& window, unsigned moduleSize, bool polarity,
                                    unsigned shift, unsigned rank, Point& centre, unsigned& size);
    // One blob grown from a seed; false when it reaches the border or grows
    // too large. Marks its cells visited.
    static bool CalcMiniFinderPointPart(Grid const& grid, int seed, unsigned rank, unsigned maxCells, bool polarity,
                                        unsigned char* visited, long long& x, long long& y, long long& weight,
                                        unsigned& cells);
};

}  // namespace DEC2DIvra
