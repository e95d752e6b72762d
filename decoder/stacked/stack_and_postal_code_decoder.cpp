#include "decoder/stacked/stack_and_postal_code_decoder.h"

namespace DEC2DIvra {

int StackAndPostalCodeDecoder::Start(GrayImage const& image, Region const& region, DecodedLabel& label)
{
    pdf_->SetInput(input_);
    int const read = pdf_->Start(image, region, label);
    SetSeenSymbol(pdf_->GetSeenSymbol());
    return read;
}

}  // namespace DEC2DIvra
