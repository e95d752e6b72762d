#include "decoder/matrix/data_matrix/data_matrix_ecc000_140_stream.h"

#include "decoder/matrix/data_matrix/data_matrix_ecc000_140_header.h"

namespace DEC2DIvra {

bool DataMatrixEcc000To140Stream::Start(DataStreamForDataMatrix const& in, unsigned side,
                                        VirtualArray<unsigned short>& out, VirtualArray<unsigned short>& reencoded,
                                        Result& result)
{
    result = Result{};
    // The module bits lie inside the border: a stream sized by the full side
    // would ask for bits the symbol does not have.
    unsigned const moduleBits = DataMatrixEcc000To140Size::GetModuleBits(side);
    if (moduleBits == 0 || in.count < (moduleBits + 7) / 8) {
        return false;
    }
    unsigned codeIndex = 0;
    if (!DataMatrixEcc000To140Header::Read(in, moduleBits, codeIndex)) {
        return false;
    }
    FanoData fano;
    if (!fano.Initialize(codeIndex)) {
        return false;
    }
    unsigned errors = 0;
    if (convolution_.Start(in, moduleBits, codeIndex, true, out, reencoded, errors) == 0) {
        return false;
    }
    unsigned const headerBits = ConvolutionErrorCorrect::kHeaderBits;
    unsigned const steps = moduleBits >= headerBits + fano.n ? (moduleBits - headerBits) / fano.n : 0;
    result.codeIndex = codeIndex;
    result.bits = steps * fano.k;
    result.errors = errors;
    return true;
}

}  // namespace DEC2DIvra
