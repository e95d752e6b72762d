#pragma once

#include "decoder/core/decoded_label.h"
#include "decoder/core/gray_image.h"
#include "decoder/core/geometry/line_segment.h"

namespace DEC2DIvra {

// A stacked symbol read along a segment laid beside an already decoded
// linear symbol (the 2D component of a composite label). The flag is the
// linear label's negative flag; nonzero when the label was written.
class AbstractLineSegmentDecoder {
public:
    virtual int Start(GrayImage const& image, LineSegment const& segment, bool negative, DecodedLabel& label) = 0;

protected:
    AbstractLineSegmentDecoder() = default;
    ~AbstractLineSegmentDecoder() = default;
};

}  // namespace DEC2DIvra
