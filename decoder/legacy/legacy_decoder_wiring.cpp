#include "decoder/legacy/legacy_decoder_wiring.h"

#include "decoder/two_dimension_decoder.h"
#include "decoder/legacy/engine/old_matrix_decoder.h"

namespace DEC2DIvra {

namespace {

void OnNewImage(void* engine, GrayImage const& image) { static_cast<OldMatrixDecoder*>(engine)->OnNewImage(image); }

}  // namespace

OldMatrixDecoder* InstallLegacyDecoder(TwoDimensionDecoder& handle)
{
    if (handle.GetProperty() == nullptr) {
        return nullptr;
    }
    OldMatrixDecoder* engine = handle.GetObjectArena().Build<OldMatrixDecoder>();
    if (engine == nullptr) {
        return nullptr;
    }
    handle.GetDecoderSet().matrixCode = engine;
    handle.SetLegacyEngineHooks(LegacyEngineHooks{engine, &OnNewImage});
    return engine;
}

}  // namespace DEC2DIvra
