#include "decoder/matrix/dot_code_decoder.h"

namespace DEC2DIvra {

DotCodeDecoder::DotCodeDecoder(VirtualArray<unsigned char> const& workArea, DEC2DProperty const& property)
    : memory_(workArea), property_(&property)
{
}

int DotCodeDecoder::Start(GrayImage const&, Dot const&, DecodedLabel&) { return 0; }

void DotCodeDecoder::OnNewImage() {}

}  // namespace DEC2DIvra
