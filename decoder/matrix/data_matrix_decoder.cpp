#include "decoder/matrix/data_matrix_decoder.h"

namespace DEC2DIvra {

DataMatrixDecoder::DataMatrixDecoder(VirtualArray<unsigned char> const& workArea, DEC2DProperty const& property)
    : memory_(workArea), property_(&property)
{
}

int DataMatrixDecoder::Start(GrayImage const&, Region const&, DecodedLabel&) { return 0; }

}  // namespace DEC2DIvra
