// Any module stream of an ECC 000-140 symbol, of any side, through the
// header, the convolutional decoder and the data formats: no label or a
// bounded one, never a read or write outside the buffers.

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <memory>
#include <vector>

#include "decoder/core/decoded_label.h"
#include "decoder/matrix/data_matrix/data_matrix_ecc000_140_data.h"
#include "decoder/matrix/data_matrix/data_matrix_ecc000_140_header.h"
#include "decoder/matrix/data_matrix/data_matrix_ecc000_140_stream.h"

using namespace DEC2DIvra;

extern "C" int LLVMFuzzerTestOneInput(std::uint8_t const* data, std::size_t size)
{
    if (size < 1) {
        return 0;
    }
    unsigned const side = 9 + 2 * (data[0] % 21);
    ++data;
    --size;
    unsigned const moduleBits = DataMatrixEcc000To140Size::GetModuleBits(side);
    // The stream as the placement hands it over: one codeword per element.
    std::vector<unsigned short> stream((moduleBits + 7) / 8, 0);
    for (std::size_t i = 0; i < stream.size() && i < size; ++i) {
        stream[i] = data[i];
    }
    static auto label = std::make_unique<DecodedLabel>();
    DataStreamForDataMatrix const in{stream.data(), static_cast<unsigned>(stream.size())};
    if (DataMatrixEcc000To140Header::IsUnprotected(in)) {
        unsigned const opening = DataMatrixEcc000To140Header::kUnprotectedBits;
        DataMatrixEcc000To140Data::Start(stream.data(), opening, moduleBits - opening, *label);
    } else {
        static auto decoder = std::make_unique<DataMatrixEcc000To140Stream>();
        static std::vector<unsigned short> out(2178);
        static std::vector<unsigned short> reencoded(300);
        VirtualArray<unsigned short> o(out.data(), static_cast<unsigned>(out.size()));
        VirtualArray<unsigned short> r(reencoded.data(), static_cast<unsigned>(reencoded.size()));
        DataMatrixEcc000To140Stream::Result result;
        if (decoder->Start(in, side, o, r, result)) {
            if (result.bits > out.size() * 8) {
                std::abort();
            }
            DataMatrixEcc000To140Data::Start(out.data(), 0, result.bits, *label);
        }
    }
    // At most 511 characters, the count field's range.
    if (label->data.GetCount() > 511) {
        std::abort();
    }
    return 0;
}
