#pragma once

#include "decoder/core/location/bar_region_axis.h"
#include "decoder/core/location/bar_region_profile.h"
#include "decoder/core/gray_image.h"
#include "decoder/core/geometry/rectangle.h"
#include "decoder/core/geometry/region.h"
#include "decoder/core/containers/stack_interface.h"

namespace DEC2DIvra {

// Finds the rows of bars stacked beside a region that the linear decoders
// have read a row in (a Codablock F row, or GS1 DataBar segments): lines
// parallel to the region's reading direction are sampled one after another
// across it, from its middle line outwards on both sides, and each band of
// consecutive lines that show a train of edges with the same pattern is a
// row. The band through the middle line is the row already read and is not
// given again. A walk ends at the area's edge or after a stretch without
// bars longer than the region is high (at least kMinimumGap pixels).
class BarRegionRowLocator {
public:
    static constexpr int kStep = 2;           // pixels between sampled lines
    static constexpr int kMinimumGap = 16;    // pixels
    static constexpr int kMinimumRow = 5;     // pixels (three lines); thinner bands are ignored
    static constexpr unsigned kMinimumEdges = 10;
    static constexpr int kMaxWalk = 1024;     // pixels either side
    // Regions with a corner further out than this are refused.
    static constexpr int kMaxCoordinate = 1 << 20;

    // Pushes the rows found (the side before the region first, nearest
    // first, then the side after) until the stack is full; how many it
    // pushed. Nothing for a region whose reading direction is shorter than
    // four pixels or with a corner beyond kMaxCoordinate.
    unsigned Start(GrayImage const& image, Rectangle const& area, Region const& region, StackInterface<Region>& rows);

private:
    struct Band {
        int tFirst;
        int tLast;
        int sFirst;  // of the outermost edges seen on its lines
        int sLast;
    };

    unsigned Walk(GrayImage const& image, Rectangle const& area, int direction, StackInterface<Region>& rows);
    // Samples the line at t; true when it shows a train of edges.
    bool SampleLine(GrayImage const& image, Rectangle const& area, int t);
    // The share (of 256) of samples on the two sides of their middle level
    // in the current line and the band's first one, not in the other.
    unsigned CalcChange() const;
    bool Push(Band const& band, Rectangle const& area, StackInterface<Region>& rows) const;

    BarRegionAxis axis_;
    int sBegin_ = 0;
    int sEnd_ = 0;
    int tMiddle_ = 0;
    int height_ = 0;
    int range_ = 0;  // of the region's middle line
    BarRegionProfile profile_;
    // The levels of the band's first line and of the current one, above (1)
    // or below (0) their middle.
    unsigned char reference_[BarRegionProfile::kMaxSamples];
    unsigned char current_[BarRegionProfile::kMaxSamples];
    unsigned referenceCount_ = 0;
    int referenceBegin_ = 0;
    unsigned currentCount_ = 0;
    int currentBegin_ = 0;
};

}  // namespace DEC2DIvra
