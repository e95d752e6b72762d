#include "decoder/stacked/composite_code_decoder.h"

#include "decoder/core/property/dec2d_property.h"

namespace DEC2DIvra {

CompositeCodeDecoder::CompositeCodeDecoder(DEC2DProperty const& property, AbstractLineSegmentDecoder& pdf)
    : composite_(&property.composite), gs1DataBar_(&property.gs1_databar), gs1128_(&property.gs1_128),
      pdf417_(&property.pdf417), microPdf417_(&property.micro_pdf417), pdf_(&pdf)
{
}

int CompositeCodeDecoder::Start(GrayImage const&, DecodedLabel&) { return 1; }

}  // namespace DEC2DIvra
