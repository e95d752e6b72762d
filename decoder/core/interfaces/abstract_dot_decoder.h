#pragma once

#include "decoder/core/decoded_label.h"
#include "decoder/core/geometry/dot.h"
#include "decoder/core/gray_image.h"

namespace DEC2DIvra {

// DotCode as the symbol locator sees it: called once for every dot candidate
// of an image; nonzero means a label was written and the search may end. The
// decoder gathers dots from call to call, so Start changes it; OnNewImage,
// called before the first dot of each image, forgets the dots of the last.
class AbstractDotDecoder {
public:
    virtual int Start(GrayImage const& image, Dot const& dot, DecodedLabel& label) = 0;
    virtual void OnNewImage() = 0;

protected:
    AbstractDotDecoder() = default;
    ~AbstractDotDecoder() = default;
};

}  // namespace DEC2DIvra
