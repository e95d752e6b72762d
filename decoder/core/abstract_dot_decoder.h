#pragma once

#include "decoder/core/decoded_label.h"
#include "decoder/core/dot.h"
#include "decoder/core/gray_image.h"

namespace DEC2DIvra {

// DotCode as the symbol locator sees it: called once for every dot candidate
// of an image; nonzero means a label was written and the search may end.
class AbstractDotDecoder {
public:
    virtual int Start(GrayImage const& image, Dot const& dot, DecodedLabel& label) const = 0;

protected:
    AbstractDotDecoder() = default;
    ~AbstractDotDecoder() = default;
};

}  // namespace DEC2DIvra
