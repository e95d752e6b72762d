#include "decoder/stacked/stack_and_postal_code_decoder.h"

namespace DEC2DIvra {

int StackAndPostalCodeDecoder::Start(GrayImage const& image, Region const& region, DecodedLabel& label)
{
    pdf_->SetInput(input_);
    int const read = pdf_->Start(image, region, label);
    SetSeenSymbol(pdf_->GetSeenSymbol());
    if (read != 0 && composite_->Start(image, label) == 0) {
        label.Clear();
        SetSeenSymbol(kSeenComponent);
        return 0;
    }
    return read;
}

}  // namespace DEC2DIvra
