#pragma once

#include "decoder/core/decoded_label.h"
#include "decoder/core/gray_image.h"
#include "decoder/core/containers/stack_interface.h"
#include "decoder/linear/roads/pick_line_element.h"

namespace DEC2DIvra {

// A decoder reading a symbol from the grey samples of one pick line.
class AbstractPickLineDecoder {
public:
    virtual int Start(GrayImage const& image, StackInterface<PickLineElement> const& samples,
                      DecodedLabel& label) = 0;

protected:
    AbstractPickLineDecoder() = default;
    ~AbstractPickLineDecoder() = default;
};

}  // namespace DEC2DIvra
