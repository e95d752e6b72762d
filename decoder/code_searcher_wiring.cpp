#include "decoder/code_searcher_wiring.h"

#include "decoder/core/location/code_searcher_engine.h"
#include "decoder/two_dimension_decoder.h"
#include "decoder/linear/bar_code_decoder.h"

namespace DEC2DIvra {

CodeSearcherEngine* InstallCodeSearcher(TwoDimensionDecoder& handle, BarCodeDecoder* frame)
{
    DEC2DProperty const* property = handle.GetProperty();
    if (property == nullptr) {
        return nullptr;
    }
    CodeSearcherEngine* searcher = handle.GetObjectArena().Build<CodeSearcherEngine>(*property);
    if (searcher == nullptr) {
        return nullptr;
    }
    handle.SetCodeSearcher(searcher);
    if (frame != nullptr) {
        frame->SetCodeSearcher(searcher);
    }
    return searcher;
}

}  // namespace DEC2DIvra
