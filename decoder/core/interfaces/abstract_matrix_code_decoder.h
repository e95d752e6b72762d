#pragma once

#include "decoder/core/decoded_label.h"
#include "decoder/core/gray_image.h"
#include "decoder/core/geometry/line_segment.h"
#include "decoder/core/geometry/region.h"

namespace DEC2DIvra {

// The legacy matrix engine (MaxiCode, Han Xin) as the symbol locator sees it.
// The locator uses the segment form, with horizontal segments laid across a
// candidate; nonzero means the label was written.
class AbstractMatrixCodeDecoder {
public:
    virtual int Start(GrayImage const& image, Region const& region, unsigned mode, DecodedLabel& label) = 0;
    virtual int Start(GrayImage const& image, LineSegment const& segment, DecodedLabel& label) = 0;
    // Whether the last segment met a finder pattern the engine accepted,
    // read or not; a segment that met none says its candidate was no
    // symbol's finder.
    virtual bool MetFinder() const { return true; }

protected:
    AbstractMatrixCodeDecoder() = default;
    ~AbstractMatrixCodeDecoder() = default;
};

}  // namespace DEC2DIvra
