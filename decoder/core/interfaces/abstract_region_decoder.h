#pragma once

#include "decoder/core/decoded_label.h"
#include "decoder/core/gray_image.h"
#include "decoder/core/geometry/region.h"

namespace DEC2DIvra {

// A matrix decoder given a candidate region by the symbol locator: QR Code
// (around a finder triple) and Aztec (around a bull's-eye).
class AbstractRegionDecoder {
public:
    virtual int Start(GrayImage const& image, Region const& region, DecodedLabel& label) = 0;

protected:
    AbstractRegionDecoder() = default;
    ~AbstractRegionDecoder() = default;
};

}  // namespace DEC2DIvra
