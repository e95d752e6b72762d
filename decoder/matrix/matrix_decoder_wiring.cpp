#include "decoder/matrix/matrix_decoder_wiring.h"

#include "decoder/two_dimension_decoder.h"
#include "decoder/core/work_area_layout.h"
#include "decoder/matrix/aztec/aztec_code_decoder.h"
#include "decoder/matrix/data_matrix/data_matrix_decoder.h"
#include "decoder/matrix/dot_code/dot_code_decoder.h"
#include "decoder/matrix/qr/qr_code_decoder.h"

namespace DEC2DIvra {

namespace {

template <class T>
T* Build(TwoDimensionDecoder& handle, WorkAreaPart const& part, DEC2DProperty const& property)
{
    return handle.GetObjectArena().Build<T>(WorkAreaLayout::Window(handle.GetWorkArea(), part), property);
}

}  // namespace

bool InstallMatrixDecoders(TwoDimensionDecoder& handle)
{
    DEC2DProperty const* property = handle.GetProperty();
    if (property == nullptr) {
        return false;
    }
    DecoderSet& set = handle.GetDecoderSet();
    set.region[DecoderSet::kQRCode] = Build<QRCodeDecoder>(handle, WorkAreaLayout::kQRCode, *property);
    set.region[DecoderSet::kAztec] = Build<AztecCodeDecoder>(handle, WorkAreaLayout::kAztec, *property);
    set.lPattern = Build<DataMatrixDecoder>(handle, WorkAreaLayout::kDataMatrix, *property);
    set.dot = Build<DotCodeDecoder>(handle, WorkAreaLayout::kDotCode, *property);
    return set.region[DecoderSet::kQRCode] != nullptr && set.region[DecoderSet::kAztec] != nullptr &&
           set.lPattern != nullptr && set.dot != nullptr;
}

}  // namespace DEC2DIvra
