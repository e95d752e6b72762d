#pragma once

#include "decoder/core/decoded_label.h"
#include "decoder/core/gray_image.h"
#include "decoder/core/geometry/region.h"

namespace DEC2DIvra {

// Data Matrix as the symbol locator sees it: a candidate solid L. In the
// region, corner 3 is the corner of the L, corner 0 the far end of the leg
// that runs from it to the left of the symbol's reading direction, corner 2
// the far end of the other leg, and corner 1 the estimated fourth corner.
class AbstractLPatternDecoder {
public:
    // Nonzero with the label read. When nothing is read, the label's region
    // is the outline of the symbol that was found and could not be read, or
    // empty when no symbol was found at the L.
    virtual int Start(GrayImage const& image, Region const& lPattern, DecodedLabel& label) = 0;

    // A cheap look whether the sighting is worth a full reading at once. The
    // locator tries the sightings that are not after the frame's others,
    // while its budget lasts; every sighting is so by default.
    virtual bool IsPromising(GrayImage const& image, Region const& lPattern) const
    {
        (void)image;
        (void)lPattern;
        return true;
    }

    // A new frame: what the decoder kept of the last frame's sightings no
    // longer holds.
    virtual void OnNewImage() {}

protected:
    AbstractLPatternDecoder() = default;
    ~AbstractLPatternDecoder() = default;
};

}  // namespace DEC2DIvra
