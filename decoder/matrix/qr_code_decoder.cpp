#include "decoder/matrix/qr_code_decoder.h"

namespace DEC2DIvra {

QRCodeDecoder::QRCodeDecoder(VirtualArray<unsigned char> const& workArea, DEC2DProperty const& property)
    : memory_(workArea), property_(&property)
{
}

int QRCodeDecoder::Start(GrayImage const&, Region const&, DecodedLabel&) { return 0; }

}  // namespace DEC2DIvra
