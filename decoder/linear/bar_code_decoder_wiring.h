#pragma once

namespace DEC2DIvra {

class BarCodeDecoder;
class TwoDimensionDecoder;

// Builds the linear frame in the decoder handle (its object in the handle's
// arena, its buffers over the handle's work area) and plugs it in: as the
// locator's bar-code decoder, as the fixed-band read and as the trigger-down
// reset. Null, with nothing plugged in, when the handle has no property table
// or no room. A handle that has its frame already gets that one back. The
// symbol locator, once built, is handed to the frame with
// BarCodeDecoder::SetCodeSearcher.
BarCodeDecoder* InstallBarCodeDecoder(TwoDimensionDecoder& handle);

}  // namespace DEC2DIvra
