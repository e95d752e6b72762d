#pragma once

#include "decoder/core/interfaces/abstract_stack_code_decoder.h"

namespace DEC2DIvra {

// The symbol locator's door to the stacked decoders: hands a located region
// to the PDF417 decoder with the input word and copies its seen-symbol flag
// back, so that the locator sees it on this object.
class StackAndPostalCodeDecoder final : public AbstractStackCodeDecoder {
public:
    explicit StackAndPostalCodeDecoder(AbstractStackCodeDecoder& pdf) : pdf_(&pdf) {}

    int Start(GrayImage const& image, Region const& region, DecodedLabel& label) override;

private:
    AbstractStackCodeDecoder* pdf_;
};

}  // namespace DEC2DIvra
