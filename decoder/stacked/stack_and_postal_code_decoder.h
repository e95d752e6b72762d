#pragma once

#include "decoder/core/interfaces/abstract_composite_code_decoder.h"
#include "decoder/core/interfaces/abstract_stack_code_decoder.h"

namespace DEC2DIvra {

// The symbol locator's door to the stacked decoders: hands a located region
// to the PDF417 decoder with the input word and copies its seen-symbol flag
// back, so that the locator sees it on this object. A composite's 2D part met
// alone goes to the composite reader, which passes it on or withholds it as
// the link settings say; a withheld one leaves kSeenComponent.
class StackAndPostalCodeDecoder final : public AbstractStackCodeDecoder {
public:
    StackAndPostalCodeDecoder(AbstractStackCodeDecoder& pdf, AbstractCompositeCodeDecoder& composite)
        : pdf_(&pdf), composite_(&composite)
    {
    }

    int Start(GrayImage const& image, Region const& region, DecodedLabel& label) override;

private:
    AbstractStackCodeDecoder* pdf_;
    AbstractCompositeCodeDecoder* composite_;
};

}  // namespace DEC2DIvra
