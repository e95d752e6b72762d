#pragma once

#include "decoder/core/decoded_label.h"
#include "decoder/core/gray_image.h"
#include "decoder/core/geometry/region.h"

namespace DEC2DIvra {

// The linear decoders as the symbol locator sees them. The status word is 1
// when a symbol was seen in the region but no label came out, so that the
// locator keeps searching near it.
class AbstractBarCodeDecoder {
public:
    // Reads a located region with the given scan mode; nonzero when the label
    // holds a label.
    virtual int Start(GrayImage const& image, Region const& region, unsigned scanMode, DecodedLabel& label) = 0;
    // The locator opens each image before its first region and closes it
    // after its last: a decoder may bound its work over the regions between.
    virtual void OpenImage() {}
    virtual void CloseImage() {}

    unsigned GetStatus() const { return status_; }
    void SetStatus(unsigned status) { status_ = status; }

protected:
    AbstractBarCodeDecoder() = default;
    ~AbstractBarCodeDecoder() = default;

    unsigned status_ = 0;
};

}  // namespace DEC2DIvra
