#include "decoder/stacked/stacked_decoder_wiring.h"

#include "decoder/two_dimension_decoder.h"
#include "decoder/core/work_area_layout.h"
#include "decoder/stacked/composite_code_decoder.h"
#include "decoder/stacked/pdf_decoder.h"
#include "decoder/stacked/stack_and_postal_code_decoder.h"

namespace DEC2DIvra {

PDFDecoder* InstallStackedDecoders(TwoDimensionDecoder& handle)
{
    DEC2DProperty const* property = handle.GetProperty();
    if (property == nullptr) {
        return nullptr;
    }
    ObjectArena& arena = handle.GetObjectArena();
    PDFDecoder* pdf =
        arena.Build<PDFDecoder>(WorkAreaLayout::Window(handle.GetWorkArea(), WorkAreaLayout::kStacked), *property);
    if (pdf == nullptr) {
        return nullptr;
    }
    auto* composite = arena.Build<CompositeCodeDecoder>(*property, *pdf);
    if (composite == nullptr) {
        return nullptr;
    }
    auto* door = arena.Build<StackAndPostalCodeDecoder>(*pdf, *composite);
    if (door == nullptr) {
        return nullptr;
    }
    handle.GetDecoderSet().stackCode = door;
    handle.GetDecoderSet().composite = composite;
    return pdf;
}

}  // namespace DEC2DIvra
