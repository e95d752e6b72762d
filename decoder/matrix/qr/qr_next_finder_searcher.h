#pragma once

#include "decoder/core/geometry/line.h"
#include "decoder/core/geometry/point.h"
#include "decoder/core/geometry/rectangle.h"
#include "decoder/core/geometry/region.h"
#include "decoder/core/gray_image.h"
#include "decoder/matrix/qr/qr_finder_region.h"
#include "decoder/matrix/qr/qr_finder_searcher.h"

namespace DEC2DIvra {

// Looks for a further finder beyond one side of a found one, along scan
// segments at 15 lateral positions across that side (the middle first, then
// alternately either side). The position counter survives between calls.
class NextQRFinderSearcher {
public:
    enum Direction : unsigned { kUp = 0, kRight = 1, kDown = 2, kLeft = 3 };
    static constexpr unsigned kSteps = 15;

    explicit NextQRFinderSearcher(QRFinderSearcher const& searcher) : searcher_(&searcher) {}

    // Turns the finder's corners so that the side facing the direction comes
    // first, and places the first search window beyond that side.
    void Initialize(QRFinderRegion const& finder, Direction direction);

    // Runs the finder search along the segments of the steps up to maxStep,
    // each from beyond the finder to its crossing with the scan line (1/256
    // pixel). 1 with the found finder, after which the searcher is done.
    int Start(GrayImage const& image, bool polarity, Line const& scanLine, unsigned maxStep, QRFinderRegion& found);

    bool IsActive() const { return active_; }
    Rectangle const& GetWindow() const { return window_; }

private:
    QRFinderSearcher const* searcher_;
    bool active_ = false;
    unsigned step_ = 0;
    Point corner_[4];  // [0], [1] the facing side; [3], [2] behind them
    Point middle_[4];
    unsigned size_ = 0;
    Rectangle window_;
};

// Walks outward from a finder across the symbol until its texture ends:
// the code edge beyond the finder's side in a direction, as a line in
// 1/256 pixel.
class QRCodeEdgeSearcher {
public:
    enum Direction : unsigned { kUp = 0, kRight = 1, kDown = 2, kLeft = 3 };

    // finder: the corner module centres of the finder in 1/256 pixel.
    int Start(GrayImage const& image, Region const& finder, Direction direction, Line& edge) const;
    int CalcRightCodeEdge(GrayImage const& image, Region const& finder, Line& edge) const
    {
        return Start(image, finder, kRight, edge);
    }
    int CalcBottomCodeEdge(GrayImage const& image, Region const& finder, Line& edge) const
    {
        return Start(image, finder, kDown, edge);
    }

private:
    // Contrast of the grey values along a segment: the samples split at
    // their largest jump, the upper mean less the lower.
    static int CalcContrast(GrayImage const& image, Point const& begin, Point const& end, int pitch);
};

}  // namespace DEC2DIvra
