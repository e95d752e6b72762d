#include "decoder/matrix/aztec_code_decoder.h"

namespace DEC2DIvra {

AztecCodeDecoder::AztecCodeDecoder(VirtualArray<unsigned char> const& workArea, DEC2DProperty const& property)
    : memory_(workArea), property_(&property)
{
}

int AztecCodeDecoder::Start(GrayImage const&, Region const&, DecodedLabel&) { return 0; }

}  // namespace DEC2DIvra
