#include "decoder/linear/bar_code_decoder_wiring.h"

#include "decoder/two_dimension_decoder.h"
#include "decoder/linear/bar_and_postal_code_decoder.h"
#include "decoder/linear/bar_code_decoder.h"

namespace DEC2DIvra {

namespace {

int ReadFixedBand(void* frame, GrayImage const& image, Region const& band, unsigned scanMode, DecodedLabel& label)
{
    return static_cast<BarCodeDecoder*>(frame)->Start(image, band, scanMode, label, false);
}

void OnTriggerDown(void* frame) { static_cast<BarCodeDecoder*>(frame)->OnTriggerDown(); }

}  // namespace

BarCodeDecoder* InstallBarCodeDecoder(TwoDimensionDecoder& handle)
{
    DEC2DProperty const* property = handle.GetProperty();
    if (property == nullptr) {
        return nullptr;
    }
    // The handle builds its frame itself; a second one would share the same
    // work-area offsets.
    LinearFrameHooks const& installed = handle.GetLinearFrameHooks();
    if (installed.readFixedBand == &ReadFixedBand && installed.frame != nullptr) {
        return static_cast<BarCodeDecoder*>(installed.frame);
    }
    VirtualArray<unsigned char> workArea = handle.GetWorkArea();
    BarCodeDecoder* frame = handle.GetObjectArena().Build<BarCodeDecoder>(workArea, *property);
    if (frame == nullptr || !frame->IsReady()) {
        return nullptr;
    }
    BarAndPostalCodeDecoder* locatorSide = handle.GetObjectArena().Build<BarAndPostalCodeDecoder>(*frame);
    if (locatorSide == nullptr) {
        return nullptr;
    }
    handle.GetDecoderSet().barCode = locatorSide;
    handle.SetLinearFrameHooks(LinearFrameHooks{frame, &ReadFixedBand, &OnTriggerDown});
    return frame;
}

}  // namespace DEC2DIvra
