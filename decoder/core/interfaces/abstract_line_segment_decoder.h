#pragma once

#include "decoder/core/decoded_label.h"
#include "decoder/core/gray_image.h"
#include "decoder/core/geometry/line_segment.h"

namespace DEC2DIvra {

// A stacked symbol read along a segment laid beside an already decoded
// linear symbol (the 2D component of a composite label). `negative` is the
// linear label's negative flag; `pdf417` says whether a PDF417 component may
// stand there (beside GS1-128 only), else only the MicroPDF417-like ones are
// sought. Nonzero when the label was written.
class AbstractLineSegmentDecoder {
public:
    virtual int Start(GrayImage const& image, LineSegment const& segment, bool negative, bool pdf417,
                      DecodedLabel& label) = 0;

protected:
    AbstractLineSegmentDecoder() = default;
    ~AbstractLineSegmentDecoder() = default;
};

}  // namespace DEC2DIvra
