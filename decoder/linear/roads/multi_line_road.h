#pragma once

#include "decoder/core/containers/array_iterator.h"
#include "decoder/core/decoded_label.h"
#include "decoder/core/gray_image.h"
#include "decoder/core/geometry/region.h"

namespace DEC2DIvra {

class LineDecodeData;

// The multi-line road: one symbol read from characters seen on different
// lines of a band, after the single lines gave no label.
class MultiLineRoad {
public:
    // The line results of neighbouring scan positions, in position order, and
    // the located region; true with the label filled (region included).
    virtual bool Start(GrayImage const& image, ArrayIterator<LineDecodeData const> const& lines,
                       Region const& located, DecodedLabel& label) = 0;

protected:
    MultiLineRoad() = default;
    ~MultiLineRoad() = default;
};

}  // namespace DEC2DIvra
