#include "decoder/linear/bar_and_postal_code_decoder.h"

#include "decoder/linear/bar_code_decoder.h"

namespace DEC2DIvra {

int BarAndPostalCodeDecoder::Start(GrayImage const& image, Region const& region, unsigned scanMode,
                                   DecodedLabel& label)
{
    int const result = frame_->Start(image, region, scanMode, label, true);
    SetStatus(frame_->GetStatus());
    return result;
}

void BarAndPostalCodeDecoder::OpenImage() { frame_->OpenImage(); }

void BarAndPostalCodeDecoder::CloseImage() { frame_->CloseImage(); }

}  // namespace DEC2DIvra
