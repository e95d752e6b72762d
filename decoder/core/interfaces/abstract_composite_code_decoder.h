#pragma once

#include "decoder/core/decoded_label.h"
#include "decoder/core/gray_image.h"

namespace DEC2DIvra {

// The 2D component of a GS1 composite label: given a decoded linear label
// (in and out), nonzero passes the label on (changed or not), 0 withholds it.
class AbstractCompositeCodeDecoder {
public:
    virtual int Start(GrayImage const& image, DecodedLabel& label) = 0;

protected:
    AbstractCompositeCodeDecoder() = default;
    ~AbstractCompositeCodeDecoder() = default;
};

}  // namespace DEC2DIvra
