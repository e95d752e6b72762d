#pragma once

#include "decoder/core/interfaces/abstract_bar_code_decoder.h"

namespace DEC2DIvra {

class BarCodeDecoder;

// The linear codes as the symbol locator reaches them: each located region
// goes to the linear frame, whose status word (a symbol seen, no label) is
// passed back with the answer.
class BarAndPostalCodeDecoder final : public AbstractBarCodeDecoder {
public:
    explicit BarAndPostalCodeDecoder(BarCodeDecoder& frame) : frame_(&frame) {}

    int Start(GrayImage const& image, Region const& region, unsigned scanMode, DecodedLabel& label) override;
    // The image's bounds are the frame's.
    void OpenImage() override;
    void CloseImage() override;

private:
    BarCodeDecoder* frame_;
};

}  // namespace DEC2DIvra
