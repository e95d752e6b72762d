#pragma once

#include "decoder/core/decoded_label.h"
#include "decoder/core/interfaces/decoder_set.h"
#include "decoder/core/gray_image.h"
#include "decoder/core/interfaces/label_outlet.h"
#include "decoder/core/geometry/region.h"
#include "decoder/core/containers/stack_interface.h"
#include "decoder/core/tag_decode_option.h"

namespace DEC2DIvra {

// The symbol locator as the rest of the decoder uses it.
class CodeSearcher {
public:
    // Runs the 1D locator beside a region (a Codablock F row, or a region
    // around GS1 DataBar segments) along its height direction, inside the
    // image less the configured search margin, and pushes each region it
    // locates; nonzero when it pushed any.
    virtual int Start(GrayImage const& image, Region const& region, StackInterface<Region>& located) = 0;

    // Searches the whole image, hands each candidate to the matching decoder
    // of the set, writing into `label`, and offers each label obtained to the
    // outlet; nonzero when the outlet accepted one (the search then ends).
    virtual int Start(GrayImage const& image, tagDecodeOption const& option, DecoderSet const& decoders,
                      DecodedLabel& label, LabelOutlet& outlet) = 0;

protected:
    CodeSearcher() = default;
    ~CodeSearcher() = default;
};

}  // namespace DEC2DIvra
