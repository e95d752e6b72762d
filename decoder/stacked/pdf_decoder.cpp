#include "decoder/stacked/pdf_decoder.h"

#include "decoder/core/property/dec2d_property.h"

namespace DEC2DIvra {

PDFDecoder::PDFDecoder(VirtualArray<unsigned char> const& workArea, DEC2DProperty const& property)
    : memory_(workArea), detail_(&property.detail_of_decoder), pdf417_(&property.pdf417),
      microPdf417_(&property.micro_pdf417)
{
}

int PDFDecoder::Start(GrayImage const&, Region const&, DecodedLabel&)
{
    SetSeenSymbol(0);
    return 0;
}

int PDFDecoder::Start(GrayImage const&, LineSegment const&, bool, DecodedLabel&) { return 0; }

}  // namespace DEC2DIvra
